#pragma once
// The wizard face of the main window: its pages in PageControl2, the
// navigation of the bottom bar, and the backup of page "7" with its bars,
// task line and copy animation.

#include "backup/BackupJob.h"
#include "backup/ProgressDisplay.h"
#include "restore/RestoreJob.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

class QFileSystemModel;
class QKeyEvent;
class QLabel;
class QRadioButton;

namespace Ui {
class MainWindow;
}

namespace app {

class AppContext;
class ChosenInView;

class Wizard : public QObject, public backup::ProgressDisplay {
    Q_OBJECT
public:
    // Page indices of PageControl2.
    enum Page {
        Welcome = 0,
        Client = 1,
        Items = 2,
        File = 3,
        Ready = 4,
        Running = 5,
        Done = 6,
        RestoreFile = 7,
        RestoreItems = 8,
        RestoreLocation = 9,
        RestoreReady = 10,
        RestoreRunning = 11,
        RestoreDone = 12,
    };

    struct Hooks {
        std::function<void()> showSchedule;
        std::function<void()> showOptions;
        std::function<void()> standardMode;
        std::function<void(const QString& winPath)> openFolder; // "Go to folder"
        std::function<bool(QString& winPath)> chooseFile;       // the save dialog
        std::function<void(bool running)> running;              // a backup starts or ends
    };

    // backupFolder and targetPath are the main window's, shared with the
    // standard mode.
    Wizard(AppContext& ctx, Ui::MainWindow& ui, QString& backupFolder, QString& targetPath,
           QObject* parent = nullptr);
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Entering the wizard: page "1", going forward.
    void Enter();
    // A backup opened from the desktop (archive: its absolute host path): the
    // restore pages of that archive, at the choice of its items.
    void openRestore(const QString& archive);
    int currentClientCode() const { return currentClientCode_; }
    // Closing the window while page "7" runs.
    void requestAbort() { abort_.request(); }
    bool running() const { return running_; }
    // A restore of the wizard is at work.
    bool restoring() const { return running_ && shownPage_ == RestoreRunning; }

    void showProgress(int overall, int task, const QString& taskLine) override;
    // The outcome of the last restore the wizard ran.
    const restore::RestoreReport& restoreReport() const { return restoreReport_; }

private:
    void showPage(int index);
    void pageShown(int index);
    void ShowClientPage();
    void ShowItemsPage();
    void ShowFilePage();
    void LeaveFilePage();
    void RunBackupPage();
    void ShowDonePage();
    void startRestore();
    void ShowRestoreFilePage();
    bool inspectChosenArchive();
    // Reads the archive's manifest, asking for its password when the stored one
    // does not open it; false after the reason was shown.
    bool inspectArchive(const QString& archive);
    void ShowRestoreItemsPage();
    void ShowRestoreLocationPage();
    void RunRestorePage();
    void ShowRestoreDonePage();
    QString chosenArchive() const;
    QString restoreFolderRefusal() const;
    void fillItemLists();
    void chooseClient(int code);
    bool passwordsAgree();
    // Says on page what the guard's "Close all" did.
    void noteClosed(QWidget* page);
    void showResultWhenDone();
    // The first control of a page takes the focus when the page is shown.
    void focusPage(int index);
    // Enter and Esc on the window; true when the key was used.
    bool keyPressed(const QKeyEvent& key);

    void backUp();
    void goBack();
    void goNext();
    void goHome();
    void chooseVersion(int index);
    void completeFileName();
    void browseForArchive();
    void openTargetFolder();

    AppContext& ctx_;
    Ui::MainWindow& ui_;
    Hooks hooks_;
    QTimer timer1_;
    QTimer animation_;
    int frame_ = 0;
    int currentClientCode_ = 0;
    bool clientPicked_ = false;
    bool forwardStep_ = true;
    bool running_ = false;
    int shownPage_ = Welcome;
    backup::AbortToken abort_;
    backup::JobOutcome outcome_;
    QString& backupFolder_;
    QString& targetPath_;
    std::array<bool, 11> greyed_{};
    // The restore path: the archive chosen, its password and what it holds.
    QString restoreArchive_;
    QString restorePassword_;
    restore::RestoreReport restoreContents_;
    restore::RestoreReport restoreReport_;
    QStringList restoreDoneCaptions_;
    QFileSystemModel* folderModel_ = nullptr;
    ChosenInView* chosenFolder_ = nullptr; // owned by the folder tree
    QFileSystemModel* fileModel_ = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace app
