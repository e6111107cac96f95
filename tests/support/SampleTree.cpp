#include "support/SampleTree.h"

namespace support {

namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegValue;

const QString kShell =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kUserShell =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");

// Shell folder name -> place below the user's profile folder.
const std::pair<const char*, const char*> kUserFolders[] = {
    {"Administrative Tools",
     "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
    {"AppData", "AppData\\Roaming"},
    {"Cache", "AppData\\Local\\Microsoft\\Windows\\INetCache"},
    {"Cookies", "AppData\\Local\\Microsoft\\Windows\\INetCookies"},
    {"Desktop", "Desktop"},
    {"Favorites", "Favorites"},
    {"History", "AppData\\Local\\Microsoft\\Windows\\History"},
    {"Local AppData", "AppData\\Local"},
    {"My Music", "Music"},
    {"My Pictures", "Pictures"},
    {"My Videos", "Videos"},
    {"NetHood", "AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts"},
    {"Personal", "Documents"},
    {"PrintHood", "AppData\\Roaming\\Microsoft\\Windows\\Printer Shortcuts"},
    {"Programs", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"Recent", "AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {"SendTo", "AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
    {"Start Menu", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {"StartUp", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {"Templates", "AppData\\Roaming\\Microsoft\\Windows\\Templates"},
    {"{374DE290-123F-4565-9164-39C4925E467B}", "Downloads"},
    {"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", "Saved Games"},
    {"{56784854-C6CB-462B-8169-88E350ACB882}", "Contacts"},
    {"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", "Searches"},
    {"{A520A1A4-1780-4FF6-BD18-167343C5AF16}", "AppData\\LocalLow"},
    {"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", "Links"},
};

// Machine-wide shell folders -> place below C:\.
const std::pair<const char*, const char*> kCommonFolders[] = {
    {"Common Administrative Tools",
     "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
    {"Common AppData", "ProgramData"},
    {"Common Desktop", "users\\Public\\Desktop"},
    {"Common Documents", "users\\Public\\Documents"},
    {"Common Programs", "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"Common Start Menu", "ProgramData\\Microsoft\\Windows\\Start Menu"},
    {"Common StartUp", "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {"Common Templates", "ProgramData\\Microsoft\\Windows\\Templates"},
    {"CommonMusic", "users\\Public\\Music"},
    {"CommonPictures", "users\\Public\\Pictures"},
    {"CommonVideo", "users\\Public\\Videos"},
};

} // namespace

QStringList newPrefixFolders(const QString& user) {
    QStringList dirs = {
        QStringLiteral("Program Files\\Common Files"),
        QStringLiteral("Program Files\\Internet Explorer"),
        QStringLiteral("Program Files (x86)\\Common Files"),
        QStringLiteral("Program Files (x86)\\Internet Explorer"),
        QStringLiteral("windows\\system32\\drivers\\etc"),
        QStringLiteral("windows\\syswow64"),
        QStringLiteral("windows\\Fonts"),
        QStringLiteral("windows\\help"),
        QStringLiteral("windows\\inf"),
        QStringLiteral("windows\\temp"),
        QStringLiteral("windows\\command"),
        QStringLiteral("users\\Public\\Favorites"),
        QStringLiteral("users\\Public\\Downloads"),
    };
    const QString profile = QStringLiteral("users\\") + user + u'\\';
    for (const auto& [name, place] : kUserFolders)
        dirs.push_back(profile + QLatin1String(place));
    dirs.push_back(profile + QStringLiteral("Temp"));
    dirs.push_back(profile + QStringLiteral("AppData\\Local\\Temp"));
    for (const auto& [name, place] : kCommonFolders)
        dirs.push_back(QLatin1String(place));
    return dirs;
}

std::vector<std::pair<QString, QByteArray>> newPrefixFiles() {
    return {
        {QStringLiteral("windows\\win.ini"),
         QByteArray("[windows]\r\nload=\r\nrun=\r\n\r\n[Mail]\r\nMAPI=1\r\n")},
        {QStringLiteral("windows\\system.ini"),
         QByteArray("[mci]\r\n[drivers32]\r\n[drivers]\r\nwave=mmdrv.dll\r\ntimer=timer.drv\r\n")},
        {QStringLiteral("windows\\system32\\drivers\\etc\\hosts"),
         QByteArray("127.0.0.1 localhost\r\n")},
    };
}

std::vector<SampleValue> newPrefixValues(const QString& user) {
    std::vector<SampleValue> v;
    const QString profile = QStringLiteral("C:\\users\\") + user;
    for (const auto& [name, place] : kUserFolders) {
        const QString n = QLatin1String(name);
        v.push_back({HKEY_CURRENT_USER, kShell,
                     RegValue::string(n, profile + u'\\' + QLatin1String(place))});
        v.push_back({HKEY_CURRENT_USER, kUserShell,
                     RegValue::string(n, QStringLiteral("%USERPROFILE%\\") + QLatin1String(place),
                                      platform::REG_EXPAND_SZ)});
    }
    v.push_back({HKEY_CURRENT_USER, kShell,
                 RegValue::string(QStringLiteral("Fonts"), QStringLiteral("C:\\windows\\Fonts"))});
    v.push_back({HKEY_CURRENT_USER, QStringLiteral("Environment"),
                 RegValue::string(QStringLiteral("TEMP"),
                                  QStringLiteral("%USERPROFILE%\\AppData\\Local\\Temp"),
                                  platform::REG_EXPAND_SZ)});
    v.push_back({HKEY_CURRENT_USER, QStringLiteral("Environment"),
                 RegValue::string(QStringLiteral("TMP"),
                                  QStringLiteral("%USERPROFILE%\\AppData\\Local\\Temp"),
                                  platform::REG_EXPAND_SZ)});

    for (const auto& [name, place] : kCommonFolders)
        v.push_back(
            {HKEY_LOCAL_MACHINE, kShell,
             RegValue::string(QLatin1String(name), QStringLiteral("C:\\") + QLatin1String(place))});
    const QString cv = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
    const std::pair<const char*, const char*> versionValues[] = {
        {"CommonFilesDir", "C:\\Program Files\\Common Files"},
        {"CommonFilesDir (x86)", "C:\\Program Files (x86)\\Common Files"},
        {"ProgramFilesDir", "C:\\Program Files"},
        {"ProgramFilesDir (x86)", "C:\\Program Files (x86)"},
        {"RegisteredOrganization", ""},
        {"RegisteredOwner", ""},
    };
    for (const auto& [name, text] : versionValues)
        v.push_back(
            {HKEY_LOCAL_MACHINE, cv, RegValue::string(QLatin1String(name), QLatin1String(text))});
    const QString nt = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion");
    v.push_back({HKEY_LOCAL_MACHINE, nt,
                 RegValue::string(QStringLiteral("CurrentBuildNumber"), QStringLiteral("7601"))});
    v.push_back({HKEY_LOCAL_MACHINE, nt,
                 RegValue::string(QStringLiteral("CurrentVersion"), QStringLiteral("6.1"))});
    v.push_back({HKEY_LOCAL_MACHINE, nt,
                 RegValue::string(QStringLiteral("SystemRoot"), QStringLiteral("C:\\windows"))});
    const QString env =
        QStringLiteral("System\\CurrentControlSet\\Control\\Session Manager\\Environment");
    v.push_back({HKEY_LOCAL_MACHINE, env,
                 RegValue::string(QStringLiteral("TEMP"), QStringLiteral("%SystemRoot%\\TEMP"),
                                  platform::REG_EXPAND_SZ)});
    v.push_back({HKEY_LOCAL_MACHINE, env,
                 RegValue::string(QStringLiteral("windir"), QStringLiteral("%SystemRoot%"),
                                  platform::REG_EXPAND_SZ)});
    return v;
}

} // namespace support
