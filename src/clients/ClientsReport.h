#pragma once
// A plain-text account of what the catalogue finds in a prefix: the default
// client, which clients are installed, their versions, and for every client
// code its identities and items. Used by postora-inspect.

#include <QStringList>

namespace clients {

class ClientCatalogue;

QStringList ClientsReport(ClientCatalogue& catalogue);

} // namespace clients
