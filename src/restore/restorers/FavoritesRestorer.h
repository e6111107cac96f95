#pragma once
// Internet Explorer Favorites: the shortcuts of the n-th folder stored flat
// below "Dir<n>", put back into the folder the map names for that number,
// below the current prefix's Favorites folder.

#include "restore/restorers/Restorer.h"

namespace restore {

class FavoritesRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString favorites_; // the Favorites shell folder; empty when not on a drive
};

} // namespace restore
