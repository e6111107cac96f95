#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "backup/BackupJob.h"
#include "base/ErrorLine.h"
#include "base/ExitStatus.h"
#include "lang/Localization.h"
#include "platform/Files.h"
#include "schedule/CompanionControl.h"
#include "schedule/RunUninstall.h"
#include "schedule/UnattendedRun.h"

namespace app {

int RunAutoCommand(AppContext& ctx) {
    backup::BackupJob* job = ctx.job();
    if (!job) {
        base::WriteErrorLine(QStringLiteral("postora: /auto: the backup engine is not ready"));
        return kExitFailed;
    }
    schedule::UnattendedRun run(schedule::UnattendedRun::Deps{
        ctx.registry(), ctx.files(), ctx.catalogue(), ctx.settings(), *job, ctx.ui(),
        [&ctx](const QString& key) { return ctx.message(key); }});
    return run.Run();
}

int RunUninstallCommand(AppContext& ctx) {
    schedule::CompanionControl companion(
        ctx.registry(), ctx.files(), ctx.procList(), ctx.settings().programFolder,
        [&ctx](const QString& key) { ctx.localization().messageBox().ShowErrorMessage(key); });
    if (schedule::RunUninstall(companion, ctx.files())) return kExitOk;
    // Not told in a box, but a script learns it.
    if (ctx.files().fileExists(companion.CompanionPath()))
        base::WriteErrorLine(
            QStringLiteral("postora: /uninstall: cannot delete %1").arg(companion.CompanionPath()));
    return kExitFailed;
}

CommandHandlers DefaultCommandHandlers() {
    CommandHandlers h;
    h.runAuto = &RunAutoCommand;
    h.runUninstall = &RunUninstallCommand;
    h.trayIcon = [](bool) {};
    return h;
}

} // namespace app
