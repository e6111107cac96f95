#pragma once
// The options dialog of the wizard: the controls of the "Options" tab with
// "Save" and "Cancel".

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

namespace app {
class SettingsStore;
}
namespace base {
class Interaction;
}
namespace lang {
class TLngINISupp;
}
namespace Ui {
class TForm9;
}

namespace options {

class OptionsEditor;

class TForm9 : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    TForm9(app::SettingsStore& store, base::Interaction& ui,
           std::function<QString(const QString&)> message, QWidget* parent = nullptr,
           lang::TLngINISupp* lng = nullptr);
    ~TForm9() override;

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

    OptionsEditor& editor() { return *editor_; }

Q_SIGNALS:
    void languageChosen(const QString& name);

protected:
    // Showing: the language list and every control from the settings in memory.
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void Button1Click();

private:
    std::unique_ptr<Ui::TForm9> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    // Goes before the controls it watches do.
    std::unique_ptr<OptionsEditor> editor_;
};

} // namespace options
