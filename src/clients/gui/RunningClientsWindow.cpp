#include "clients/gui/RunningClientsWindow.h"

#include "desktop/gui/WindowPlacement.h"
#include "lang/CaptionTranslator.h"
#include "ui_RunningClientsWindow.h"

#include <QScopeGuard>

namespace clients {

RunningClientsWindow::RunningClientsWindow(QWidget* parent, lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::RunningClientsWindow>()) {
    ui_->setupUi(this);
    captions_ = WidgetCaptionControl::controlsOf(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &RunningClientsWindow::lookAgain);
    connect(ui_->Button2, &QPushButton::clicked, this, &RunningClientsWindow::waitFiveMinutes);
    connect(ui_->Button3, &QPushButton::clicked, this, &RunningClientsWindow::closeAll);
    connect(ui_->Button4, &QPushButton::clicked, this, &RunningClientsWindow::giveUp);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

RunningClientsWindow::~RunningClientsWindow() = default;

std::vector<lang::CaptionControl*> RunningClientsWindow::controls() const {
    return CaptionPointers(captions_);
}

int RunningClientsWindow::ShowModal(const QStringList& titles,
                                    const base::Interaction::CloseAllFn& closeAll,
                                    const QString& heading) {
    // The caption as the language file has it comes back after this showing.
    const QString caption = ui_->Label1->text();
    if (!heading.isEmpty()) ui_->Label1->setText(heading);
    auto restore = qScopeGuard([this, caption] { ui_->Label1->setText(caption); });
    // The hidden button shows only when the caller asked for it beforehand.
    ui_->Button2->setVisible(choice_ == 2);
    choice_ = 0;
    closeAll_ = closeAll;
    ui_->ListBox1->clear();
    ui_->ListBox1->addItems(titles);
    // Shown again where it was: left to itself the window system would take
    // the last place of the window for that of its frame.
    if (lastFrame_) desktop::placeFrame(*this, *lastFrame_);
    exec();
    closeAll_ = nullptr;
    return choice_;
}

QStringList RunningClientsWindow::listedTitles() const {
    QStringList out;
    for (int i = 0; i < ui_->ListBox1->count(); ++i)
        out << ui_->ListBox1->item(i)->text();
    return out;
}

void RunningClientsWindow::done(int result) {
    // Until the window manager has framed the window, pos() is the client area's corner: the
    // place kept from the last showing stays the better answer then.
    const bool framed = frameGeometry().topLeft() != geometry().topLeft();
    if (isVisible() && (framed || !lastFrame_)) lastFrame_ = pos();
    ui_->ListBox1->clear();
    QDialog::done(result);
    // The next showing gets a window of its own, placed by its frame as the first one was: a
    // window shown again is placed by some window managers at its old client area instead.
    destroy();
}

void RunningClientsWindow::lookAgain() {
    choice_ = 3;
    accept();
}

void RunningClientsWindow::waitFiveMinutes() {
    choice_ = 2;
    accept();
}

void RunningClientsWindow::closeAll() {
    QStringList titles = listedTitles();
    if (closeAll_ && askCloseAll_ && !askCloseAll_()) return;
    if (closeAll_) {
        setEnabled(false); // the ended processes are waited for
        closeAll_(titles);
        setEnabled(true);
    }
    // Titles whose windows were not met again are dropped.
    choice_ = 1;
    accept();
}

void RunningClientsWindow::giveUp() {
    choice_ = 0;
    reject();
}

} // namespace clients
