#pragma once
// The Internet Explorer Favorites folder (client code 10): every internet
// shortcut of the folder and its sub-folders, the n-th folder's shortcuts
// stored flat below "Dir<n>", with the map of what each number stands for.

#include "backup/collectors/Collector.h"

namespace backup {

bool RunFavorites(BackupContext& ctx, const BackupRequest& request);

class FavoritesCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;
};

} // namespace backup
