#include "options/gui/TForm9.h"

#include "lang/TLngINISupp.h"
#include "lang/gui/FittingCaptions.h"
#include "options/gui/OptionsEditor.h"
#include "ui_TForm9.h"

namespace options {

TForm9::TForm9(app::SettingsStore& store, base::Interaction& ui,
               std::function<QString(const QString&)> message, QWidget* parent,
               lang::TLngINISupp* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm9>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    editor_ =
        std::make_unique<OptionsEditor>(OptionsControls::of(*ui_), store, ui, std::move(message),
                                        OptionsEditor::ModeFill::CurrentOnly, nullptr);
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm9::reject);
    connect(editor_.get(), &OptionsEditor::languageChosen, this, &TForm9::languageChosen);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

TForm9::~TForm9() = default;

std::vector<lang::CaptionControl*> TForm9::controls() const {
    return clients::CaptionPointers(captions_);
}

void TForm9::showEvent(QShowEvent* event) {
    editor_->FillLanguages();
    editor_->FillControls();
    QDialog::showEvent(event);
}

void TForm9::Button1Click() {
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
