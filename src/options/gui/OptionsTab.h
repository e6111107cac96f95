#pragma once
// The controls of the main window's "Options" tab. The main window places this
// widget on its tab page; the controls then translate under the main window's
// section of the language file.

#include <QWidget>

#include <functional>
#include <memory>

namespace app {
class SettingsStore;
}
namespace base {
class Interaction;
}
namespace Ui {
class OptionsTab;
}

namespace options {

class OptionsEditor;

class OptionsTab : public QWidget {
    Q_OBJECT
public:
    // message looks up a message text by key ("Message6", ...).
    OptionsTab(app::SettingsStore& store, base::Interaction& ui,
               std::function<QString(const QString&)> message, QWidget* parent = nullptr);
    ~OptionsTab() override;

    // Start-up: the language list and its selection, then the other controls.
    void fill();
    // The tab became visible: the controls show the settings in memory.
    void showTab();
    // The tab is hidden: nothing of the options is left pending.
    void leaveTab() {}

    OptionsEditor& editor() { return *editor_; }

Q_SIGNALS:
    // ComboBox2 picked a language: the caller switches every open window to it.
    void languageChosen(const QString& name);

private:
    std::unique_ptr<Ui::OptionsTab> ui_;
    // Goes before the controls it watches do.
    std::unique_ptr<OptionsEditor> editor_;
};

} // namespace options
