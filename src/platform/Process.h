#pragma once
// Processes: a snapshot from /proc, ending a process and waiting for it, starting
// a program, and the executable-type query.

#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

struct ProcessEntry {
    quint32 usage = 0;
    quint32 pid = 0;
    quint32 heapId = 0;
    quint32 moduleId = 0;
    quint32 threads = 0;
    quint32 parentPid = 0;
    qint32 basePriority = 8; // Windows base priority mapped from the nice value
    quint32 flags = 0;
    QString exePath; // host path; for a Wine process the Windows path of its .exe
    QString exeName; // the file-name part of exePath (e.g. "OUTLOOK.EXE")
};

std::vector<ProcessEntry> processSnapshot();

// An open process (a pidfd), closed on destruction.
class ProcessHandle {
public:
    static Result<ProcessHandle> openForTerminate(quint32 pid);
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle();

    quint32 pid() const { return pid_; }
    Status terminate(int exitCode);
    Status waitForExit(); // without a time limit
    bool hasExited() const;

    // How endGently ended the process.
    enum class Ending { OnRequest, ByForce, NotAtAll };
    // Ends the process as gently as it allows: first windowGraceMs for close
    // requests already sent to its windows, then a termination request
    // (SIGTERM) with termGraceMs, and only then by force (SIGKILL), waited for.
    Ending endGently(int windowGraceMs, int termGraceMs);

private:
    ProcessHandle(int fd, quint32 pid) : fd_(fd), pid_(pid) {}
    int fd_ = -1;
    quint32 pid_ = 0;
};

// Starts a host program detached from this process; returns its pid.
Result<qint64> startDetached(const QString& hostProgram, const QStringList& args,
                             const QString& workingDir = QString());

// SHGetFileInfo(SHGFI_EXETYPE): low word the signature ("MZ", "NE", "PE", "LE"),
// high word the subsystem version; 0 when the file is no executable.
quint32 executableType(const QString& hostPath);

} // namespace platform
