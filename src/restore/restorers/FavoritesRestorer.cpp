#include "restore/restorers/FavoritesRestorer.h"

#include "backup/collectors/Collector.h"
#include "clients/layouts/FavoritesLayout.h"
#include "platform/DriveMap.h"

namespace restore {

void FavoritesRestorer::Prepare() {
    const QString f =
        platform::excludeTrailingBackslash(ShellFolder(clients::FavoritesLayout::shellFolder()));
    if (backup::Collector::HasDrive(f)) favorites_ = f;
    AddRoot(favorites_);
}

FavoritesRestorer::Where FavoritesRestorer::Locate(const QString& entry) {
    Where w;
    w.item = clients::FavoritesLayout::kFavorites;
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    const QString top = entry.left(slash);
    if (slash < 0 || !top.startsWith(QLatin1String("Dir"), Qt::CaseInsensitive) ||
        favorites_.isEmpty())
        return w;
    // A number the map lacks names no folder: reported rather than guessed.
    const QString key = QStringLiteral("Dir") + top.mid(3);
    if (!in_.manifest.directoryIni.hasKey(QStringLiteral("Directory"), key)) return w;
    // The map names folders below Favorites. One that would leave it ("..", a
    // drive, in either separator form) is left to the destination check, which
    // refuses the restore naming it.
    const QString sub = in_.manifest.directoryIni.readString(QStringLiteral("Directory"), key);
    w.winPath =
        Below(sub.isEmpty() ? favorites_ : favorites_ + QLatin1Char('\\') + sub, entry, slash + 1);
    return w;
}

} // namespace restore
