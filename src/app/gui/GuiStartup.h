#pragma once
// Start-up with a display: the splash, then every window in its order, the
// main window shown at the end. The windows live as long as this object.

#include "app/Startup.h"

#include <functional>
#include <memory>

namespace backup {
class TForm2;
}
namespace clients {
class TForm5;
}
namespace options {
class Tpasswordform1;
class TForm9;
} // namespace options
namespace schedule {
class CompanionControl;
class TForm10;
} // namespace schedule

namespace app {

class GuiInteraction;
class TForm1;
class TForm4;
class TSplashScreen;

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
    TForm1* mainWindow() const { return form1_.get(); }
    TSplashScreen* splash() const { return splash_.get(); }
    backup::TForm2* progressWindow() const { return form2_.get(); }
    options::TForm9* optionsWindow() const { return form9_.get(); }
    schedule::TForm10* scheduleWindow() const { return form10_.get(); }
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
    std::unique_ptr<TSplashScreen> splash_;
    // Before the windows that use it, so it outlives them.
    std::unique_ptr<schedule::CompanionControl> companion_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<clients::TForm5> form5_;
    std::unique_ptr<backup::TForm2> form2_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<options::Tpasswordform1> password_;
    std::unique_ptr<options::TForm9> form9_;
    std::unique_ptr<schedule::TForm10> form10_;
    QStringList splashLog_;
    bool runLoop_ = true;
};

} // namespace app
