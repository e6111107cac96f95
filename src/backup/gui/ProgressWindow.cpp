#include "backup/gui/ProgressWindow.h"

#include "base/Interaction.h"
#include "lang/CaptionTranslator.h"
#include "lang/MessageTable.h"
#include "platform/DriveMap.h"
#include "ui_ProgressWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>

namespace backup {

ProgressWindow::ProgressWindow(QWidget* parent, lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::ProgressWindow>()) {
    ui_->setupUi(this);
    setFixedSize(532, 177);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->setSingleShot(true);
    ui_->Label1->setText(QStringLiteral("Postora is backing up your e-mail data to:"));
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    connect(Timer1, &QTimer::timeout, this, &ProgressWindow::runBackup);
    connect(ui_->Button1, &QPushButton::clicked, this, &ProgressWindow::abortOrClose);
    connect(ui_->Button2, &QPushButton::clicked, this, &ProgressWindow::openTargetFolder);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::setJob(BackupJob* job, base::Interaction* ui, lang::MessageTable* messages) {
    job_ = job;
    interaction_ = ui;
    messages_ = messages;
}

void ProgressWindow::setRequestSource(std::function<JobRequest()> source) {
    source_ = std::move(source);
}

void ProgressWindow::setHostPaths(std::function<QString(const QString&)> toHost) {
    toHost_ = std::move(toHost);
}

std::vector<lang::CaptionControl*> ProgressWindow::controls() const {
    return clients::CaptionPointers(captions_);
}

int ProgressWindow::ShowModal() {
    return exec();
}

void ProgressWindow::requestAbort() {
    abort_.request();
}

void ProgressWindow::showProgress(int overall, int, const QString&) {
    ui_->ProgressBar1->setValue(overall);
}

QString ProgressWindow::message(const QString& key) const {
    return messages_ ? messages_->GetMessage(key) : QStringLiteral("ERROR");
}

void ProgressWindow::setStatus(const QString& text, bool failed) {
    QPalette pal = ui_->Label3->palette();
    pal.setColor(QPalette::WindowText, failed ? QColor(Qt::red) : QColor(Qt::black));
    ui_->Label3->setPalette(pal);
    ui_->Label3->setText(text);
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back from the task bar is not a new showing.
    if (event->spontaneous()) return;
    if (QScreen* s = (parentWidget() ? parentWidget()->screen() : screen()))
        move(s->availableGeometry().center() - rect().center());
    prepareForRun();
}

void ProgressWindow::prepareForRun() {
    setStatus(message(QStringLiteral("Message24")), false);
    ui_->Label1->setText(message(QStringLiteral("Message25")));
    ui_->Button2->hide();
    abort_ = AbortToken{};
    ui_->Button1->setText(message(QStringLiteral("Message7")));
    ui_->Button1->setProperty("Tag", 0);
    ui_->Button1->setDefault(false);
    ui_->Label2->clear();
    ui_->ProgressBar1->setValue(0);
    outcome_ = JobOutcome{};
    Timer1->start();
}

void ProgressWindow::runBackup() {
    Timer1->stop();
    const JobRequest request = source_ ? source_() : JobRequest{};
    target_ = request.targetPath;
    ui_->Label2->setText(target_);
    ui_->Label2->setToolTip(target_);

    using Kind = JobOutcome::Kind;
    QPointer<ProgressWindow> alive(this);
    if (job_ && interaction_) {
        running_ = true;
        outcome_ = job_->Run(request, *interaction_, this, &abort_);
        if (!alive) return;
        running_ = false;
    } else {
        outcome_ = {Kind::Failed, QStringLiteral(" the backup engine is not ready."), {}};
    }

    // A full bar only for a finished archive: a stopped run stays where it stopped.
    if (outcome_.succeeded()) ui_->ProgressBar1->setValue(100);
    ui_->Button1->setText(message(QStringLiteral("Message8")));
    ui_->Button1->setProperty("Tag", 1);
    ui_->Button1->setDefault(true);
    ui_->Button1->setFocus();
    ui_->Button2->show();

    // Only a finished archive reads as success: the guard's refusal and a
    // client without a collector left nothing behind and say so in red.
    const QString error = message(QStringLiteral("Message20"));
    switch (outcome_.kind) {
    case Kind::Succeeded:
        setStatus(message(QStringLiteral("Message18")), false);
        ui_->Label1->setText(message(QStringLiteral("Message19")));
        break;
    case Kind::Aborted:
        setStatus(message(QStringLiteral("Message21")), true);
        ui_->Label1->setText(message(QStringLiteral("Message22")));
        break;
    case Kind::Failed:
    case Kind::Busy:
        setStatus(error + outcome_.text, true);
        break;
    case Kind::ClientRunning:
        setStatus(error +
                      QStringLiteral(" the mail client is still running; nothing was backed up."),
                  true);
        break;
    case Kind::NoCollector:
        setStatus(error + QStringLiteral(" this client cannot be backed up."), true);
        break;
    }
}

void ProgressWindow::abortOrClose() {
    if (ui_->Button1->property("Tag").toInt() != 0)
        QDialog::reject();
    else
        requestAbort();
}

void ProgressWindow::openTargetFolder() {
    const QString folder = platform::extractFilePath(target_);
    if (folder.isEmpty()) return;
    QString host;
    if (toHost_) {
        host = toHost_(folder);
    } else {
        const auto mapped =
            platform::DriveMap::fromPrefix(platform::DriveMap::defaultPrefix()).toHost(folder);
        if (mapped) host = mapped.value();
    }
    if ((host.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(host))) && interaction_)
        interaction_->showError(
            QStringLiteral("The folder %1 could not be opened: no file manager is set up.")
                .arg(folder));
}

void ProgressWindow::reject() {
    // The close box and Esc during the run are Abort: the window stays to
    // say how the run ended.
    if (running_) {
        requestAbort();
        return;
    }
    QDialog::reject();
}

void ProgressWindow::done(int result) {
    Timer1->stop();
    QDialog::done(result);
}

} // namespace backup
