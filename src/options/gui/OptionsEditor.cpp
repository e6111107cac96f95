#include "options/gui/OptionsEditor.h"

#include "app/SettingsStore.h"
#include "base/Interaction.h"
#include "base/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace options {

OptionsEditor::OptionsEditor(const OptionsControls& controls, app::SettingsStore& store,
                             base::Interaction& ui, MessageFn message, ModeFill modeFill,
                             QObject* parent)
    : QObject(parent), c_(controls), store_(store), ui_(ui), message_(std::move(message)),
      modeFill_(modeFill) {
    // Digits only; pasted text goes through the same filter as typed keys.
    c_.Edit5->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), c_.Edit5));
    c_.Edit5->setMaxLength(2);
    c_.Edit5->installEventFilter(this);
    for (QLineEdit* e : {c_.Edit6, c_.Edit7}) {
        e->setMaxLength(base::kMaxPasswordLength);
        e->setEchoMode(QLineEdit::Password);
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // '*'
    }

    // The controls change nothing in memory before Save: a backup started
    // meanwhile uses what is stored, and leaving without Save drops the edits.
    connect(c_.RadioButton3, &QRadioButton::toggled, this, &OptionsEditor::updateEnabled);
    connect(c_.CheckBox5, &QCheckBox::toggled, this, &OptionsEditor::updateEnabled);
    connect(c_.RadioButton15, &QRadioButton::toggled, this, &OptionsEditor::updateEnabled);
    connect(c_.ComboBox2, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) Q_EMIT languageChosen(c_.ComboBox2->itemText(index));
    });
    connect(c_.Button7, &QPushButton::clicked, this, &OptionsEditor::RestoreDefaults);
}

void OptionsEditor::FillLanguages() {
    const base::Settings& s = store_.settings();
    // Showing the language in use switches nothing.
    const QSignalBlocker quiet(c_.ComboBox2);
    c_.ComboBox2->clear();
    c_.ComboBox2->addItems(s.languages);
    int selected = -1;
    for (int i = 0; i < s.languages.size() && selected < 0; ++i)
        if (s.languages[i].compare(s.language, Qt::CaseInsensitive) == 0) selected = i;
    c_.ComboBox2->setCurrentIndex(selected);
}

void OptionsEditor::applyMode(int mode) {
    switch (mode) {
    case int(base::BackupMode::Overwrite):
        c_.RadioButton3->setChecked(true);
        break;
    case int(base::BackupMode::NewFile):
        c_.RadioButton4->setChecked(true);
        c_.CheckBox4->setChecked(false);
        break;
    case int(base::BackupMode::KeepLast):
        c_.RadioButton4->setChecked(true);
        c_.CheckBox4->setChecked(true);
        break;
    default: // a stored mode out of range leaves the controls as they are
        break;
    }
}

void OptionsEditor::FillControls() {
    fillFrom(store_.settings());
}

void OptionsEditor::fillFrom(const base::Settings& s) {
    if (modeFill_ == ModeFill::FormerThenCurrent) applyMode(int(s.oldBackupMode));
    applyMode(int(s.backupMode));
    c_.Edit5->setText(QString::number(qBound(1, s.backupKeep, 99)));
    c_.CheckBox5->setChecked(s.backupUsePsw);
    c_.Edit6->setText(s.backupPassword);
    c_.Edit7->setText(s.backupPassword);
    if (s.multipleVolumes)
        c_.RadioButton15->setChecked(true);
    else
        c_.RadioButton14->setChecked(true);
    const int volumes = int(s.volumes);
    c_.ComboBox4->setCurrentIndex(
        volumes >= 0 && volumes < c_.ComboBox4->count() ? volumes : int(base::VolumeMedia::Cd700));
    updateEnabled();
}

void OptionsEditor::updateEnabled() {
    const bool keepable = !c_.RadioButton3->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(c_.CheckBox4), static_cast<QWidget*>(c_.Edit5),
                       static_cast<QWidget*>(c_.Label15)})
        w->setEnabled(keepable);
    const bool protect = c_.CheckBox5->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(c_.Edit6), static_cast<QWidget*>(c_.Edit7),
                       static_cast<QWidget*>(c_.Label16), static_cast<QWidget*>(c_.Label17)})
        w->setEnabled(protect);
    c_.ComboBox4->setEnabled(c_.RadioButton15->isChecked());
}

OptionsEditor::SaveOutcome OptionsEditor::Save() {
    if (c_.Edit6->text() != c_.Edit7->text()) {
        ui_.showError(message_(QStringLiteral("Message6")));
        c_.Edit7->clear();
        c_.Edit6->selectAll();
        if (c_.Edit6->isEnabled() && c_.Edit6->isVisible()) c_.Edit6->setFocus();
        return SaveOutcome::Mismatch;
    }
    const bool protect = c_.CheckBox5->isChecked();
    if (base::PasswordRefused(protect, c_.Edit7->text())) {
        ui_.showError(message_(QStringLiteral("Message23")));
        // The fields show again the password that stays in use.
        FillControls();
        return SaveOutcome::TooShort;
    }
    base::Settings& s = store_.settings();
    s.backupUsePsw = protect;
    s.backupPassword = c_.Edit7->text();
    s.multipleVolumes = c_.RadioButton15->isChecked();
    if (c_.ComboBox4->currentIndex() >= 0)
        s.volumes = base::VolumeMedia(c_.ComboBox4->currentIndex());
    base::BackupModeControls mode;
    mode.overwriteLast = c_.RadioButton3->isChecked();
    mode.newFile = c_.RadioButton4->isChecked();
    mode.keepOnlyLast = c_.CheckBox4->isChecked();
    mode.keep = c_.Edit5->text().toInt();
    const platform::Status written = store_.SaveOptionSettings(mode);
    FillControls();
    if (!written) {
        app::ReportFailedSave(ui_, written);
        return SaveOutcome::WriteFailed;
    }
    return SaveOutcome::Saved;
}

void OptionsEditor::RestoreDefaults() {
    base::Settings defaults = store_.settings();
    defaults.backupMode = base::BackupMode::NewFile;
    defaults.backupKeep = 3;
    defaults.backupUsePsw = false;
    defaults.backupPassword.clear();
    defaults.multipleVolumes = false;
    defaults.volumes = base::VolumeMedia::Cd700;
    fillFrom(defaults);
}

bool OptionsEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.Edit5 && event->type() == QEvent::FocusOut && c_.Edit5->text().toInt() == 0)
        c_.Edit5->setText(QStringLiteral("1"));
    return QObject::eventFilter(watched, event);
}

} // namespace options
