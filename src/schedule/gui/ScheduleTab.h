#pragma once
// The controls of the main window's "Schedule" tab. The main window places
// this widget on its tab page; the controls then translate under the main
// window's section of the language file.

#include "schedule/gui/ScheduleEditor.h"

#include <QWidget>

#include <memory>

namespace Ui {
class ScheduleTab;
}

namespace schedule {

class ScheduleTab : public QWidget {
    Q_OBJECT
public:
    ScheduleTab(ScheduleDeps deps, QWidget* parent = nullptr);
    ~ScheduleTab() override;

    // The main window builds its client trees.
    void buildTree(const clients::ClientTreeModel& model) { editor_->BuildTree(model); }
    // The fields from the settings in memory (start-up, each showing of the
    // main window, after the schedule dialog's OK).
    void fill() { editor_->FillFields(); }
    // The tab became visible / is hidden.
    void showTab() { editor_->Show(); }
    void leaveTab() { editor_->Leave(); }

    ScheduleEditor& editor() { return *editor_; }

private:
    std::unique_ptr<Ui::ScheduleTab> ui_;
    // Goes before the controls it watches do.
    std::unique_ptr<ScheduleEditor> editor_;
};

} // namespace schedule
