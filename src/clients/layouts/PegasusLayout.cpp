#include "clients/layouts/PegasusLayout.h"

namespace clients {

QString PegasusLayout::mailboxFolder(const QString& value) {
    const qsizetype at = value.lastIndexOf(QLatin1Char('\\'));
    return at >= 0 ? value.left(at) : value;
}

std::vector<OwnKey> PegasusLayout::ownKeys() {
    return {{OwnKey::LocalMachine, userModeKey(), false}};
}

} // namespace clients
