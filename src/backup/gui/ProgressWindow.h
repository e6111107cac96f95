#pragma once
// The progress window: runs one backup through the backup job shortly after it
// is shown, moves its bar with the archive writer's progress, offers Abort
// while the backup runs and Close and "Go to Folder" afterwards.

#include "backup/BackupJob.h"
#include "backup/ProgressDisplay.h"
#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace base {
class Interaction;
}
namespace lang {
class CaptionTranslator;
class MessageTable;
} // namespace lang

namespace Ui {
class ProgressWindow;
}

namespace backup {

class ProgressWindow : public QDialog, public lang::CaptionWindow, public ProgressDisplay {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    explicit ProgressWindow(QWidget* parent = nullptr, lang::CaptionTranslator* lng = nullptr);
    ~ProgressWindow() override;

    // What runs the backup and where its texts come from. All three outlive the window.
    void setJob(BackupJob* job, base::Interaction* ui, lang::MessageTable* messages);
    // Asked when the backup starts: target path, client code and the two check lists.
    void setRequestSource(std::function<JobRequest()> source);
    // Windows path -> host path, for "Go to Folder"; empty text when it has none.
    // Without it the drives of $WINEPREFIX are used.
    void setHostPaths(std::function<QString(const QString&)> toHost);

    // Shows the window modally; it runs one backup and returns when it is closed.
    int ShowModal();
    // Stops the running backup at the writer's next callback (the main
    // window's close). Harmless when nothing runs.
    void requestAbort();
    bool running() const { return running_; }
    // The outcome of the last backup this window ran.
    const JobOutcome& outcome() const { return outcome_; }

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

    void showProgress(int overall, int task, const QString& taskLine) override;

public Q_SLOTS:
    // Closing while the backup runs only asks it to stop, as Abort does; the
    // window stays and shows the outcome.
    void reject() override;
    // Closed before the backup began: none begins.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void runBackup();
    void abortOrClose();
    void openTargetFolder();

private:
    void prepareForRun();
    QString message(const QString& key) const;
    void setStatus(const QString& text, bool failed);

    std::unique_ptr<Ui::ProgressWindow> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    QTimer* Timer1 = nullptr;
    BackupJob* job_ = nullptr;
    base::Interaction* interaction_ = nullptr;
    lang::MessageTable* messages_ = nullptr;
    std::function<JobRequest()> source_;
    std::function<QString(const QString&)> toHost_;
    AbortToken abort_;
    JobOutcome outcome_;
    QString target_;
    bool running_ = false;
};

} // namespace backup
