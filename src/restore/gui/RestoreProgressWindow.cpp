#include "restore/gui/RestoreProgressWindow.h"

#include "lang/CaptionTranslator.h"
#include "lang/MessageTable.h"
#include "ui_RestoreProgressWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace restore {

RestoreProgressWindow::RestoreProgressWindow(QWidget* parent, lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::RestoreProgressWindow>()) {
    ui_->setupUi(this);
    // A long reason or file list needs room: the window can be made larger.
    setMinimumSize(420, 280);
    setSizeGripEnabled(true);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui_->detailsScroll->hide();
    // Reasons and paths from outside are shown as they are, never as markup.
    for (QLabel* label : {ui_->Label1, ui_->Label4, ui_->Label5, ui_->Label6})
        label->setTextFormat(Qt::PlainText);
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &RestoreProgressWindow::run);
    connect(ui_->Button1, &QPushButton::clicked, this, [this] {
        if (running_)
            requestAbort();
        else
            QDialog::reject();
    });
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

RestoreProgressWindow::~RestoreProgressWindow() = default;

void RestoreProgressWindow::setJob(RestoreJob* job, RestoreRequest request,
                                   lang::MessageTable* messages) {
    job_ = job;
    request_ = std::move(request);
    messages_ = messages;
}

std::vector<lang::CaptionControl*> RestoreProgressWindow::controls() const {
    return clients::CaptionPointers(captions_);
}

int RestoreProgressWindow::ShowModal() {
    return exec();
}

QString ProgressLineText(const QString& line, lang::MessageTable* messages) {
    static const struct {
        QRegularExpression pattern;
        const char* key;
    } kSteps[] = {
        {QRegularExpression(QStringLiteral("^checking (.+)$")), "RestoreStepChecking"},
        {QRegularExpression(QStringLiteral("^safety backup to (.+)$")), "RestoreStepSafety"},
        {QRegularExpression(QStringLiteral("^restored (.+)$")), "RestoreStepPlaced"},
        {QRegularExpression(QStringLiteral("^importing (\\d+) registry dump\\(s\\)$")),
         "RestoreStepImports"},
        {QRegularExpression(QStringLiteral("^importing (.+)$")), "RestoreStepImport"},
        {QRegularExpression(QStringLiteral("^reading the imported keys back$")),
         "RestoreStepReadBack"},
        {QRegularExpression(QStringLiteral("^removed (.+)$")), "RestoreStepRemoved"},
    };
    for (const auto& step : kSteps) {
        const QRegularExpressionMatch m = step.pattern.match(line);
        if (!m.hasMatch()) continue;
        const QString text = lang::orEnglish(
            messages ? messages->GetMessage(QLatin1String(step.key)) : QString(), {});
        if (text.isEmpty()) return line;
        return m.captured(1).isEmpty() ? text : text.arg(m.captured(1));
    }
    return line;
}

QString RestoreProgressWindow::message(const QString& key, const QString& english) const {
    return lang::orEnglish(messages_ ? messages_->GetMessage(key) : QString(), english);
}

void RestoreProgressWindow::setStatus(const QString& text, bool failed) {
    QPalette pal = ui_->Label1->palette();
    pal.setColor(QPalette::WindowText, failed ? QColor(Qt::red) : QColor(Qt::black));
    ui_->Label1->setPalette(pal);
    ui_->Label1->setText(text);
}

void RestoreProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back from the task bar is not a new showing.
    if (event->spontaneous()) return;
    if (QScreen* s = (parentWidget() ? parentWidget()->screen() : screen()))
        move(s->availableGeometry().center() - rect().center());
    abort_ = false;
    report_ = {};
    ui_->ProgressBar1->setValue(0);
    ui_->ProgressBar2->setValue(0);
    ui_->ListBox1->clear();
    ui_->Label5->clear();
    ui_->Label6->clear();
    ui_->detailsScroll->hide();
    setWindowTitle(message(QStringLiteral("RestoreTitle"), QStringLiteral("Restoring:")));
    const QString archive =
        subject_.isEmpty() ? QDir::toNativeSeparators(request_.archive) : subject_;
    ui_->Label4->setText(QFontMetrics(ui_->Label4->font())
                             .elidedText(archive, Qt::ElideMiddle, ui_->Panel1->width() - 12));
    ui_->Label4->setToolTip(archive);
    ui_->Button1->setText(message(QStringLiteral("Message7"), QStringLiteral("Abort")));
    ui_->Button1->setDefault(false);
    timer_->start();
}

void RestoreProgressWindow::step(const QString& line) {
    // The number of steps is not known ahead: the overall bar closes in on
    // its end; the task bar starts again with each kind of step.
    const QString phase = line.section(QLatin1Char(' '), 0, 0);
    if (phase != phase_) ui_->ProgressBar2->setValue(0);
    phase_ = phase;
    const int overall = ui_->ProgressBar1->value();
    ui_->ProgressBar1->setValue(overall + std::max(1, (95 - overall) / 10));
    const int task = ui_->ProgressBar2->value();
    ui_->ProgressBar2->setValue(task + std::max(1, (100 - task) / 4));
    const QFontMetrics metrics(ui_->Label5->font());
    const QString shown = ProgressLineText(line, messages_);
    ui_->Label5->setText(metrics.elidedText(shown, Qt::ElideMiddle, ui_->Label5->width()));
    if (line.startsWith(QLatin1String("restored "))) ui_->ListBox1->addItem(line.mid(9));
    // Abort and the close box reach the window between two steps.
    QCoreApplication::processEvents();
}

void RestoreProgressWindow::run() {
    setStatus(message(QStringLiteral("Message26"), QStringLiteral("Restore in progress...")),
              false);
    QPointer<RestoreProgressWindow> alive(this);
    if (job_) {
        running_ = true;
        job_->progress = [this](const QString& line) { step(line); };
        job_->stopRequested = [this] { return abort_; };
        RestoreReport report = job_->Run(request_);
        if (!alive) return;
        job_->progress = nullptr;
        job_->stopRequested = nullptr;
        running_ = false;
        report_ = std::move(report);
    } else {
        report_.error = QStringLiteral("the archiving library is not ready");
    }

    // What was placed stays listed, whatever the outcome.
    ui_->ListBox1->clear();
    ui_->ListBox1->addItems(report_.placed);
    QStringList details;
    if (report_.ok()) {
        ui_->ProgressBar1->setValue(100);
        ui_->ProgressBar2->setValue(100);
        setStatus(
            message(QStringLiteral("Message28"), QStringLiteral("Restore succesfully completed.")),
            false);
        ui_->Label2->setText(message(QStringLiteral("Message29"),
                                     QStringLiteral("Postora has succesfully restored your "
                                                    "e-mail data")));
    } else if (report_.aborted) {
        setStatus(message(QStringLiteral("Message44"), QStringLiteral("Restore aborted by user!")),
                  true);
        ui_->Label2->setText(message(QStringLiteral("Message47"),
                                     QStringLiteral("The restore was not successfully completed. "
                                                    "Aborted by user.")));
    } else {
        setStatus(
            message(QStringLiteral("Message45"), QStringLiteral("Restore completed with errors:")),
            true);
        ui_->Label2->setText(message(QStringLiteral("Message48"),
                                     QStringLiteral("The restore was not successfully completed. "
                                                    "There was errors.")));
        // The reason whole, however long: it scrolls and can be copied.
        details << report_.error.trimmed();
    }
    if (!report_.safetyArchive.isEmpty() && !report_.error.contains(report_.safetyArchive))
        details << message(QStringLiteral("RestoreSafetyNote"),
                           QStringLiteral("The state before the restore is in %1"))
                       .arg(report_.safetyArchive);
    if (!report_.placed.isEmpty())
        details << message(QStringLiteral("RestorePlacedCount"),
                           QStringLiteral("%1 file(s) placed."))
                       .arg(report_.placed.size());
    ui_->Label5->clear();
    details.removeAll(QString());
    ui_->Label6->setText(details.join(QLatin1Char('\n')));
    ui_->detailsScroll->setVisible(!details.isEmpty());
    ui_->detailsScroll->setWidgetResizable(true); // it lays out the new text again
    ui_->Button1->setText(message(QStringLiteral("Message8"), QStringLiteral("Close")));
    ui_->Button1->setDefault(true);
    ui_->Button1->setFocus();
}

void RestoreProgressWindow::reject() {
    if (running_) {
        requestAbort();
        return;
    }
    QDialog::reject();
}

void RestoreProgressWindow::done(int result) {
    timer_->stop();
    QDialog::done(result);
}

} // namespace restore
