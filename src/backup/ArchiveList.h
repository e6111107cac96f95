#pragma once
// The archive file list of one backup: every entry is a file or folder with the
// folder it is stored under, and consecutive entries form the tasks (one item
// of one identity) that the progress display counts in.

#include "platform/Result.h"

#include <QString>

#include <vector>

namespace platform {
class Files;
}

namespace backup {

struct ArchiveEntry {
    QString spec;          // Windows path of a file or folder
    QString archiveFolder; // folder inside the archive; may be empty
    QString baseFolder;    // the part of spec that the stored name leaves out
    qint64 size = 0;       // bytes the entry will store (a folder: every file below it)
};

struct TaskRow {
    qint64 size = 0;
    int last = 0; // index of the task's last entry
    QString name;
};

class ArchiveList {
public:
    explicit ArchiveList(const platform::Files& fs);

    // A fresh list: no entries, no tasks (rows of an earlier backup are cleared).
    void clear();
    // The closing counters of the backup job: start of every collector.
    void resetTasks();

    void AddArchiveEntry(const QString& spec, const QString& archiveFolder,
                         const QString& baseFolder);
    // One entry per name in folder (sub-folders included, not descended into).
    // A folder that is missing adds nothing; one that is there but cannot be
    // listed adds nothing either and gives the error, for the caller to report.
    platform::Status AddFolderEntries(const QString& folder, const QString& archiveFolder,
                                      const QString& baseFolder, const QString& extension);
    void CloseTask(const QString& name);

    int count() const { return int(entries_.size()); }
    const ArchiveEntry& entry(int n) const; // 1-based
    qint64 totalSize() const;
    int tasksClosed() const { return tasks_; }
    // Row 0 and rows after the last closed task read as empty rows.
    const TaskRow& task(int t) const;

    // Bytes a specification stands for: every match, folders counted with all
    // the files below them; nothing when it matches nothing.
    qint64 sizeOf(const QString& spec) const;

private:
    qint64 folderBytes(const QString& folder, int depth) const;

    const platform::Files& fs_;
    std::vector<ArchiveEntry> entries_;
    std::vector<TaskRow> rows_; // rows_[0] is the sentinel
    int tasks_ = 0;
    int lastEnd_ = 0;
};

} // namespace backup
