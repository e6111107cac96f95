#include "backup/ProgressLedger.h"

#include "backup/ArchiveList.h"

#include <QtGlobal>

#include <algorithm>

namespace backup {

namespace {
double scaleFor(qint64 size) {
    return size > 0 ? 100.0 / double(size) : 100.0;
}

qint64 entrySize(const ArchiveList& list, int n) {
    return n >= 1 && n <= list.count() ? list.entry(n).size : 0;
}

int percentOf(double value) {
    return int(std::clamp<qint64>(qRound64(value), 0, 100));
}
} // namespace

void ProgressLedger::reset() {
    *this = ProgressLedger();
}

void ProgressLedger::start(const ArchiveList& list) {
    totalScale_ = scaleFor(list.totalSize());
}

void ProgressLedger::nextFile(const ArchiveList& list) {
    ++entry_;
    if (entry_ > 1) {
        const qint64 previous = entrySize(list, entry_ - 1);
        doneTotal_ += previous;
        doneTask_ += previous;
    }
    // One task per file at most, even when the next task holds no entries.
    if (entry_ > list.task(task_).last) {
        ++task_;
        doneTask_ = 0;
        taskScale_ = scaleFor(list.task(task_).size);
    }
}

ProgressLedger::Display ProgressLedger::progress(const ArchiveList& list, int percent) const {
    const qint64 fileDone = qRound64(double(entrySize(list, entry_)) * percent / 100.0);
    Display d;
    d.overall = percentOf(double(doneTotal_ + fileDone) * totalScale_);
    d.task = percentOf(double(doneTask_ + fileDone) * taskScale_);
    d.taskName = list.task(task_).name;
    return d;
}

} // namespace backup
