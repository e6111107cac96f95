#include "app/Startup.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "lang/Localization.h"

#include <cstdio>

namespace app {

const char* const kSqxMissingText = "SQX.DLL not found! Reinstall Quorvel!";

int StartupHooks::windowLeft() const {
    return base::Settings::kDesignLeft;
}
int StartupHooks::windowTop() const {
    return base::Settings::kDesignTop;
}

int StartupHooks::runMainWindow(AppContext&, const QString&) {
    std::fprintf(stderr, "postora: the main window is not available in this build; "
                         "use /b to back up\n");
    return kExitOk;
}

int RunProgram(AppContext& ctx, StartupHooks& hooks, const CommandHandlers& handlers,
               const QStringList& args, const QString& programHostFolder) {
    hooks.splashStatus(0);
    hooks.createMainWindow(ctx);
    SettingsStore& store = ctx.settingsStore();
    store.InitFolders();
    store.LoadOptionSettings();
    hooks.fillOptionsTab(ctx);
    store.LoadMainSettings(hooks.windowLeft(), hooks.windowTop());
    hooks.placeMainWindow(ctx);

    hooks.splashStatus(10);
    hooks.createSharedWindow(ctx);

    hooks.splashStatus(15);
    (void)ctx.localization().SelectLanguageFile(hooks.captionWindows());
    hooks.fillMainWindow(ctx);

    hooks.splashStatus(20);
    bool endRequested = false;
    int status = kExitOk;
    if (!ctx.InitBackupEngine(programHostFolder)) {
        ctx.ui().showError(QString::fromLatin1(kSqxMissingText));
        endRequested = true;
        status = kExitFailed;
    }

    for (int percent : {25, 35, 65, 80, 90}) {
        hooks.splashStatus(percent);
        hooks.createWindow(ctx, percent);
    }
    hooks.splashStatus(100);
    hooks.hideSplash();

    QString targetPath;
    if (!args.isEmpty()) {
        CommandLine commandLine(ctx, handlers);
        const CommandLine::Outcome out = commandLine.ParseCommandLine(args);
        endRequested = endRequested || out.terminate;
        // A missing library already failed the run, whatever the command did.
        if (status == kExitOk) status = out.exitStatus;
        targetPath = out.targetPath;
    }
    if (endRequested) return status;
    return hooks.runMainWindow(ctx, targetPath);
}

} // namespace app
