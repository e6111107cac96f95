#include "app/gui/GuiStartup.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/gui/AboutBox.h"
#include "app/gui/Artwork.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/HelpPage.h"
#include "app/gui/ItemTexts.h"
#include "app/gui/MainWindow.h"
#include "app/gui/SplashScreen.h"
#include "app/gui/Wizard.h"
#include "backup/BackupJob.h"
#include "backup/gui/ProgressWindow.h"
#include "base/Settings.h"
#include "clients/gui/RunningClientsWindow.h"
#include "clients/gui/WidgetCaptionControl.h"
#include "lang/Localization.h"
#include "options/gui/OptionsDialog.h"
#include "options/gui/OptionsEditor.h"
#include "options/gui/OptionsTab.h"
#include "options/gui/PasswordPrompt.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "schedule/CompanionControl.h"
#include "schedule/gui/ScheduleDialog.h"
#include "schedule/gui/ScheduleTab.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace app {

GuiStartupHooks::GuiStartupHooks(GuiInteraction* ui) : gui_(ui) {}
GuiStartupHooks::~GuiStartupHooks() = default;

void GuiStartupHooks::splashStatus(int percent) {
    if (!splash_) {
        splash_ = std::make_unique<SplashScreen>(SplashPicture());
        splash_->show();
        QApplication::setApplicationDisplayName(QString());
    }
    splash_->setStatus(percent);
    splashLog_ << splash_->statusText();
}

void GuiStartupHooks::createMainWindow(AppContext& ctx) {
    // The enable box is set from the settings during start-up: a box it opens
    // then must not hide under the splash, which steps aside while it shows.
    companion_ = std::make_unique<schedule::CompanionControl>(
        ctx.registry(), ctx.files(), ctx.procList(), platform::programFolder(ctx.files().drives()),
        [this, &ctx](const QString& key) {
            besideSplash([&] { ctx.localization().messageBox().ShowErrorMessage(key); });
        });
    companion_->setFailureReport(
        [this, &ctx](const QString& text) { besideSplash([&] { ctx.ui().showError(text); }); });
    // The installed icon, else the same picture painted: every window and the
    // tray icon of the command line take it.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("postora"), AppIcon()));
    form1_ = std::make_unique<MainWindow>(ctx, *companion_);
    form1_->setWindowIcon(AppIcon());
    form1_->setClientPictures(ClientPictures());
    form1_->setBannerPicture(BannerPixmap(552, 70));
    form1_->setWelcomeIcons();
    MainWindow::Hooks hooks;
    hooks.selectLanguage = [this, &ctx] { selectLanguage(ctx); };
    hooks.showProgress = [this, &ctx] { runProgress(ctx); };
    hooks.requestAbort = [this] {
        if (form2_) form2_->requestAbort();
    };
    hooks.treesBuilt = [this, &ctx](const clients::ClientTreeModel& model) {
        if (form10_) form10_->buildTree(model);
        TranslateItemTexts(ctx);
    };
    hooks.switchLanguage = [this, &ctx](const QString& name) { switchLanguage(ctx, name); };
    hooks.showOptions = [this] {
        if (form9_) form9_->exec();
    };
    hooks.showSchedule = [this, &ctx] { showSchedule(ctx); };
    hooks.showAbout = [this] {
        if (form4_) form4_->ShowModal();
    };
    hooks.showHelp = [&ctx] {
        if (!OpenHelpPage())
            ctx.ui().showError(QStringLiteral("The help page could not be opened: help/index.html "
                                              "is missing from the program folder, or no web "
                                              "browser is set up."));
    };
    hooks.openFolder = [&ctx](const QString& winFolder) {
        const platform::Result<QString> host = ctx.files().hostPath(winFolder);
        if (!host || !QDesktopServices::openUrl(QUrl::fromLocalFile(*host)))
            ctx.ui().showError(
                QStringLiteral("The folder %1 could not be opened: no file manager is set up.")
                    .arg(winFolder));
    };
    form1_->setHooks(std::move(hooks));
}

void GuiStartupHooks::fillOptionsTab(AppContext&) {
    form1_->optionsTab().fill();
}

void GuiStartupHooks::switchLanguage(AppContext& ctx, const QString& name) {
    ctx.localization().SwitchLanguage(name, clients::CaptionWindows());
    TranslateItemTexts(ctx);
    // The other language list shows the new choice too.
    form1_->optionsTab().editor().FillLanguages();
}

void GuiStartupHooks::selectLanguage(AppContext& ctx) {
    (void)ctx.localization().SelectLanguageFile(captionWindows());
    TranslateItemTexts(ctx);
    fillMainWindow(ctx);
}

void GuiStartupHooks::showSchedule(AppContext& ctx) {
    if (form10_ && form10_->exec() == QDialog::Accepted) selectLanguage(ctx);
}

void GuiStartupHooks::placeMainWindow(AppContext& ctx) {
    form1_->PlaceWindow(ctx.settings().x, ctx.settings().y);
}

void GuiStartupHooks::createSharedWindow(AppContext& ctx) {
    form5_ =
        std::make_unique<clients::RunningClientsWindow>(nullptr, &ctx.localization().captions());
    if (gui_) gui_->setGuardWindow(form5_.get());
}

std::vector<lang::CaptionWindow*> GuiStartupHooks::captionWindows() {
    // Creation order: the language file reaches the windows as they were made.
    std::vector<lang::CaptionWindow*> windows;
    if (form1_) windows.push_back(form1_.get());
    if (form5_) windows.push_back(form5_.get());
    if (form2_) windows.push_back(form2_.get());
    if (form4_) windows.push_back(form4_.get());
    if (password_) windows.push_back(password_.get());
    if (form9_) windows.push_back(form9_.get());
    if (form10_) windows.push_back(form10_.get());
    return windows;
}

void GuiStartupHooks::fillMainWindow(AppContext&) {
    form1_->FillFromSettings();
}

void GuiStartupHooks::createWindow(AppContext& ctx, int percent) {
    switch (percent) {
    case 25:
        // Parented for placement and modality; destroyed (as a member declared
        // after the main window) before it.
        form2_ =
            std::make_unique<backup::ProgressWindow>(form1_.get(), &ctx.localization().captions());
        form2_->setJob(ctx.job(), &ctx.ui(), &ctx.localization().messages());
        form2_->setRequestSource([this] { return form1_->BackupRequest(); });
        form2_->setHostPaths([&ctx](const QString& winPath) {
            return ctx.files().hostPath(winPath).valueOr(QString());
        });
        break;
    case 35:
        form4_ =
            std::make_unique<AboutBox>(form1_.get(), &ctx.localization().captions(),
                                       [&ctx](const QString& key) { return ctx.message(key); });
        break;
    case 65:
        password_ = std::make_unique<options::PasswordPrompt>(
            [&ctx](const QString& key) { return ctx.message(key); }, nullptr,
            &ctx.localization().captions());
        if (gui_) gui_->setPasswordWindow(password_.get());
        break;
    case 80:
        form9_ = std::make_unique<options::OptionsDialog>(
            ctx.settingsStore(), ctx.ui(), [&ctx](const QString& key) { return ctx.message(key); },
            form1_.get(), &ctx.localization().captions());
        QObject::connect(form9_.get(), &options::OptionsDialog::languageChosen, form9_.get(),
                         [this, &ctx](const QString& name) { switchLanguage(ctx, name); });
        break;
    case 90:
        form10_ = std::make_unique<schedule::ScheduleDialog>(
            schedule::ScheduleDeps{ctx.registry(), ctx.files(), ctx.catalogue(), ctx.settings(),
                                   *companion_, CheckImages(),
                                   [&ctx](const QString& key) { return ctx.message(key); }},
            form1_.get(), &ctx.localization().captions());
        break;
    default:
        break;
    }
}

void GuiStartupHooks::besideSplash(const std::function<void()>& showBox) {
    const bool splashShown = splash_ && splash_->isVisible();
    if (splashShown) splash_->hide();
    showBox();
    if (splashShown) splash_->show();
}

void GuiStartupHooks::hideSplash() {
    if (!splash_) return;
    splash_->hide();
    splash_.reset();
}

void GuiStartupHooks::runProgress(AppContext&) {
    if (!form2_) return;
    form1_->setBackupRunning(true);
    form2_->ShowModal();
    form1_->setBackupRunning(false);
}

int GuiStartupHooks::runMainWindow(AppContext&, const QString& targetPath) {
    if (!targetPath.isEmpty()) form1_->setCurrentTargetPath(targetPath);
    form1_->show();
    return runLoop_ ? QApplication::exec() : kExitOk;
}

int GuiStartupHooks::openRestore(AppContext&, const QString& archive) {
    // Shown first: the first showing enters the wizard at its welcome page.
    form1_->show();
    // The restore pages belong to the wizard, also when the standard mode was last used.
    if (!form1_->wizardShown()) form1_->SetViewMode(true);
    form1_->wizard().openRestore(archive);
    return runLoop_ ? QApplication::exec() : kExitOk;
}

} // namespace app
