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
class CaptionTranslator;
}
namespace Ui {
class OptionsDialog;
}

namespace options {

class OptionsEditor;

class OptionsDialog : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    OptionsDialog(app::SettingsStore& store, base::Interaction& ui,
                  std::function<QString(const QString&)> message, QWidget* parent = nullptr,
                  lang::CaptionTranslator* lng = nullptr);
    ~OptionsDialog() override;

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

    OptionsEditor& editor() { return *editor_; }

Q_SIGNALS:
    void languageChosen(const QString& name);

protected:
    // Showing: the language list and every control from the settings in memory.
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void save();

private:
    std::unique_ptr<Ui::OptionsDialog> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    // Goes before the controls it watches do.
    std::unique_ptr<OptionsEditor> editor_;
};

} // namespace options
