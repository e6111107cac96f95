#pragma once
// Where the archive writer shows its progress: the progress window's bar and
// the main window's overall bar, task bar and task line. The windows implement
// it; without one, progress is not shown.

#include <QString>

namespace backup {

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // overall and task are percentages; taskLine is "Message36" + the task's name.
    virtual void showProgress(int overall, int task, const QString& taskLine) = 0;
};

} // namespace backup
