#include "backup/collectors/OutlookExpressCollector.h"
#include "base/RegistryRoots.h"

#include "backup/BackupState.h"
#include "backup/Manifest.h"
#include "clients/layouts/OutlookExpressLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace backup {

namespace {
const QString kHKCU = base::CurrentUserName();
using L = clients::OutlookExpressLayout;
const QString kIdentities = QLatin1Char('\\') + L::identitiesKey();
const QString kOE = QLatin1Char('\\') + L::settingsKey();

// Position of the n-th backslash (1-based n), or -1.
qsizetype nthBackslash(const QString& text, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(QLatin1Char('\\'), at + 1);
        if (at < 0) return -1;
    }
    return at;
}
} // namespace

bool RunOutlookExpress(BackupContext& ctx, const BackupRequest& request) {
    OutlookExpressCollector collector(ctx, request);
    return collector.Run();
}

QString OutlookExpressCollector::UserProfileOf(const QString& appData) {
    const qsizetype at = nthBackslash(appData, 3);
    // Fewer than three levels: the folder itself is the best guess.
    return at >= 0 ? appData.left(at) : platform::excludeTrailingBackslash(appData);
}

QString OutlookExpressCollector::SystemDriveOf(const QString& appData) {
    const qsizetype at = appData.indexOf(QLatin1Char('\\'));
    return at >= 0 ? appData.left(at) : appData;
}

QString OutlookExpressCollector::ExpandPlaceholders(const QString& text, const Folders& folders,
                                                    Expansion mode) {
    const std::pair<QString, QString> table[] = {
        {QStringLiteral("%userprofile%"), folders.userProfile},
        {QStringLiteral("%systemdrive%"), folders.systemDrive},
        {QStringLiteral("%programfiles%"), folders.programFiles},
        {QStringLiteral("%systemroot%"), folders.windows},
    };
    QString result = text;
    for (const auto& [placeholder, replacement] : table) {
        const QString& source = mode == Expansion::Cumulative ? result : text;
        const qsizetype at = source.indexOf(placeholder, 0, Qt::CaseInsensitive);
        if (at < 0) continue;
        // Replaced where it stands; the stored values have it at the start.
        result = source.left(at) + replacement + source.mid(at + placeholder.size());
    }
    return result;
}

OutlookExpressCollector::Folders OutlookExpressCollector::ReadFolders() {
    Folders f;
    f.appData = ShellFolder(QStringLiteral("AppData"));
    ctx_.job.applicationDataFolder = f.appData;
    f.userProfile = UserProfileOf(f.appData);
    f.systemDrive = SystemDriveOf(f.appData);
    f.programFiles =
        ReadString(platform::HKEY_LOCAL_MACHINE, L::programFilesKey(), QStringLiteral("AppData"));
    if (f.programFiles.isEmpty())
        f.programFiles = f.systemDrive + QStringLiteral("\\Program Files");
    f.stationery = ReadString(platform::HKEY_LOCAL_MACHINE, L::stationeryKey(),
                              QStringLiteral("Stationery Folder"));
    f.windows = platform::windowsFolder(ctx_.files.drives());
    return f;
}

bool OutlookExpressCollector::Run() {
    BeginArchive();
    const Folders folders = ReadFolders();
    // Without it the store roots, the address book and the stationery are
    // guessed from nothing: no archive rather than one without mail.
    if (folders.appData.isEmpty())
        Refuse(QStringLiteral("The \"AppData\" shell folder of the user could not be read "
                              "(HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                              "Explorer\\Shell Folders), so the mail folders are not known. "
                              "Error code: 3120"));

    for (int i = 0; i < request_.identityCount; ++i) {
        if (!IdentityTicked(i)) continue;
        // Every sub-key is examined: a second one with the same user name is
        // backed up as well and its key replaces the first in the manifest.
        for (const QString& key : SubKeyNames(platform::HKEY_CURRENT_USER, kIdentities)) {
            const QString user =
                ReadString(platform::HKEY_CURRENT_USER, kIdentities + QLatin1Char('\\') + key,
                           QStringLiteral("Username"));
            if (user == IdentityName(i)) BackupIdentity(i, key, folders);
        }
    }

    const QString base = Staging() + QLatin1Char('\\');
    if (ItemTicked(L::kAddressBook)) {
        const L::DumpRow& dump = L::addressBookDump();
        ExportAndAdd(kHKCU, QLatin1String(dump.key), dump.subKeys,
                     Staging() + QLatin1Char('\\') + QLatin1String(dump.file), base);
        const QString wabFile =
            ReadString(platform::HKEY_CURRENT_USER, L::addressBookFileKey(), QString());
        const QString folder = platform::extractFilePath(wabFile);
        AddFolder(folder, L::addressBookFolder(), folder);
        CloseTask(L::kAddressBook);
    }
    QString stationery = folders.stationery;
    if (ItemTicked(L::kStationery)) {
        stationery = ExpandPlaceholders(stationery, folders, Expansion::Cumulative);
        AddFolder(stationery, L::stationeryFolder(), stationery);
        CloseTask(L::kStationery);
    }

    WriteManifests(stationery);
    for (const char* name : {"infobak.ini", "others.ini", "stationery.ini"})
        Add(Staging() + QLatin1Char('\\') + QLatin1String(name), QString(), Staging());

    FinishArchive();
    return Failed();
}

void OutlookExpressCollector::BackupIdentity(int i, const QString& key, const Folders& folders) {
    const QString idKey = kIdentities + QLatin1Char('\\') + key;
    identityKeys_[std::size_t(i)] = key;
    const QString storeRoot =
        ReadString(platform::HKEY_CURRENT_USER, idKey + kOE, QStringLiteral("Store Root"));
    storeRoots_[std::size_t(i)] = platform::excludeTrailingBackslash(storeRoot);
    const QString mailFolder = ExpandPlaceholders(storeRoot, folders, Expansion::FromValue);

    const QString dir = StagingFolderFor(IdentityName(i)) + QLatin1Char('\\');
    const QString base = Staging() + QLatin1Char('\\');
    const auto dumps = [&](int item) {
        for (const L::DumpRow& row : L::identityDumps())
            if (row.item == item)
                ExportAndAdd(kHKCU,
                             (row.belowIdentity ? idKey : QString()) + QLatin1String(row.key),
                             row.subKeys, dir + QLatin1String(row.file), base);
    };
    dumps(-1);
    for (const int item : {L::kAccounts, L::kMailFolders, L::kSignatures, L::kRules}) {
        if (!ItemTicked(item)) continue;
        dumps(item);
        // The store's files go under the identity key.
        if (item == L::kMailFolders)
            AddFolder(mailFolder, key, platform::includeTrailingBackslash(mailFolder));
        CloseTask(item);
    }
}

void OutlookExpressCollector::WriteManifests(const QString& stationery) {
    Manifest m;
    m.emailClient = ManifestClientName();
    QStringList keys;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) {
            m.identities << IdentityName(i);
            keys << identityKeys_[std::size_t(i)];
        }
    }
    for (int i = 0; i < request_.itemCount; ++i) {
        if (ItemTicked(i)) m.items << ItemName(i);
    }
    m.directory = NumberedKeys(QStringLiteral("Item"), keys);
    const QString s = Staging() + QLatin1Char('\\');
    WriteManifestFile(s + QStringLiteral("infobak.ini"), m);

    QStringList roots;
    for (int i = 0; i < request_.identityCount; ++i)
        roots << storeRoots_[std::size_t(i)];
    WriteMapFile(s + QStringLiteral("others.ini"), NumberedKeys(QStringLiteral("Item"), roots));
    WriteMapFile(s + QStringLiteral("stationery.ini"),
                 {{QStringLiteral("Stationery"), stationery}});
}

} // namespace backup
