#pragma once
// The registry keys each client's collector writes into its dumps: the only
// keys a restore of that client may create, change or delete. Each client's
// layout lists its own.

#include "clients/layouts/Layout.h"

#include <vector>

namespace clients {

// Empty for a client whose backups carry no dumps.
std::vector<OwnKey> OwnRegistryKeys(int clientCode);

} // namespace clients
