#pragma once
// The password prompt: asks for the archive password when the archive writer
// needs one that was not given.

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lang {
class CaptionTranslator;
}

namespace Ui {
class PasswordPrompt;
}

namespace options {

class PasswordPrompt : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // message looks up a message text by key (the title is "Message33").
    explicit PasswordPrompt(std::function<QString(const QString&)> message,
                            QWidget* parent = nullptr, lang::CaptionTranslator* lng = nullptr);
    ~PasswordPrompt() override;

    // Shows the prompt modally: the text given with OK (also when empty), or
    // nothing when the window was closed otherwise.
    std::optional<QString> AskPassword();

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void acceptPassword();

private:
    std::unique_ptr<Ui::PasswordPrompt> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    std::function<QString(const QString&)> message_;
    std::optional<QString> password_;
};

} // namespace options
