#pragma once
// What the core shows or asks, as windows: for command-line runs in a desktop
// session and for the main window's backups.

#include "base/Interaction.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace clients {
class RunningClientsWindow;
}
namespace options {
class PasswordPrompt;
}
namespace lang {
class CaptionTranslator;
class MessageTable;
} // namespace lang

namespace app {

class GuiInteraction : public base::Interaction {
public:
    GuiInteraction();
    ~GuiInteraction() override;
    GuiInteraction(const GuiInteraction&) = delete;
    GuiInteraction& operator=(const GuiInteraction&) = delete;

    // The windows made at start-up; until they are set, plain ones are made on first use.
    void setGuardWindow(clients::RunningClientsWindow* form);
    void setPasswordWindow(options::PasswordPrompt* form);
    // Message texts for the password prompt's title.
    void setMessages(lang::MessageTable* messages) { messages_ = messages; }
    // Captions for the windows made here, translated when they are made.
    void setCaptions(lang::CaptionTranslator* captions) { captions_ = captions; }

    void showError(const QString& text) override;
    void showWarning(const QString& text) override;
    bool confirm(const QString& text, bool withCancel) override;
    QString askPassword() override;
    bool askRunningClient(int clientCode, const QStringList& windowTitles) override;
    GuardAnswer showRunningClients(int clientCode, const QStringList& windowTitles,
                                   const CloseAllFn& closeAll, bool restoring = false) override;
    void processEvents() override;

private:
    clients::RunningClientsWindow& guardWindow();
    options::PasswordPrompt& passwordWindow();
    QString message(const QString& key) const;
    // The text of key; english when the language file lacks it.
    QString text(const QString& key, const QString& english) const;

    QPointer<clients::RunningClientsWindow> guard_;
    QPointer<options::PasswordPrompt> password_;
    std::unique_ptr<clients::RunningClientsWindow> ownGuard_;
    std::unique_ptr<options::PasswordPrompt> ownPassword_;
    lang::MessageTable* messages_ = nullptr;
    lang::CaptionTranslator* captions_ = nullptr;
};

} // namespace app
