#include "clients/layouts/PegasusLayout.h"

namespace clients {

std::vector<OwnKey> PegasusLayout::ownKeys() {
    return {{OwnKey::LocalMachine, userModeKey(), false}};
}

} // namespace clients
