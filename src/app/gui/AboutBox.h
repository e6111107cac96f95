#pragma once
// The about box: the product's name, icon and version, and the licences of
// the libraries the program is built with.

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

namespace lang {
class CaptionTranslator;
}

namespace Ui {
class AboutBox;
}

namespace app {

class AboutBox : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one; the
    // licence text from message ("AboutLicences") where it translates it.
    explicit AboutBox(QWidget* parent = nullptr, lang::CaptionTranslator* lng = nullptr,
                      std::function<QString(const QString&)> message = {});
    ~AboutBox() override;

    // Shows the licence text of the language in use.
    int ShowModal();

    // The text of the licence area in English.
    static QString LicenceText();

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

private:
    void showLicences();

    std::unique_ptr<Ui::AboutBox> ui_;
    std::function<QString(const QString&)> message_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
};

} // namespace app
