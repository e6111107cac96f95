#pragma once
// What the core shows or asks, as windows: for command-line runs in a desktop
// session and for the main window's backups.

#include "base/Interaction.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace clients {
class TForm5;
}
namespace options {
class Tpasswordform1;
}
namespace lang {
class TLngINISupp;
class TMsgINISupp;
} // namespace lang

namespace app {

class GuiInteraction : public base::Interaction {
public:
    GuiInteraction();
    ~GuiInteraction() override;
    GuiInteraction(const GuiInteraction&) = delete;
    GuiInteraction& operator=(const GuiInteraction&) = delete;

    // The windows made at start-up; until they are set, plain ones are made on first use.
    void setGuardWindow(clients::TForm5* form);
    void setPasswordWindow(options::Tpasswordform1* form);
    // Message texts for the password prompt's title.
    void setMessages(lang::TMsgINISupp* messages) { messages_ = messages; }
    // Captions for the windows made here, translated when they are made.
    void setCaptions(lang::TLngINISupp* captions) { captions_ = captions; }

    void showError(const QString& text) override;
    void showWarning(const QString& text) override;
    bool confirm(const QString& text, bool withCancel) override;
    QString askPassword() override;
    bool askRunningClient(int clientCode, const QStringList& windowTitles) override;
    GuardAnswer showRunningClients(int clientCode, const QStringList& windowTitles,
                                   const CloseAllFn& closeAll) override;
    void processEvents() override;

private:
    clients::TForm5& guardWindow();
    options::Tpasswordform1& passwordWindow();
    QString message(const QString& key) const;

    QPointer<clients::TForm5> guard_;
    QPointer<options::Tpasswordform1> password_;
    std::unique_ptr<clients::TForm5> ownGuard_;
    std::unique_ptr<options::Tpasswordform1> ownPassword_;
    lang::TMsgINISupp* messages_ = nullptr;
    lang::TLngINISupp* captions_ = nullptr;
};

} // namespace app
