#include "clients/gui/TForm5.h"

#include "desktop/gui/WindowPlacement.h"
#include "lang/TLngINISupp.h"
#include "ui_TForm5.h"

namespace clients {

TForm5::TForm5(QWidget* parent, lang::TLngINISupp* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm5>()) {
    ui_->setupUi(this);
    captions_ = WidgetCaptionControl::controlsOf(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TForm5::Button3Click);
    connect(ui_->Button4, &QPushButton::clicked, this, &TForm5::Button4Click);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

TForm5::~TForm5() = default;

std::vector<lang::CaptionControl*> TForm5::controls() const {
    return CaptionPointers(captions_);
}

int TForm5::ShowModal(const QStringList& titles, const base::Interaction::CloseAllFn& closeAll) {
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

QStringList TForm5::listedTitles() const {
    QStringList out;
    for (int i = 0; i < ui_->ListBox1->count(); ++i)
        out << ui_->ListBox1->item(i)->text();
    return out;
}

void TForm5::done(int result) {
    if (isVisible()) lastFrame_ = pos();
    ui_->ListBox1->clear();
    QDialog::done(result);
}

void TForm5::Button1Click() {
    choice_ = 3;
    accept();
}

void TForm5::Button2Click() {
    choice_ = 2;
    accept();
}

void TForm5::Button3Click() {
    QStringList titles = listedTitles();
    if (closeAll_) {
        setEnabled(false); // the ended processes are waited for
        closeAll_(titles);
        setEnabled(true);
    }
    // Titles whose windows were not met again are dropped.
    choice_ = 1;
    accept();
}

void TForm5::Button4Click() {
    choice_ = 0;
    reject();
}

} // namespace clients
