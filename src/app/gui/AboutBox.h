#pragma once
// The about box: the product's name, icon and version, and the licences of
// the libraries the program is built with.

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

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
    // The window's captions come from lng's file when it names one.
    explicit AboutBox(QWidget* parent = nullptr, lang::CaptionTranslator* lng = nullptr);
    ~AboutBox() override;

    int ShowModal() { return exec(); }

    // The text of the licence area.
    static QString LicenceText();

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

private:
    std::unique_ptr<Ui::AboutBox> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
};

} // namespace app
