#include "schedule/companion/CompanionLock.h"

#include "platform/Registry.h"

#include <QFileInfo>

namespace schedule::companion {

QString CompanionLockPath(const platform::Registry& reg) {
    return QFileInfo(reg.config().ownHivePath).absolutePath() + QStringLiteral("/ZuveDizizo.lock");
}

} // namespace schedule::companion
