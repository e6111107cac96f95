#include "options/gui/OptionsDialog.h"

#include "lang/CaptionTranslator.h"
#include "lang/gui/FittingCaptions.h"
#include "options/gui/OptionsEditor.h"
#include "ui_OptionsDialog.h"

namespace options {

OptionsDialog::OptionsDialog(app::SettingsStore& store, base::Interaction& ui,
                             std::function<QString(const QString&)> message, QWidget* parent,
                             lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::OptionsDialog>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    editor_ =
        std::make_unique<OptionsEditor>(OptionsControls::of(*ui_), store, ui, std::move(message),
                                        OptionsEditor::ModeFill::CurrentOnly, nullptr);
    connect(ui_->Button1, &QPushButton::clicked, this, &OptionsDialog::save);
    connect(ui_->Button2, &QPushButton::clicked, this, &OptionsDialog::reject);
    connect(editor_.get(), &OptionsEditor::languageChosen, this, &OptionsDialog::languageChosen);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

OptionsDialog::~OptionsDialog() = default;

std::vector<lang::CaptionControl*> OptionsDialog::controls() const {
    return clients::CaptionPointers(captions_);
}

void OptionsDialog::showEvent(QShowEvent* event) {
    editor_->FillLanguages();
    editor_->FillControls();
    QDialog::showEvent(event);
}

void OptionsDialog::save() {
    switch (editor_->Save()) {
    case OptionsEditor::SaveOutcome::Mismatch:
        return; // stays open on the password fields
    case OptionsEditor::SaveOutcome::TooShort:
        reject();
        return;
    case OptionsEditor::SaveOutcome::Saved:
    case OptionsEditor::SaveOutcome::WriteFailed:
        accept();
        return;
    }
}

} // namespace options
