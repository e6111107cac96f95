#include "backup/collectors/FavoritesCollector.h"

#include "clients/layouts/FavoritesLayout.h"
#include "platform/DriveMap.h"

namespace backup {

namespace {
using L = clients::FavoritesLayout;
} // namespace

bool RunFavorites(BackupContext& ctx, const BackupRequest& request) {
    FavoritesCollector collector(ctx, request);
    return collector.Run();
}

bool FavoritesCollector::Run() {
    const QString favorites = platform::excludeTrailingBackslash(ShellFolder(L::shellFolder()));
    BeginArchive();

    // A folder is found once per shortcut in it; it is stored and mapped once.
    // Without a folder on a drive nothing is searched: the map stays empty.
    const QStringList found =
        HasDrive(favorites)
            ? DistinctFolders(FindFolders(favorites, QStringLiteral("*.") + L::shortcutExtension()),
                              Qt::CaseSensitive)
            : QStringList();
    const QString prefix = favorites + QLatin1Char('\\');
    QStringList map;
    for (const QString& folder : found) {
        const QString g = platform::excludeTrailingBackslash(folder);
        const QString dir = QStringLiteral("Dir") + QString::number(map.size() + 1);
        AddFolder(g, dir, g + QLatin1Char('\\'), L::shortcutExtension());
        CloseTask(L::kFavorites);
        map << (g.startsWith(prefix) ? g.mid(prefix.size()) : QString());
    }
    // The folder F itself holds no account file: no entry is made for one.
    const QString mapFile = Staging() + QStringLiteral("\\directory.ini");
    WriteMapFile(mapFile, NumberedKeys(QStringLiteral("Dir"), map));
    Add(mapFile, QString(), Staging() + QLatin1Char('\\'));

    AddManifest();
    FinishArchive();
    return Failed();
}

} // namespace backup
