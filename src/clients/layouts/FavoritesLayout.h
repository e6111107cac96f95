#pragma once
// Internet Explorer's favorites: the shortcut files below the "Favorites"
// shell folder.

#include <QString>

namespace clients {

struct FavoritesLayout {
    enum Item { kFavorites };

    static QString shellFolder() { return QStringLiteral("Favorites"); }
    static QString shortcutExtension() { return QStringLiteral("url"); }
};

} // namespace clients
