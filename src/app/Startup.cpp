#include "app/Startup.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/WindowsSource.h"
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
    // Reached only without DISPLAY and WAYLAND_DISPLAY: say what works without windows.
    std::fprintf(stderr, "postora: the windows need a display (DISPLAY or WAYLAND_DISPLAY is not "
                         "set); without one, back up with /b, restore with /r:<archive>, and see "
                         "postora --help for every command\n");
    return kExitOk;
}

int StartupHooks::openRestore(AppContext&, const QString& archive) {
    // A bare file name is what a file manager passes: without a display it
    // must not start a restore that overwrites the client's data unasked.
    std::fprintf(stderr,
                 "postora: opening a backup needs a display; to restore it from the command "
                 "line, run: postora \"/r:%s\" [/p:<folder>]\n",
                 qUtf8Printable(archive));
    return kExitBadCommand;
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
    QString restoreArchive;
    if (!args.isEmpty()) {
        CommandLine commandLine(ctx, handlers);
        const CommandLine::Outcome out = commandLine.ParseCommandLine(args);
        endRequested = endRequested || out.terminate;
        // A missing library already failed the run, whatever the command did.
        if (status == kExitOk) status = out.exitStatus;
        targetPath = out.targetPath;
        restoreArchive = out.restoreArchive;
    }
    if (endRequested) return status;
    if (!restoreArchive.isEmpty()) return hooks.openRestore(ctx, restoreArchive);
    return hooks.runMainWindow(ctx, targetPath);
}

int SelectWindowsSource(QStringList& args, const std::function<void(const QString&)>& report,
                        std::optional<platform::WindowsInstallation>& chosen) {
    bool hasFolder = false;
    bool restore = false;
    QStringList rest;
    for (const QString& a : std::as_const(args)) {
        if (a.left(3).compare(QLatin1String("/w:"), Qt::CaseInsensitive) == 0)
            hasFolder = hasFolder || a.size() > 3;
        else if (a.left(3).compare(QLatin1String("/u:"), Qt::CaseInsensitive) != 0)
            rest << a;
        restore = restore || a.left(3).compare(QLatin1String("/r:"), Qt::CaseInsensitive) == 0;
    }
    // A backup file named alone restores too.
    restore = restore || (!rest.isEmpty() && IsFileArgument(rest.first()));
    if (hasFolder && restore) {
        report(QStringLiteral("postora: a backup is restored into the Wine prefix only, not "
                              "with /w:"));
        return kExitBadCommand;
    }
    return TakeWindowsSource(
        args, [&report](const QString& line) { report(QStringLiteral("postora: ") + line); },
        chosen);
}

} // namespace app
