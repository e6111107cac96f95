#include "schedule/gui/ScheduleDialog.h"

#include "desktop/gui/FolderPicker.h"
#include "lang/CaptionTranslator.h"
#include "lang/gui/FittingCaptions.h"
#include "ui_ScheduleDialog.h"

namespace schedule {

ScheduleDialog::ScheduleDialog(ScheduleDeps deps, QWidget* parent, lang::CaptionTranslator* lng)
    : QDialog(parent), ui_(std::make_unique<Ui::ScheduleDialog>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
    const platform::Files& files = deps.files;
    editor_ =
        std::make_unique<ScheduleEditor>(ScheduleControls::of(*ui_), std::move(deps), nullptr);
    editor_->pickFolder = [this, &files](const QString& start) {
        return desktop::FolderPicker(files).Execute(start, this);
    };
    connect(ui_->Button1, &QPushButton::clicked, this, &ScheduleDialog::acceptSchedule);
    connect(ui_->Button2, &QPushButton::clicked, this, &ScheduleDialog::reject);
    if (lng && !lng->FileName().isEmpty()) lng->Translate({this});
}

ScheduleDialog::~ScheduleDialog() = default;

std::vector<lang::CaptionControl*> ScheduleDialog::controls() const {
    return clients::CaptionPointers(captions_);
}

void ScheduleDialog::showEvent(QShowEvent* event) {
    editor_->Show();
    editor_->FillFields();
    QDialog::showEvent(event);
}

void ScheduleDialog::acceptSchedule() {
    editor_->Leave();
    accept();
}

} // namespace schedule
