#pragma once
// Where the companion keeps the lock that allows one companion per user.

#include <QString>

namespace platform {
class Registry;
}

namespace schedule::companion {

// Beside the program's own hive: "ZuveDizizo.lock".
QString CompanionLockPath(const platform::Registry& reg);

} // namespace schedule::companion
