#include "clients/ClientKeys.h"

#include "clients/Clients.h"
#include "clients/layouts/IncrediMailLayout.h"
#include "clients/layouts/NetscapeLayout.h"
#include "clients/layouts/OutlookExpressLayout.h"
#include "clients/layouts/OutlookLayout.h"
#include "clients/layouts/PegasusLayout.h"

namespace clients {

namespace {
// The clients whose backups carry dumps, and their layouts' keys.
const struct {
    int code;
    std::vector<OwnKey> (*keys)();
} kOwnKeys[] = {
    {kOutlookExpress, &OutlookExpressLayout::ownKeys},
    {kOutlook, &OutlookLayout::ownKeys},
    {kIncrediMail, &IncrediMailLayout::ownKeys},
    {kPegasus, &PegasusLayout::ownKeys},
    {kNetscape4, &NetscapeLayout::ownKeys},
};
} // namespace

std::vector<OwnKey> OwnRegistryKeys(int clientCode) {
    for (const auto& row : kOwnKeys)
        if (row.code == clientCode) return row.keys();
    return {};
}

} // namespace clients
