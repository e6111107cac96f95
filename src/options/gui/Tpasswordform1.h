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
class TLngINISupp;
}

namespace Ui {
class Tpasswordform1;
}

namespace options {

class Tpasswordform1 : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // message looks up a message text by key (the title is "Message33").
    explicit Tpasswordform1(std::function<QString(const QString&)> message,
                            QWidget* parent = nullptr, lang::TLngINISupp* lng = nullptr);
    ~Tpasswordform1() override;

    // Shows the prompt modally: the text given with OK (also when empty), or
    // nothing when the window was closed otherwise.
    std::optional<QString> AskPassword();

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void Button1Click();

private:
    std::unique_ptr<Ui::Tpasswordform1> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    std::function<QString(const QString&)> message_;
    std::optional<QString> password_;
};

} // namespace options
