#include "options/gui/Tpasswordform1.h"

#include "lang/TLngINISupp.h"
#include "ui_Tpasswordform1.h"

#include <QPushButton>

namespace options {

Tpasswordform1::Tpasswordform1(std::function<QString(const QString&)> message, QWidget* parent,
                               lang::TLngINISupp* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::Tpasswordform1>()), message_(std::move(message)) {
    ui_->setupUi(this);
    ui_->Edit1->setMaxLength(50);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &Tpasswordform1::Button1Click);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

Tpasswordform1::~Tpasswordform1() = default;

std::vector<lang::CaptionControl*> Tpasswordform1::controls() const {
    return clients::CaptionPointers(captions_);
}

std::optional<QString> Tpasswordform1::AskPassword() {
    password_.reset();
    exec();
    return password_;
}

void Tpasswordform1::showEvent(QShowEvent* event) {
    if (message_) setWindowTitle(message_(QStringLiteral("Message33")));
    ui_->Edit1->clear();
    ui_->Edit1->setFocus();
    QDialog::showEvent(event);
}

void Tpasswordform1::Button1Click() {
    password_ = ui_->Edit1->text();
    accept();
}

} // namespace options
