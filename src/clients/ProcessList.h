#pragma once
// The list of running processes, rebuilt from a process snapshot on Refresh.

#include "platform/Process.h"

#include <QString>

#include <functional>
#include <vector>

namespace clients {

// One process as the snapshot reports it, with its priority and executable-type texts.
struct ProcessInfo {
    quint32 usage = 0;
    quint32 pid = 0;
    quint32 heapId = 0;
    quint32 moduleId = 0;
    quint32 threads = 0;
    quint32 parentPid = 0;
    qint32 basePriority = 0;
    quint32 flags = 0;
    QString exePath;  // at most 260 characters
    QString priority; // "[Normal  ]" ...
    QString exeType;  // "32-Bit", "MS-Dos" ... or empty
    // No icon: the core has no pictures; a window that wants one asks the GUI.
};

class ProcessList {
public:
    struct Entry {
        QString name; // file-name part of the executable
        ProcessInfo info;
    };
    using SnapshotSource = std::function<std::vector<platform::ProcessEntry>()>;
    using ExeTypeSource = std::function<quint32(const QString& exePath)>;

    // Empty sources mean the platform's process snapshot and executable-type query.
    explicit ProcessList(SnapshotSource snapshot = {}, ExeTypeSource exeType = {});

    void Refresh();

    // Sorted by name without regard to case; processes of the same name keep snapshot order.
    const std::vector<Entry>& processes() const { return processes_; }
    // Kept for completeness: this program never fills it.
    const std::vector<Entry>& ModuleList() const { return modules_; }
    int count() const { return int(processes_.size()); }
    quint32 ProcessId(int i) const;

    static QString PriorityText(qint32 basePriority);
    // Low word: the signature ("NE", "PE", "LE", "MZ"); high word: the version.
    static QString ExeTypeText(quint32 exeType);

private:
    SnapshotSource snapshot_;
    ExeTypeSource exeType_;
    std::vector<Entry> processes_;
    std::vector<Entry> modules_;
};

} // namespace clients
