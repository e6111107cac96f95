#pragma once
// Start-up with a display: the splash, then every window in its order, the
// main window shown at the end. The windows live as long as this object.

#include "app/Startup.h"

#include <functional>
#include <memory>

namespace backup {
class ProgressWindow;
}
namespace clients {
class RunningClientsWindow;
}
namespace options {
class PasswordPrompt;
class OptionsDialog;
} // namespace options
namespace schedule {
class CompanionControl;
class ScheduleDialog;
} // namespace schedule

namespace app {

class GuiInteraction;
class MainWindow;
class AboutBox;
class SplashScreen;

class GuiStartupHooks : public StartupHooks {
public:
    // ui: where the guard and password windows are registered; may be null
    // (tests record what is shown through a fake instead).
    explicit GuiStartupHooks(GuiInteraction* ui);
    ~GuiStartupHooks() override;

    void splashStatus(int percent) override;
    void createMainWindow(AppContext& ctx) override;
    void fillOptionsTab(AppContext& ctx) override;
    void placeMainWindow(AppContext& ctx) override;
    void createSharedWindow(AppContext& ctx) override;
    std::vector<lang::CaptionWindow*> captionWindows() override;
    void fillMainWindow(AppContext& ctx) override;
    void createWindow(AppContext& ctx, int percent) override;
    void hideSplash() override;
    int runMainWindow(AppContext& ctx, const QString& targetPath) override;
    int openRestore(AppContext& ctx, const QString& archive) override;

    // For tests: the windows as they are made.
    MainWindow* mainWindow() const { return form1_.get(); }
    SplashScreen* splash() const { return splash_.get(); }
    backup::ProgressWindow* progressWindow() const { return form2_.get(); }
    options::OptionsDialog* optionsWindow() const { return form9_.get(); }
    schedule::ScheduleDialog* scheduleWindow() const { return form10_.get(); }
    // Every status text the splash showed, in order.
    const QStringList& splashLog() const { return splashLog_; }
    // Off: runMainWindow shows the window but does not run the event loop.
    void setRunEventLoop(bool on) { runLoop_ = on; }

private:
    void runProgress(AppContext& ctx);
    // A box of start-up: the splash is hidden while it shows.
    void besideSplash(const std::function<void()>& showBox);
    void switchLanguage(AppContext& ctx, const QString& name);
    void showSchedule(AppContext& ctx);
    // The language chosen again and the main window's fields refilled.
    void selectLanguage(AppContext& ctx);

    GuiInteraction* gui_;
    std::unique_ptr<SplashScreen> splash_;
    // Before the windows that use it, so it outlives them.
    std::unique_ptr<schedule::CompanionControl> companion_;
    std::unique_ptr<MainWindow> form1_;
    std::unique_ptr<clients::RunningClientsWindow> form5_;
    std::unique_ptr<backup::ProgressWindow> form2_;
    std::unique_ptr<AboutBox> form4_;
    std::unique_ptr<options::PasswordPrompt> password_;
    std::unique_ptr<options::OptionsDialog> form9_;
    std::unique_ptr<schedule::ScheduleDialog> form10_;
    QStringList splashLog_;
    bool runLoop_ = true;
};

} // namespace app
