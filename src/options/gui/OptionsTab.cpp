#include "options/gui/OptionsTab.h"

#include "lang/gui/FittingCaptions.h"
#include "options/gui/OptionsEditor.h"
#include "ui_OptionsTab.h"

namespace options {

OptionsTab::OptionsTab(app::SettingsStore& store, base::Interaction& ui,
                       std::function<QString(const QString&)> message, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::OptionsTab>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    editor_ =
        std::make_unique<OptionsEditor>(OptionsControls::of(*ui_), store, ui, std::move(message),
                                        OptionsEditor::ModeFill::FormerThenCurrent, nullptr);
    // The tab stays open whatever Save finds; Save has told of a failure.
    connect(ui_->Button1, &QPushButton::clicked, editor_.get(), [this] { (void)editor_->Save(); });
    connect(editor_.get(), &OptionsEditor::languageChosen, this, &OptionsTab::languageChosen);
}

OptionsTab::~OptionsTab() = default;

void OptionsTab::fill() {
    editor_->FillLanguages();
    editor_->FillControls();
}

void OptionsTab::showTab() {
    editor_->FillControls();
}

} // namespace options
