#include "schedule/RunUninstall.h"

#include "platform/Files.h"
#include "schedule/CompanionControl.h"

#include <QFile>

namespace schedule {

bool RunUninstall(CompanionControl& companion, const platform::Files& fs) {
    companion.End(); // "Message2" when it cannot be opened; the file goes all the same
    const QString path = companion.CompanionPath();
    if (fs.fileExists(path)) fs.removeFile(path);
    // The session's autostart entry would start a program that is gone. The
    // Run value stays for switching the schedule off.
    const QString autostart = CompanionControl::AutostartPath();
    if (QFile::exists(autostart)) QFile::remove(autostart);
    return !fs.fileExists(path) && !QFile::exists(autostart);
}

} // namespace schedule
