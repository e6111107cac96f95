#pragma once
// The schedule dialog of the wizard: the controls of the "Schedule" tab with
// "OK" and "Cancel".

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"
#include "schedule/gui/ScheduleEditor.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace lang {
class CaptionTranslator;
}
namespace Ui {
class ScheduleDialog;
}

namespace schedule {

class ScheduleDialog : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    ScheduleDialog(ScheduleDeps deps, QWidget* parent = nullptr,
                   lang::CaptionTranslator* lng = nullptr);
    ~ScheduleDialog() override;

    void buildTree(const clients::ClientTreeModel& model) { editor_->BuildTree(model); }

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

    ScheduleEditor& editor() { return *editor_; }

protected:
    // Showing: the tree's images and the fields from the settings in memory.
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    // OK leaves the editor (the caller then refills the main window's fields);
    // Cancel only closes: the fields' changes are already in memory.
    void acceptSchedule();

private:
    std::unique_ptr<Ui::ScheduleDialog> ui_;
    std::vector<std::unique_ptr<clients::WidgetCaptionControl>> captions_;
    // Goes before the controls it watches do.
    std::unique_ptr<ScheduleEditor> editor_;
};

} // namespace schedule
