#include "platform/Process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray readProcFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
    return f.read(1 << 16); // /proc files are small; a command line is cut here
}

// Windows base priority for a Linux nice value and scheduling policy.
qint32 basePriority(int nice, int policy) {
    if (policy == 1 || policy == 2) // SCHED_FIFO, SCHED_RR
        return 24;
    if (nice < 0) return 13;
    return nice == 0 ? 8 : 4;
}

QString fileNamePart(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

bool isWineLoader(const QString& exe) {
    return fileNamePart(exe).startsWith(u"wine", Qt::CaseInsensitive);
}

// The Windows program of a Wine process: the first command-line word that
// ends in ".exe" ("C:\Program Files\Outlook\OUTLOOK.EXE /recycle").
QString windowsExeFromCommandLine(const QByteArray& cmdline) {
    for (const QByteArray& arg : cmdline.split('\0')) {
        const QString a = QString::fromUtf8(arg);
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = a.indexOf(u".exe", from, Qt::CaseInsensitive);
            if (at < 0) break;
            const qsizetype end = at + 4;
            if (end == a.size() || a.at(end) == u' ' || a.at(end) == u'"') {
                QString exe = a.left(end);
                if (exe.startsWith(u'"')) exe.remove(0, 1);
                return exe;
            }
            from = end;
        }
    }
    return {};
}

std::optional<ProcessEntry> readEntry(const QString& pidText) {
    const QString dir = QStringLiteral("/proc/") + pidText;
    const QByteArray stat = readProcFile(dir + QStringLiteral("/stat"));
    const qsizetype open = stat.indexOf('(');
    const qsizetype close = stat.lastIndexOf(')');
    if (open < 0 || close < open) return std::nullopt;
    // Fields after the name, from the state (field 3) on.
    const QList<QByteArray> f = stat.mid(close + 2).trimmed().split(' ');
    if (f.size() < 18 || f.at(0) == "Z" || f.at(0) == "X")
        return std::nullopt; // unreadable, or ended and waiting to be reaped
    ProcessEntry e;
    e.pid = pidText.toUInt();
    e.parentPid = f.at(1).toUInt();
    e.threads = f.at(17).toUInt();
    e.basePriority = basePriority(f.at(16).toInt(), f.size() > 38 ? f.at(38).toInt() : 0);

    const QString comm = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
    const QString exe = QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget();
    if (!exe.isEmpty() && isWineLoader(exe)) {
        const QString win =
            windowsExeFromCommandLine(readProcFile(dir + QStringLiteral("/cmdline")));
        e.exePath = win.isEmpty() ? exe : win;
    } else if (!exe.isEmpty()) {
        e.exePath = exe;
    } else {
        e.exePath = comm; // kernel threads, and processes we may not look into
    }
    e.exeName = fileNamePart(e.exePath);
    return e;
}

int pidfdOpen(pid_t pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

std::vector<ProcessEntry> processSnapshot() {
    std::vector<ProcessEntry> out;
    const QStringList names =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool numeric = false;
        name.toUInt(&numeric);
        if (!numeric) continue;
        if (auto e = readEntry(name)) out.push_back(std::move(*e));
    }
    std::sort(out.begin(), out.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return out;
}

Result<ProcessHandle> ProcessHandle::openForTerminate(quint32 pid) {
    if (pid == 0 || pid > quint32(std::numeric_limits<pid_t>::max()))
        return Error{kInvalidHandle, QStringLiteral("No process %1").arg(pid)};
    // Ending needs the right to signal; ask now, as opening a Windows process would.
    if (::kill(pid_t(pid), 0) != 0 && errno == EPERM)
        return Error{kAccessDenied, QStringLiteral("Process %1 may not be ended").arg(pid)};
    const int fd = pidfdOpen(pid_t(pid));
    if (fd < 0) {
        const int err = errno;
        return Error{err == ESRCH ? kInvalidHandle : kAccessDenied,
                     QStringLiteral("Cannot open process %1: %2")
                         .arg(pid)
                         .arg(QString::fromLocal8Bit(std::strerror(err)))};
    }
    return ProcessHandle(fd, pid);
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pid_(other.pid_) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        pid_ = other.pid_;
    }
    return *this;
}

ProcessHandle::~ProcessHandle() {
    if (fd_ >= 0) ::close(fd_);
}

Status ProcessHandle::terminate(int exitCode) {
    // A Linux process cannot be given an exit code from outside: it ends by
    // SIGKILL and its parent sees that signal instead of `exitCode`.
    Q_UNUSED(exitCode);
    if (fd_ < 0) return Error{kInvalidHandle, QStringLiteral("No process is open")};
    if (::syscall(SYS_pidfd_send_signal, fd_, SIGKILL, nullptr, 0) != 0) {
        const int err = errno;
        return Error{kAccessDenied, QStringLiteral("Cannot end process %1: %2")
                                        .arg(pid_)
                                        .arg(QString::fromLocal8Bit(std::strerror(err)))};
    }
    return Status::ok();
}

Status ProcessHandle::waitForExit() {
    if (fd_ < 0) return Error{kInvalidHandle, QStringLiteral("No process is open")};
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0) {
        if (errno != EINTR)
            return Error{kInvalidHandle, QStringLiteral("Cannot wait for process %1").arg(pid_)};
    }
    return Status::ok();
}

bool ProcessHandle::hasExited() const {
    if (fd_ < 0) return true;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

namespace {
// Waits up to ms for the process behind fd to end; true when it has.
bool endsWithin(int fd, int ms) {
    QElapsedTimer clock;
    clock.start();
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int left = std::max(0, ms - int(clock.elapsed()));
        const int r = ::poll(&p, 1, left);
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

bool sendSignal(int fd, int sig) {
    return ::syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0) == 0;
}
} // namespace

ProcessHandle::Ending ProcessHandle::endGently(int windowGraceMs, int termGraceMs) {
    if (fd_ < 0) return Ending::NotAtAll;
    if (endsWithin(fd_, windowGraceMs)) return Ending::OnRequest;
    // A Wine program ends on SIGTERM without saving, but still more cleanly than by SIGKILL.
    if (sendSignal(fd_, SIGTERM) && endsWithin(fd_, termGraceMs)) return Ending::OnRequest;
    if (endsWithin(fd_, 0)) return Ending::OnRequest;
    if (!sendSignal(fd_, SIGKILL)) return Ending::NotAtAll;
    return waitForExit() ? Ending::ByForce : Ending::NotAtAll;
}

Result<qint64> startDetached(const QString& hostProgram, const QStringList& args,
                             const QString& workingDir) {
    qint64 pid = 0;
    if (!QProcess::startDetached(hostProgram, args, workingDir, &pid))
        return Error{kFileNotFound, QStringLiteral("Cannot start \"%1\"").arg(hostProgram)};
    return pid;
}

} // namespace platform
