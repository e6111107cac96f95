#include "app/CommandLine.h"

#include <cstdio>

namespace app {

namespace {
int notAvailable(const char* command) {
    std::fprintf(stderr, "postora: %s is not available in this build\n", command);
    return kExitFailed;
}
} // namespace

// "/auto" and "/uninstall" are built with the schedule; until then they say so.
CommandHandlers DefaultCommandHandlers() {
    CommandHandlers h;
    h.runAuto = [](AppContext&) { return notAvailable("/auto"); };
    h.runUninstall = [](AppContext&) { return notAvailable("/uninstall"); };
    h.trayIcon = [](bool) {};
    return h;
}

} // namespace app
