#pragma once
// The program's start-up in its fixed order: settings, language, backup
// engine, then the command line or the main window. The windows themselves
// (splash, main window, the shared window, dialogs) come through the hooks, so
// that a run without a display needs none of them.

#include "app/CommandLine.h"
#include "platform/WindowsInstallation.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lang {
class CaptionWindow;
}

namespace app {

class AppContext;

class StartupHooks {
public:
    virtual ~StartupHooks() = default;
    // The splash window's status: "Loading data... please wait. <percent>%".
    virtual void splashStatus(int percent) { (void)percent; }
    // Step 3: the main window (its creation handler runs the settings steps).
    virtual void createMainWindow(AppContext& ctx) { (void)ctx; }
    // Between LoadOptionSettings and LoadMainSettings: the options tab is filled.
    virtual void fillOptionsTab(AppContext& ctx) { (void)ctx; }
    // After the main settings: the main window placed from "X" and "Y".
    virtual void placeMainWindow(AppContext& ctx) { (void)ctx; }
    // The main window's left and top edges (defaults of "X" and "Y").
    virtual int windowLeft() const;
    virtual int windowTop() const;
    // Step 4: the shared window.
    virtual void createSharedWindow(AppContext& ctx) { (void)ctx; }
    // The windows the language file translates.
    virtual std::vector<lang::CaptionWindow*> captionWindows() { return {}; }
    // After the language: the backup folder and schedule fields from the settings.
    virtual void fillMainWindow(AppContext& ctx) { (void)ctx; }
    // Step 7, after each status: 25 the progress window, 35 the about box, 65 the
    // password prompt, 80 the options dialog, 90 the schedule dialog.
    virtual void createWindow(AppContext& ctx, int percent) {
        (void)ctx;
        (void)percent;
    }
    virtual void hideSplash() {}
    // Step 10: shows the main window (targetPath from "/o", wizard mode as the
    // settings say) and runs the message loop; returns the exit status.
    virtual int runMainWindow(AppContext& ctx, const QString& targetPath);
    // Step 10 for a backup file named alone (archive: its absolute host path):
    // the main window shows the wizard's restore pages of that archive.
    // Without windows nothing is restored: the restore is asked for with "/r:".
    virtual int openRestore(AppContext& ctx, const QString& archive);
};

// The whole run: start-up, then ParseCommandLine when there are arguments,
// then the main window unless the end was requested. Returns the exit status.
int RunProgram(AppContext& ctx, StartupHooks& hooks, const CommandHandlers& handlers,
               const QStringList& args, const QString& programHostFolder);

// The text of the error box when the archiving library cannot be loaded.
extern const char* const kSqxMissingText;

// "/w:<folder> [/u:<user>]" anywhere among args: the mounted Windows
// installation to read instead of the Wine prefix, chosen before the program's
// objects are made. Takes both out of args. Returns -1 to go on, else the exit
// status: 2 for a bad choice (several profiles without /u: are listed), 1 for
// an installation whose hives cannot be read. Each line goes to report; the
// installation, when one is named, to chosen.
int SelectWindowsSource(QStringList& args, const std::function<void(const QString&)>& report,
                        std::optional<platform::WindowsInstallation>& chosen);

} // namespace app
