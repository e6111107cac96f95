#include "platform/TemporaryFolder.h"

#include "platform/HostTree.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A locked descriptor of the folder, or -1 when another process holds its lock.
int lockFolder(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    ::close(fd);
    return -1;
}

// "postora-<pid>-XXXXXX" as mkdtemp makes it: the pid, or 0 for any other name.
pid_t folderPid(const QString& name) {
    static const QRegularExpression form(
        QStringLiteral("^postora-([1-9][0-9]{0,8})-[A-Za-z0-9]{6}$"));
    const QRegularExpressionMatch m = form.match(name);
    return m.hasMatch() ? pid_t(m.captured(1).toInt()) : 0;
}

} // namespace

TemporaryFolder::TemporaryFolder(const QString& base) {
    const QString folder = QDir::cleanPath(base.isEmpty() ? QDir::tempPath() : base);
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("/postora-") +
                                         QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(templ.data())) return; // mode 0700
    lockFd_ = lockFolder(templ);
    path_ = QFile::decodeName(templ);
}

TemporaryFolder::~TemporaryFolder() {
    if (!path_.isEmpty()) removeTree(path_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

void removeLeftoverFolders(const QString& base) {
    const QDir dir(base);
    const QStringList names = dir.entryList({QStringLiteral("postora-*")},
                                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const pid_t pid = folderPid(name);
        if (pid == 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        const int fd = lockFolder(path);
        if (fd < 0) continue;
        // Held while the tree goes, so that no other run takes it for its own meanwhile.
        removeTree(QFile::decodeName(path));
        ::close(fd);
    }
}

} // namespace platform
