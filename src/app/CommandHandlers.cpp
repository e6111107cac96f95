#include "app/CommandLine.h"

#include "schedule/UnattendedRun.h"

namespace app {

CommandHandlers DefaultCommandHandlers() {
    CommandHandlers h;
    h.runAuto = &schedule::RunAutoCommand;
    h.runUninstall = &schedule::RunUninstallCommand;
    h.trayIcon = [](bool) {};
    return h;
}

} // namespace app
