#pragma once
// What the two options editors (the main window's "Options" tab and the
// options dialog) do with their controls: both have the same controls under
// the same names, and this class gives them one behaviour.

#include <QObject>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace app {
class SettingsStore;
}
namespace base {
class Interaction;
struct Settings;
} // namespace base

namespace options {

struct OptionsControls {
    QComboBox* ComboBox2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label15 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label17 = nullptr;
    QRadioButton* RadioButton14 = nullptr;
    QRadioButton* RadioButton15 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button1 = nullptr; // "Save": each editor decides what follows

    // The generated form classes of both editors name their controls alike.
    template <class Form> static OptionsControls of(const Form& f) {
        return {f.ComboBox2,     f.RadioButton3, f.RadioButton4, f.CheckBox4,
                f.Edit5,         f.Label15,      f.CheckBox5,    f.Edit6,
                f.Edit7,         f.Label16,      f.Label17,      f.RadioButton14,
                f.RadioButton15, f.ComboBox4,    f.Button7,      f.Button1};
    }
};

class OptionsEditor : public QObject {
    Q_OBJECT
public:
    using MessageFn = std::function<QString(const QString& key)>;
    // The tab shows the former backup mode before the current one, so that
    // "Keep only the last" keeps the former tick under "Overwrite".
    enum class ModeFill { FormerThenCurrent, CurrentOnly };

    OptionsEditor(const OptionsControls& controls, app::SettingsStore& store, base::Interaction& ui,
                  MessageFn message, ModeFill modeFill, QObject* parent);

    // The language list and its selection, from the settings in memory.
    void FillLanguages();
    // Every other control, from the settings in memory, with the enabled states.
    void FillControls();

    // Only Save takes the controls into memory (the language list excepted,
    // which switches at once).
    enum class SaveOutcome {
        Mismatch, // the two password fields differ: nothing happened
        TooShort, // protected with fewer than 5 characters: nothing written, controls refilled
        Saved,
        WriteFailed, // written as far as the registry let it; the failure was shown
    };
    SaveOutcome Save();
    // The defaults on the controls, for Save to take; memory keeps what is in use.
    void RestoreDefaults();

Q_SIGNALS:
    // A language was picked in the list (its display name).
    void languageChosen(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillFrom(const base::Settings& s);
    void applyMode(int mode);
    void updateEnabled();

    OptionsControls c_;
    app::SettingsStore& store_;
    base::Interaction& ui_;
    MessageFn message_;
    ModeFill modeFill_;
};

} // namespace options
