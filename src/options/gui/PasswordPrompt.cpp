#include "options/gui/PasswordPrompt.h"

#include "lang/CaptionTranslator.h"
#include "ui_PasswordPrompt.h"

#include <QPushButton>

namespace options {

PasswordPrompt::PasswordPrompt(std::function<QString(const QString&)> message, QWidget* parent,
                               lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::PasswordPrompt>()), message_(std::move(message)) {
    ui_->setupUi(this);
    ui_->Edit1->setMaxLength(50);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &PasswordPrompt::acceptPassword);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

PasswordPrompt::~PasswordPrompt() = default;

std::vector<lang::CaptionControl*> PasswordPrompt::controls() const {
    return clients::CaptionPointers(captions_);
}

std::optional<QString> PasswordPrompt::AskPassword() {
    password_.reset();
    exec();
    return password_;
}

void PasswordPrompt::showEvent(QShowEvent* event) {
    if (message_) setWindowTitle(message_(QStringLiteral("Message33")));
    ui_->Edit1->clear();
    ui_->Edit1->setFocus();
    QDialog::showEvent(event);
}

void PasswordPrompt::acceptPassword() {
    password_ = ui_->Edit1->text();
    accept();
}

} // namespace options
