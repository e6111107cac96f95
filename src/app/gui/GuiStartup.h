#pragma once
// Start-up with a display: the splash, then every window in its order, the
// main window shown at the end. The windows live as long as this object.

#include "app/Startup.h"

#include <memory>

namespace backup {
class TForm2;
}
namespace clients {
class TForm5;
}
namespace options {
class Tpasswordform1;
}

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
    void placeMainWindow(AppContext& ctx) override;
    void createSharedWindow(AppContext& ctx) override;
    std::vector<lang::CaptionWindow*> captionWindows() override;
    void fillMainWindow(AppContext& ctx) override;
    void createWindow(AppContext& ctx, int percent) override;
    void hideSplash() override;
    int runMainWindow(AppContext& ctx, const QString& targetPath) override;

    // For tests: the windows as they are made.
    TForm1* mainWindow() const { return form1_.get(); }
    TSplashScreen* splash() const { return splash_.get(); }
    backup::TForm2* progressWindow() const { return form2_.get(); }
    // Every status text the splash showed, in order.
    const QStringList& splashLog() const { return splashLog_; }
    // Off: runMainWindow shows the window but does not run the event loop.
    void setRunEventLoop(bool on) { runLoop_ = on; }

private:
    void runProgress(AppContext& ctx);

    GuiInteraction* gui_;
    std::unique_ptr<TSplashScreen> splash_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<clients::TForm5> form5_;
    std::unique_ptr<backup::TForm2> form2_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<options::Tpasswordform1> password_;
    QStringList splashLog_;
    bool runLoop_ = true;
};

} // namespace app
