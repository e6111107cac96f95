#pragma once
// The restore progress window: runs one restore shortly after it is shown,
// with an overall bar and a bar for the step under way, offers Abort while it
// runs (the restore stops before its next file) and Close afterwards, and
// lists every file the restore placed, also when it stopped early.

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"
#include "restore/RestoreJob.h"

#include <QDialog>

#include <memory>
#include <vector>

class QTimer;

namespace lang {
class CaptionTranslator;
class MessageTable;
} // namespace lang

namespace Ui {
class RestoreProgressWindow;
}

namespace restore {

// A step of a restore as the job words it ("restored C:\..."), for a person:
// in the language of messages where its file has the step, else as it is.
QString ProgressLineText(const QString& line, lang::MessageTable* messages);

class RestoreProgressWindow : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from the "[Form3]" section of lng's file.
    explicit RestoreProgressWindow(QWidget* parent = nullptr,
                                   lang::CaptionTranslator* lng = nullptr);
    ~RestoreProgressWindow() override;

    // What runs and where its texts come from; job and messages outlive the window.
    void setJob(RestoreJob* job, RestoreRequest request, lang::MessageTable* messages);

    // What the window names as being restored (the client and the file);
    // without it, the archive's path.
    void setSubject(const QString& text) { subject_ = text; }

    // Shows the window modally; it runs one restore and returns when closed.
    int ShowModal();
    // Stops the running restore before its next file. Harmless when nothing runs.
    void requestAbort() { abort_ = true; }
    bool running() const { return running_; }
    const RestoreReport& report() const { return report_; }

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

public Q_SLOTS:
    // The close box and Esc during the run are Abort; the window stays to
    // show how the restore ended.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void run();
    void step(const QString& line);
    QString message(const QString& key, const QString& english) const;
    void setStatus(const QString& text, bool failed);

    std::unique_ptr<Ui::RestoreProgressWindow> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    QTimer* timer_ = nullptr;
    RestoreJob* job_ = nullptr;
    RestoreRequest request_;
    lang::MessageTable* messages_ = nullptr;
    RestoreReport report_;
    QString phase_;
    QString subject_;
    bool abort_ = false;
    bool running_ = false;
};

} // namespace restore
