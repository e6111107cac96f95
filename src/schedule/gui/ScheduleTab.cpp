#include "schedule/gui/ScheduleTab.h"

#include "desktop/gui/FolderPicker.h"
#include "lang/gui/FittingCaptions.h"
#include "ui_ScheduleTab.h"

namespace schedule {

ScheduleTab::ScheduleTab(ScheduleDeps deps, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ScheduleTab>()) {
    ui_->setupUi(this);
    lang::FitCaptions(this);
    const platform::Files& files = deps.files;
    editor_ =
        std::make_unique<ScheduleEditor>(ScheduleControls::of(*ui_), std::move(deps), nullptr);
    editor_->pickFolder = [this, &files](const QString& start) {
        return desktop::FolderPicker(files).Execute(start, this);
    };
}

ScheduleTab::~ScheduleTab() = default;

} // namespace schedule
