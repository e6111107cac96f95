#pragma once
// The main window: its frame (banner, the two page controls, the bottom bar),
// the standard mode's Backup tab and what both modes share. The wizard's pages
// and the Schedule and Options tabs are hosted in it.

#include "backup/BackupJob.h"
#include "clients/ClientTreeModel.h"
#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"
#include "restore/RestoreJob.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFileSystemModel;
class QListWidget;
class QModelIndex;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}
namespace options {
class OptionsTab;
}
namespace restore {
class RestoreProgressWindow;
}
namespace schedule {
class CompanionControl;
class ScheduleTab;
} // namespace schedule

namespace app {

class AppContext;
class ChosenInView;
class Wizard;

class MainWindow : public QWidget, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The creation handler runs here: captions, the save dialog's filter, the
    // first pages; the settings steps are the start-up's (they need the hooks).
    // companion: the scheduler's control, shared with the schedule dialog; it
    // outlives the window.
    MainWindow(AppContext& ctx, schedule::CompanionControl& companion, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the main window asks of the windows made after it.
    struct Hooks {
        // Showing: the language chosen again and the fields refilled.
        std::function<void()> selectLanguage;
        // "Create BackUp!" after its checks: the modal progress window.
        std::function<void()> showProgress;
        // Closing during a run: the run is asked to stop.
        std::function<void()> requestAbort;
        std::function<void()> showAbout;
        std::function<void()> showHelp;
        // The wizard's welcome buttons (until the wizard is complete).
        std::function<void()> showSchedule;
        std::function<void()> showOptions;
        // "Go to folder" of the wizard's last page: a Windows folder path.
        std::function<void(const QString& winFolder)> openFolder;
        // The client trees were built (the schedule dialog's tree follows).
        std::function<void(const clients::ClientTreeModel&)> treesBuilt;
        // A language chosen in a language list.
        std::function<void(const QString& name)> switchLanguage;
        // Called whenever the view mode changes, after the switch.
        std::function<void(bool wizard)> viewModeChanged;
    };
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    Wizard& wizard() const { return *wizard_; }
    void setClientPictures(QList<QIcon> pictures) { pictures_ = std::move(pictures); }
    void setBannerPicture(const QPixmap& picture);
    // The welcome page's large buttons get the style's pictures.
    void setWelcomeIcons();

    // The frame's left and top from "X" and "Y", the whole window kept on the
    // screen it opens on (again when it is first shown, in its final size).
    void PlaceWindow(int x, int y);
    // The Backup tab's file field from the backup folder in use.
    void FillFromSettings();
    void SetViewMode(bool wizard);
    bool wizardShown() const;

    // The Backup tab's client, lists and target, as the progress window runs them.
    int treeClientCode() const { return treeClientCode_; }
    const QString& currentTargetPath() const { return currentTargetPath_; }
    void setCurrentTargetPath(const QString& path) { currentTargetPath_ = path; }
    backup::JobRequest BackupRequest() const;
    const clients::ClientTreeModel& treeModel() const { return treeModel_; }

    // Where the Schedule and Options tabs' contents and the wizard's pages go.
    QWidget* wizardPages() const;
    options::OptionsTab& optionsTab() const { return *optionsTab_; }
    schedule::ScheduleTab& scheduleTab() const { return *scheduleTab_; }

    // The outcome of the last restore of the Restore tab.
    const restore::RestoreReport& restoreReport() const { return restoreReport_; }

    // Set while a backup of this window runs: closing then waits for its end.
    void setBackupRunning(bool running);

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

    // The trees and the last client, as the first showing does (also for tests).
    void BuildClientTrees();
    void RestoreLastClient();
    void SaveLastClient();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private Q_SLOTS:
    void chooseClient(QTreeWidgetItem* item);
    void noteBackupFolder(const QString& text);
    void completeFolderName();
    void createBackup();
    void browseForArchive();
    void exitProgram();
    void showHelp();
    void showAbout();
    void switchToWizard();
    void switchToStandardMode();
    void chooseBackup(const QModelIndex& index);
    void restoreBackup();

private:
    void fillLists(int code, bool tickAll);
    // The save dialog: starts at winPath, replaces it on OK.
    bool chooseArchiveFile(QString& winPath);
    bool checkTarget();
    void showError(const QString& key);
    // The Restore tab shown: its tree opens in the backup folder.
    void showRestoreTab();
    // The client height of a mode.
    void applyModeSize(bool wizard);

    AppContext& ctx_;
    std::unique_ptr<Ui::MainWindow> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    Hooks hooks_;
    options::OptionsTab* optionsTab_ = nullptr;    // on TabSheet3
    schedule::ScheduleTab* scheduleTab_ = nullptr; // on TabSheet4
    int shownTab_ = 0;
    // Before the widgets go, so its event filters never see a half-destroyed window.
    std::unique_ptr<Wizard> wizard_;
    QList<QIcon> pictures_;
    clients::ClientTreeModel treeModel_;
    QString saveFilter_;
    int treeClientCode_ = 0;
    QString backupFolder_;           // the folder part of the file field: "BackupDir" at close
    std::optional<QPoint> placedAt_; // "X" and "Y" as PlaceWindow had them
    QString currentTargetPath_;
    // The Restore tab: its tree of folders and backups, the backup chosen in
    // it, its password and what it holds.
    QFileSystemModel* backupFiles_ = nullptr;
    QString restoreArchive_;
    QString restorePassword_;
    restore::RestoreReport restoreContents_;
    restore::RestoreReport restoreReport_;
    ChosenInView* chosenBackup_ = nullptr; // owned by the tree
    bool shownOnce_ = false;
    bool backupRunning_ = false;
    bool closePending_ = false;
    // The restore window while a restore of the Restore tab runs.
    QPointer<restore::RestoreProgressWindow> form3_;
    // Closing stopped this restore's run: where its safety archive is gets said.
    const restore::RestoreReport* stoppedRestore_ = nullptr;
};

} // namespace app
