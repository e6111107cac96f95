#include "backup/collectors/OperaCollector.h"

#include "clients/layouts/OperaLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::OperaLayout;
} // namespace

bool RunOpera6(BackupContext& ctx, const BackupRequest& request) {
    Opera6Collector collector(ctx, request);
    return collector.Run();
}

bool RunOpera7(BackupContext& ctx, const BackupRequest& request) {
    Opera7Collector collector(ctx, request);
    return collector.Run();
}

bool Opera6Collector::Run() {
    programFolder_ =
        L::programFolderOf(ReadString(platform::HKEY_CURRENT_USER, L::key(), L::commandLine6()));
    mail_ = programFolder_.isEmpty() ? QString() : programFolder_ + L::mailFolder();
    BeginArchive();

    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) BackupAccount(IdentityName(i));
    }
    if (!mail_.isEmpty() && ItemTicked(L::kAccounts)) AddRows(L::mailFiles(), L::kAccounts, mail_);
    if (ItemTicked(L::kAddressBook)) {
        if (!programFolder_.isEmpty())
            AddRows(L::programFiles(), L::kAddressBook,
                    platform::excludeTrailingBackslash(programFolder_));
        CloseTask(L::kAddressBook);
    }

    AddManifest();
    FinishArchive();
    return Failed();
}

// An account without a folder of its own (no Opera folder, or a line of the
// account list that names none) still closes its tasks, so the progress shows
// every ticked item, but reads nothing: "M\" + "" would be every account's mail.
void Opera6Collector::BackupAccount(const QString& account) {
    const bool haveFolder = !mail_.isEmpty() && L::isAccountFolderName(account);
    const QString folder = mail_ + QLatin1Char('\\') + account;
    for (const int item : {L::kAccounts, L::kMailFolders, L::kFilters, L::kSignatures}) {
        if (!ItemTicked(item)) continue;
        if (haveFolder && item == L::kMailFolders)
            AddMailFolders(account);
        else if (haveFolder && item == L::kSignatures)
            AddSignature(account);
        else if (haveFolder)
            AddRows(L::accountFiles(), item, folder, account);
        CloseTask(item);
    }
}

void Opera6Collector::AddMailFolders(const QString& account) {
    const QString folder = mail_ + QLatin1Char('\\') + account;
    const QString base = mail_ + QLatin1Char('\\');
    // A folder holding several ".mbs" files is found once per file; its
    // files are added, and it is mapped, once.
    const QStringList found =
        DistinctFolders(FindFolders(folder, QStringLiteral("*.mbs")), Qt::CaseSensitive);
    QStringList map;
    for (const QString& f : found) {
        const QString g = platform::excludeTrailingBackslash(f);
        if (g == folder) continue;
        AddFolder(g, QString(), base, QStringLiteral("idx"));
        AddFolder(g, QString(), base, QStringLiteral("mbs"));
        Add(g + QStringLiteral("\\folder.ini"), QString(), base);
    }
    for (const QString& f : found) {
        const QString g = platform::excludeTrailingBackslash(f);
        if (!g.startsWith(base)) continue; // the search reports folders below its start
        const QString relative = g.mid(base.size());
        if (relative.compare(account, Qt::CaseInsensitive) != 0) map << relative;
    }
    const QString staging = StagingFolderFor(account) + QLatin1Char('\\');
    const QString mapFile = staging + QStringLiteral("directory.ini");
    WriteMapFile(mapFile, NumberedKeys(QStringLiteral("Dir"), map));
    Add(mapFile, account, staging);

    AddFolder(folder, QString(), base, QStringLiteral("mbs"));
    AddFolder(folder, QString(), base, QStringLiteral("idx"));
    Add(folder + QStringLiteral("\\Folder.ini"), QString(), base);
}

void Opera6Collector::AddSignature(const QString& account) {
    const QString folder = mail_ + QLatin1Char('\\') + account;
    const auto settings =
        platform::IniFile::load(ctx_.files, folder + QStringLiteral("\\Account.ini"));
    const QString file = settings ? settings.value().readString(QStringLiteral("OUTGOING"),
                                                                QStringLiteral("SignatureFile"))
                                  : QString();
    const QString dir = platform::extractFilePath(file);

    platform::IniFile map;
    map.writeString(QStringLiteral("Directory"), QStringLiteral("Dir"), dir);
    map.writeString(QStringLiteral("Files"), QStringLiteral("File"),
                    platform::extractFileName(file));
    const QString staging = StagingFolderFor(account) + QLatin1Char('\\');
    const QString mapFile = staging + QStringLiteral("signatures.ini");
    SaveStagingIni(map, mapFile);
    Add(mapFile, account, staging);

    // No entry for an empty or relative path: it would name a file of the
    // host's current folder, not the signature.
    if (HasDrive(file)) Add(file, account + QStringLiteral("\\Signatures"), dir);
}

bool Opera7Collector::Run() {
    const QString appData =
        platform::excludeTrailingBackslash(ShellFolder(QStringLiteral("AppData")));
    // Without an application-data folder on a drive there is nothing to read;
    // the tasks are still closed so that the progress shows all five.
    const bool haveFolder = HasDrive(appData);
    const QString r = appData + QLatin1Char('\\') + L::opera7Folder();
    BeginArchive();

    if (IdentityTicked(0)) {
        const QString mail = r + QStringLiteral("\\Mail");
        const auto addFolder = [&](const QString& sub, const QString& base, int item) {
            if (haveFolder) AddFolder(sub, QString(), base);
            CloseTask(item);
        };
        addFolder(mail, r + QLatin1Char('\\'), L::kMailFolders);
        addFolder(mail + QStringLiteral("\\Cache"), mail + QLatin1Char('\\'), L::kMailFolders);
        addFolder(mail + QStringLiteral("\\index"), mail + QLatin1Char('\\'), L::kMailFolders);
        addFolder(mail + QStringLiteral("\\storage"), mail + QLatin1Char('\\'), L::kSignatures);
        if (haveFolder)
            Add(r + QStringLiteral("\\profile\\contacts.adr"), QString(),
                r + QStringLiteral("\\profile\\"));
        CloseTask(L::kAddressBook);
    }

    AddManifest();
    FinishArchive();
    return Failed();
}

} // namespace backup
