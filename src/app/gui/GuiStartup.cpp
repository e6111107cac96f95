#include "app/gui/GuiStartup.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/TForm1.h"
#include "app/gui/TSplashScreen.h"
#include "backup/BackupJob.h"
#include "base/Settings.h"
#include "clients/gui/TForm5.h"
#include "lang/Localization.h"
#include "options/gui/Tpasswordform1.h"
#include "platform/Files.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace app {

GuiStartupHooks::GuiStartupHooks(GuiInteraction* ui) : gui_(ui) {}
GuiStartupHooks::~GuiStartupHooks() = default;

void GuiStartupHooks::splashStatus(int percent) {
    if (!splash_) {
        splash_ = std::make_unique<TSplashScreen>(QPixmap());
        splash_->show();
        QApplication::setApplicationDisplayName(QString());
    }
    splash_->setStatus(percent);
    splashLog_ << splash_->statusText();
}

void GuiStartupHooks::createMainWindow(AppContext& ctx) {
    form1_ = std::make_unique<TForm1>(ctx);
    TForm1::Hooks hooks;
    hooks.selectLanguage = [this, &ctx] {
        (void)ctx.localization().SelectLanguageFile(captionWindows());
        fillMainWindow(ctx);
    };
    hooks.showProgress = [this, &ctx] { runProgress(ctx); };
    hooks.openFolder = [&ctx](const QString& winFolder) {
        const platform::Result<QString> host = ctx.files().hostPath(winFolder);
        if (host) QDesktopServices::openUrl(QUrl::fromLocalFile(*host));
    };
    form1_->setHooks(std::move(hooks));
}

void GuiStartupHooks::placeMainWindow(AppContext& ctx) {
    form1_->PlaceWindow(ctx.settings().x, ctx.settings().y);
}

void GuiStartupHooks::createSharedWindow(AppContext& ctx) {
    form5_ = std::make_unique<clients::TForm5>(nullptr, &ctx.localization().captions());
    if (gui_) gui_->setGuardWindow(form5_.get());
}

std::vector<lang::CaptionWindow*> GuiStartupHooks::captionWindows() {
    // Creation order: the language file reaches the windows as they were made.
    std::vector<lang::CaptionWindow*> windows;
    if (form1_) windows.push_back(form1_.get());
    if (form5_) windows.push_back(form5_.get());
    if (password_) windows.push_back(password_.get());
    return windows;
}

void GuiStartupHooks::fillMainWindow(AppContext&) {
    form1_->FillFromSettings();
}

void GuiStartupHooks::createWindow(AppContext& ctx, int percent) {
    switch (percent) {
    case 65:
        password_ = std::make_unique<options::Tpasswordform1>(
            [&ctx](const QString& key) { return ctx.message(key); }, nullptr,
            &ctx.localization().captions());
        if (gui_) gui_->setPasswordWindow(password_.get());
        break;
    default:
        break;
    }
}

void GuiStartupHooks::hideSplash() {
    if (!splash_) return;
    splash_->hide();
    splash_.reset();
}

void GuiStartupHooks::runProgress(AppContext& ctx) {
    backup::BackupJob* job = ctx.job();
    if (!job) return;
    form1_->setBackupRunning(true);
    const backup::JobOutcome outcome =
        job->Run(form1_->BackupRequest(), ctx.ui(), nullptr, nullptr);
    form1_->setBackupRunning(false);
    (void)outcome;
}

int GuiStartupHooks::runMainWindow(AppContext&, const QString& targetPath) {
    if (!targetPath.isEmpty()) form1_->setCurrentTargetPath(targetPath);
    form1_->show();
    return runLoop_ ? QApplication::exec() : kExitOk;
}

} // namespace app
