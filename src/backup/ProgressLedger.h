#pragma once
// Turns the library's per-file reports into an overall percentage and one for
// the current task (one item of one identity).

#include <QString>

namespace backup {

class ArchiveList;

class ProgressLedger {
public:
    struct Display {
        int overall = 0; // 0..100
        int task = 0;    // 0..100
        QString taskName;
    };

    void reset();
    // Start of writing: the overall scale from the list's total size.
    void start(const ArchiveList& list);
    // The library begins the next file: moves the entry and, past the end of
    // the current task, one task on.
    void nextFile(const ArchiveList& list);
    // Percentage of the current file stored so far.
    Display progress(const ArchiveList& list, int percent) const;

    int currentEntry() const { return entry_; }
    int currentTask() const { return task_; }
    qint64 finishedTotal() const { return doneTotal_; }
    qint64 finishedInTask() const { return doneTask_; }
    // Undo of a step the library did not mean as a file (extraction paths).
    void setCurrentEntry(int n) { entry_ = n; }

private:
    int entry_ = 0;
    int task_ = 0;
    qint64 doneTotal_ = 0;
    qint64 doneTask_ = 0;
    double totalScale_ = 100.0;
    double taskScale_ = 100.0;
};

} // namespace backup
