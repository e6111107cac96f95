#include "app/gui/GuiInteraction.h"

#include "clients/gui/RunningClientsWindow.h"
#include "lang/MessageTable.h"
#include "options/gui/PasswordPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {

// Boxes carry the product name, as every window of the program does.
QString boxTitle() {
    return QStringLiteral("Postora");
}

int showBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
            const QString& cancel = QString()) {
    QMessageBox box(icon, boxTitle(), text, buttons, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    // Qt names its buttons in English; the language file names Cancel.
    if (QAbstractButton* button = box.button(QMessageBox::Cancel); button && !cancel.isEmpty())
        button->setText(cancel);
    return box.exec();
}

} // namespace

GuiInteraction::GuiInteraction() = default;
GuiInteraction::~GuiInteraction() = default;

void GuiInteraction::setGuardWindow(clients::RunningClientsWindow* form) {
    guard_ = form;
}

void GuiInteraction::setPasswordWindow(options::PasswordPrompt* form) {
    password_ = form;
}

void GuiInteraction::showError(const QString& text) {
    showBox(QMessageBox::Critical, text, QMessageBox::Ok);
}

void GuiInteraction::showWarning(const QString& text) {
    showBox(QMessageBox::Warning, text, QMessageBox::Ok);
}

bool GuiInteraction::confirm(const QString& text, bool withCancel) {
    const auto buttons = withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
    return showBox(QMessageBox::Question, text, buttons,
                   this->text(QStringLiteral("ButtonCancel"), QStringLiteral("Cancel"))) ==
           QMessageBox::Ok;
}

QString GuiInteraction::message(const QString& key) const {
    return messages_ ? messages_->GetMessage(key) : QString();
}

options::PasswordPrompt& GuiInteraction::passwordWindow() {
    if (!password_) {
        ownPassword_ = std::make_unique<options::PasswordPrompt>(
            [this](const QString& key) { return message(key); }, nullptr, captions_);
        password_ = ownPassword_.get();
    }
    return *password_;
}

clients::RunningClientsWindow& GuiInteraction::guardWindow() {
    if (!guard_) {
        ownGuard_ = std::make_unique<clients::RunningClientsWindow>(nullptr, captions_);
        guard_ = ownGuard_.get();
    }
    return *guard_;
}

QString GuiInteraction::askPassword() {
    return passwordWindow().AskPassword().value_or(QString());
}

bool GuiInteraction::askRunningClient(int clientCode, const QStringList& windowTitles) {
    const GuardAnswer answer = showRunningClients(clientCode, windowTitles, nullptr);
    return answer == GuardAnswer::Cancel || answer == GuardAnswer::Wait;
}

QString GuiInteraction::text(const QString& key, const QString& english) const {
    return lang::orEnglish(message(key), english);
}

base::Interaction::GuardAnswer GuiInteraction::showRunningClients(int,
                                                                  const QStringList& windowTitles,
                                                                  const CloseAllFn& closeAll,
                                                                  bool restoring) {
    clients::RunningClientsWindow& form = guardWindow();
    // Ending a program loses what it has not saved: the person says so first.
    form.setCloseAllQuestion([this] {
        return confirm(text(QStringLiteral("CloseAllQuestion"),
                            QStringLiteral("Close all ends the programs listed; what they have "
                                           "not saved may be lost. End them now?")),
                       true);
    });
    const QString heading = restoring
                                ? text(QStringLiteral("RestoreCloseClients"),
                                       QStringLiteral("To restore you must close these programs:"))
                                : QString();
    switch (form.ShowModal(windowTitles, closeAll, heading)) {
    case 1:
        return GuardAnswer::CloseAll;
    case 2:
        return GuardAnswer::Wait;
    case 3:
        return GuardAnswer::Ok;
    default:
        return GuardAnswer::Cancel;
    }
}

void GuiInteraction::processEvents() {
    QApplication::processEvents();
}

} // namespace app
