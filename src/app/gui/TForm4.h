#pragma once
// The about box: the product's name, icon and version, and the licences of
// the libraries the program is built with.

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace lang {
class TLngINISupp;
}

namespace Ui {
class TForm4;
}

namespace app {

class TForm4 : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    explicit TForm4(QWidget* parent = nullptr, lang::TLngINISupp* lng = nullptr);
    ~TForm4() override;

    int ShowModal() { return exec(); }

    // The text of the licence area.
    static QString LicenceText();

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

private:
    std::unique_ptr<Ui::TForm4> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
};

} // namespace app
