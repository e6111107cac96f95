#include "backup/collectors/PocoMailCollector.h"

#include "backup/Manifest.h"
#include "clients/Clients.h"
#include "clients/layouts/PocoMailLayout.h"
#include "platform/DriveMap.h"
#include "platform/Ini.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::PocoMailLayout;

const QString kSettingsFile = L::settingsFile();

// The folder values end in '\'. A value without one loses nothing.
QString folderValue(const platform::IniFile& ini, const char* section, const char* key) {
    return platform::excludeTrailingBackslash(
        ini.readString(QLatin1String(section), QLatin1String(key)));
}

// An empty value names no folder: joined, it would name the settings file's
// own folder and add all of it to the item.
QString joined(const QString& folder, const QString& value) {
    return value.isEmpty() ? QString() : folder + QLatin1Char('\\') + value;
}

// A found mail folder ("P\Mail\Work\") relative to the mail root ("P\mail\"),
// without its trailing '\' ("Work").
QString mapEntry(const QString& found, const QString& mailRoot) {
    const QString entry = platform::excludeTrailingBackslash(found);
    return entry.startsWith(mailRoot, Qt::CaseInsensitive) ? entry.mid(mailRoot.size()) : entry;
}
} // namespace

bool RunPocoMail(BackupContext& ctx, const BackupRequest& request) {
    PocoMailCollector collector(ctx, request);
    return collector.Run();
}

PocoMailCollector::Settings PocoMailCollector::ReadSettings(const platform::IniFile& ini,
                                                            const QString& folder) {
    Settings s;
    s.address = joined(folder, folderValue(ini, "Program", "AddressPath"));
    s.attach = joined(folder, folderValue(ini, "Mail", "AttachPath"));
    s.mail = joined(folder, folderValue(ini, "Program", "MailPath"));
    s.script = joined(folder, folderValue(ini, "Program", "ScriptPath"));
    s.signature = joined(folder, folderValue(ini, "Program", "SigPath"));
    s.templates = joined(folder, folderValue(ini, "Program", "TemplatePath"));
    s.users = folderValue(ini, "Program", "UsersPath");
    return s;
}

QString PocoMailCollector::PocoFolder() const {
    const L::FolderValue where = L::programFolder(request_.clientCode);
    // Every path below is built with its own '\'.
    return platform::excludeTrailingBackslash(ReadString(where.root, where.key, where.value));
}

PocoMailCollector::Settings PocoMailCollector::LoadSettings(const QString& folder) const {
    if (folder.isEmpty()) return {};
    // A missing or unreadable file reads as one without keys.
    const auto ini =
        platform::IniFile::load(ctx_.files, folder + QLatin1Char('\\') + kSettingsFile);
    return ReadSettings(ini ? ini.value() : platform::IniFile(), folder);
}

QString PocoMailCollector::UsersFolder(const Settings& s, const QString& pocoFolder) {
    if (s.users.isEmpty()) return pocoFolder + QLatin1Char('\\') + L::usersFolder();
    if (HasDrive(s.users) || s.users.startsWith(QLatin1String("\\\\"))) return s.users;
    return pocoFolder + QLatin1Char('\\') + s.users;
}

bool PocoMailCollector::Run() {
    const QString poco = PocoFolder();
    BeginArchive();
    const Settings main = LoadSettings(poco);

    if (IdentityTicked(0)) {
        Add(poco + QLatin1Char('\\') + kSettingsFile, QString(), poco + QLatin1Char('\\'));
        AddItems(poco, main, QString(), true);
    }

    // Every user's folder is built from the default user's users folder (a
    // user's own settings file need not name one).
    const QString users = UsersFolder(main, poco);
    for (int i = 1; i < request_.identityCount; ++i) {
        if (!IdentityTicked(i)) continue;
        const QString& name = IdentityName(i);
        // A name that is no plain folder name ("..", one with a separator)
        // would read another user's or the default user's files.
        const QString folder =
            SafeFolderName(name) == name ? users + QLatin1Char('\\') + name : QString();
        const QString archiveFolder = L::usersFolder() + QLatin1Char('\\') + SafeFolderName(name);
        Add(folder + QLatin1Char('\\') + kSettingsFile, archiveFolder, folder + QLatin1Char('\\'));
        AddItems(folder, LoadSettings(folder), archiveFolder, false);
    }

    AddManifest();
    FinishArchive();
    return Failed();
}

void PocoMailCollector::AddItems(const QString& folder, const Settings& s,
                                 const QString& archiveFolder, bool defaultUser) {
    const QString base = folder + QLatin1Char('\\');
    // The files the layout names, then the folders the settings name.
    for (const int item : {L::kAccounts, L::kMailFolders, L::kFilters, L::kSignatures,
                           L::kAddressBook, L::kScripts}) {
        if (!ItemTicked(item)) continue;
        AddRows(L::userFiles(), item, folder, archiveFolder);
        if (item == L::kMailFolders) {
            AddFolder(s.attach, archiveFolder, base);
            AddFolder(s.mail, archiveFolder, base);
            AddFolder(s.templates, archiveFolder, base);
            if (defaultUser) AddMailSubFolders(folder);
        }
        if (item == L::kSignatures) AddFolder(s.signature, archiveFolder, base);
        if (item == L::kAddressBook) AddFolder(s.address, archiveFolder, base);
        if (item == L::kScripts) AddFolder(s.script, archiveFolder, base);
        CloseTask(item);
    }
}

void PocoMailCollector::AddMailSubFolders(const QString& poco) {
    const QString root = poco + QLatin1Char('\\') + L::mailFolder().toLower() + QLatin1Char('\\');
    QStringList map;
    if (!poco.isEmpty()) {
        // A folder with several mailboxes is found once per mailbox; it is
        // listed once, so that no file is stored twice. Folders whose names
        // differ in letter case only are different folders on the host.
        const QStringList found = DistinctFolders(
            FindFolders(poco + QLatin1Char('\\') + L::mailFolder(), QStringLiteral("*.mbx")),
            Qt::CaseSensitive);
        for (const QString& g : found) {
            if (g.compare(root, Qt::CaseInsensitive) == 0) continue; // the root's own mailboxes
            const QString folder = platform::excludeTrailingBackslash(g);
            for (const char* extension : L::mailboxExtensions())
                AddFolder(folder, QString(), root, QLatin1String(extension));
            map << mapEntry(g, root);
        }
    }
    const QString file = Staging() + QStringLiteral("\\directory.ini");
    WriteMapFile(file, NumberedKeys(QStringLiteral("Dir"), map));
    Add(file, QString(), Staging() + QLatin1Char('\\'));
}

} // namespace backup
