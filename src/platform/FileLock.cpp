#include "platform/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

Status FileLock::acquire(const QString& path, int timeoutMs) {
    release();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int err = errno;
        return Error{err == EACCES || err == EPERM || err == EROFS ? kAccessDenied : kPathNotFound,
                     QStringLiteral("Cannot open the lock file %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(err)))};
    }
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return Status::ok();
        }
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (waited.elapsed() >= timeoutMs) break;
        QThread::msleep(5);
    }
    ::close(fd);
    return Error{kSharingViolation, QStringLiteral("%1 is locked by another process").arg(path)};
}

void FileLock::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace platform
