#include "backup/collectors/TheBatCollector.h"

#include "backup/Manifest.h"
#include "clients/layouts/TheBatLayout.h"
#include "platform/DriveMap.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::TheBatLayout;

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
    const QString working = platform::excludeTrailingBackslash(ReadString(
        platform::HKEY_CURRENT_USER, L::programKey(), QStringLiteral("Working Directory")));

    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) BackupUser(i, working);
    }

    if (ItemTicked(L::kAddressBook)) {
        AddRows(L::workingFiles(), L::kAddressBook, working, L::addressBookFolder());
        CloseTask(L::kAddressBook);
    }

    // The manifest maps each ticked user to its "Dir #" value.
    QStringList folders;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) folders << folderMap_[std::size_t(i)];
    }
    AddManifest(NumberedKeys(QStringLiteral("Item"), folders));
    FinishArchive();
    return Failed();
}

void TheBatCollector::BackupUser(int position, const QString& working) {
    const int n = position + 1;
    const QString user =
        ReadString(platform::HKEY_CURRENT_USER, L::usersKey(), QStringLiteral("User #%1").arg(n));
    const QString dir =
        ReadString(platform::HKEY_CURRENT_USER, L::usersKey(), QStringLiteral("Dir #%1").arg(n));
    folderMap_[std::size_t(position)] = dir.isEmpty() ? QStringLiteral("default") : dir;

    // The user's name names the archive folder, and the folder below the
    // working folder when "Dir #" is empty: a name that is no plain folder name
    // ("..", empty, with a separator) must neither read a folder outside the
    // working folder nor store files outside the user's archive folder.
    const bool plain = SafeFolderName(user) == user;
    const QString archiveFolder = SafeFolderName(user);
    QString folder = platform::excludeTrailingBackslash(dir);
    if (dir.isEmpty() && plain && !working.isEmpty()) folder = working + QLatin1Char('\\') + user;

    for (const int item : {L::kMailFolders, L::kAccounts, L::kFilters}) {
        if (!ItemTicked(item)) continue;
        if (item == L::kMailFolders)
            AddMailFolders(position, folder, archiveFolder);
        else
            AddRows(L::userFiles(), item, folder, archiveFolder);
        CloseTask(item);
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
    AddRows(L::userFiles(), L::kMailFolders, folder, archiveFolder);

    // Every user's map in a staging folder of its own, stored in the user's
    // archive folder: no user's map overwrites another's.
    const QString staging = StagingFolderFor(QStringLiteral("TheBat user %1").arg(position + 1));
    const QString map = staging + QStringLiteral("\\directory.ini");
    WriteMapFile(map, NumberedKeys(QStringLiteral("Dir"), relative));
    Add(map, archiveFolder, staging + QLatin1Char('\\'));
}

} // namespace backup
