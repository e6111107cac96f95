#include "schedule/RunUninstall.h"

#include "platform/Files.h"
#include "schedule/CompanionControl.h"

namespace schedule {

bool RunUninstall(CompanionControl& companion, const platform::Files& fs) {
    companion.End(); // "Message2" when it cannot be opened; the file goes all the same
    const QString path = companion.CompanionPath();
    if (fs.fileExists(path)) fs.removeFile(path);
    return !fs.fileExists(path);
}

} // namespace schedule
