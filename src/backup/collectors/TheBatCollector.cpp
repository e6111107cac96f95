#include "backup/collectors/TheBatCollector.h"

#include "backup/Manifest.h"
#include "platform/DriveMap.h"
#include "platform/Registry.h"

namespace backup {

namespace {
const QString kProgramKey = QStringLiteral("\\Software\\RIT\\The Bat!");
const QString kUsersKey = QStringLiteral("\\Software\\RIT\\The Bat!\\Users Depot");

enum Item { kAccountsItem, kMailFolders, kFilters, kAddressBook };

// The path of a found folder below the user's folder, with the found folder's
// trailing '\' ("C:\U\Inbox\" below "C:\U" is "Inbox\"; the user's folder
// itself is empty). The search reports every folder below the one it was given.
QString relativeFolder(const QString& found, const QString& userFolder) {
    const QString prefix = userFolder + QLatin1Char('\\');
    return found.startsWith(prefix, Qt::CaseInsensitive) ? found.mid(prefix.size()) : found;
}
} // namespace

bool RunTheBat(BackupContext& ctx, const BackupRequest& request) {
    TheBatCollector collector(ctx, request);
    return collector.Run();
}

bool TheBatCollector::Run() {
    BeginArchive();
    // The value ends in '\'. Read once: it is the same for every user, and the
    // address books need it also when no user is ticked.
    const QString working = platform::excludeTrailingBackslash(
        ReadString(platform::HKEY_CURRENT_USER, kProgramKey, QStringLiteral("Working Directory")));

    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) BackupUser(i, working);
    }

    if (ItemTicked(kAddressBook)) {
        const QString book = QStringLiteral("Address Book");
        const QString base = working + QLatin1Char('\\');
        AddFolder(working, book, base, QStringLiteral("abd"));
        Add(base + QStringLiteral("Groups.cfg"), book, base);
        Add(base + QStringLiteral("Addrbook.ini"), book, base);
        CloseTask(kAddressBook);
    }

    WriteManifest();
    const QString base = Staging() + QLatin1Char('\\');
    Add(base + QStringLiteral("infobak.ini"), QString(), base);
    FinishArchive();
    return Failed();
}

void TheBatCollector::BackupUser(int position, const QString& working) {
    const int n = position + 1;
    const QString user =
        ReadString(platform::HKEY_CURRENT_USER, kUsersKey, QStringLiteral("User #%1").arg(n));
    const QString dir =
        ReadString(platform::HKEY_CURRENT_USER, kUsersKey, QStringLiteral("Dir #%1").arg(n));
    folderMap_[std::size_t(position)] = dir.isEmpty() ? QStringLiteral("default") : dir;

    // The user's name names the archive folder, and the folder below the
    // working folder when "Dir #" is empty: a name that is no plain folder name
    // ("..", empty, with a separator) must neither read a folder outside the
    // working folder nor store files outside the user's archive folder.
    const bool plain = SafeFolderName(user) == user;
    const QString archiveFolder = SafeFolderName(user);
    QString folder = platform::excludeTrailingBackslash(dir);
    if (dir.isEmpty() && plain && !working.isEmpty()) folder = working + QLatin1Char('\\') + user;

    if (ItemTicked(kMailFolders)) {
        AddMailFolders(position, folder, archiveFolder);
        CloseTask(kMailFolders);
    }
    if (ItemTicked(kAccountsItem)) {
        AddFiles(folder, {QStringLiteral("account.cfg"), QStringLiteral("account.vcf")},
                 archiveFolder);
        CloseTask(kAccountsItem);
    }
    if (ItemTicked(kFilters)) {
        AddFiles(folder, {QStringLiteral("account.srx")}, archiveFolder);
        CloseTask(kFilters);
    }
}

void TheBatCollector::AddMailFolders(int position, const QString& folder,
                                     const QString& archiveFolder) {
    // A folder with several message bases is found once per base; it is
    // listed once, so that no file is stored twice. Folders whose names differ
    // in letter case only are different folders on the host: both are kept.
    const QStringList found =
        DistinctFolders(FindFolders(folder, QStringLiteral("*.tbi")), Qt::CaseSensitive);
    const QString base = folder + QLatin1Char('\\');
    QStringList relative;
    for (const QString& g : found) {
        Add(g + QStringLiteral("Messages.tbi"), archiveFolder, base);
        Add(g + QStringLiteral("Messages.tbb"), archiveFolder, base);
        relative << relativeFolder(g, folder);
    }
    AddFiles(folder,
             {QStringLiteral("account.flx"), QStringLiteral("account.m_d"),
              QStringLiteral("account.m_r"), QStringLiteral("account.pfx"),
              QStringLiteral("account.qtn"), QStringLiteral("account.sce")},
             archiveFolder);

    // Every user's map in a staging folder of its own, stored in the user's
    // archive folder: no user's map overwrites another's.
    const QString staging = StagingFolderFor(QStringLiteral("TheBat user %1").arg(position + 1));
    const QString map = staging + QStringLiteral("\\directory.ini");
    WriteMapFile(map, NumberedKeys(QStringLiteral("Dir"), relative));
    Add(map, archiveFolder, staging + QLatin1Char('\\'));
}

void TheBatCollector::AddFiles(const QString& folder, const QStringList& names,
                               const QString& archiveFolder) {
    const QString base = folder + QLatin1Char('\\');
    for (const QString& name : names)
        Add(base + name, archiveFolder, base);
}

void TheBatCollector::WriteManifest() {
    Manifest m;
    m.emailClient = QStringLiteral("TheBat");
    m.identities = TickedIdentityNames();
    m.items = TickedItemNames();
    QStringList folders;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) folders << folderMap_[std::size_t(i)];
    }
    m.directory = NumberedKeys(QStringLiteral("Item"), folders);
    WriteManifestFile(Staging() + QStringLiteral("\\infobak.ini"), m);
}

} // namespace backup
