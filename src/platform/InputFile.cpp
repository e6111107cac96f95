#include "platform/InputFile.h"

#include "platform/HostTree.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("a pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    return QStringLiteral("not a file");
}

Error cannotRead(int err, const QString& shownName) {
    return Error{errorFromErrno(err),
                 QStringLiteral("Cannot read \"%1\": %2")
                     .arg(shownName, QString::fromLocal8Bit(std::strerror(err)))};
}

// What makes a file unfit to read, or nothing when it is fit.
std::optional<Error> unfit(const struct stat& st, qint64 limit, const QString& shownName) {
    if (!S_ISREG(st.st_mode))
        return Error{kAccessDenied,
                     QStringLiteral("\"%1\" is %2, not a regular file: it is not read")
                         .arg(shownName, kindOf(st.st_mode))};
    if (qint64(st.st_size) > limit)
        return Error{kInvalidData,
                     QStringLiteral("\"%1\" holds %2 MiB, more than the %3 MiB that such a file "
                                    "ever needs: it is not read")
                         .arg(shownName)
                         .arg(qint64(st.st_size) >> 20)
                         .arg(limit >> 20)};
    return std::nullopt;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

Result<QByteArray> readChecked(const QString& hostPath, qint64 limit, qint64 count,
                               const QString& shownName) {
    const QByteArray path = QFile::encodeName(hostPath);
    struct stat st {};
    // Checked before opening: opening a device may already do something.
    if (::stat(path.constData(), &st) != 0) return cannotRead(errno, shownName);
    if (auto bad = unfit(st, limit, shownName)) return *bad;
    // Not blocking, in case the name was swapped for a pipe meanwhile.
    Fd f{::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (f.fd < 0) return cannotRead(errno, shownName);
    if (::fstat(f.fd, &st) != 0) return cannotRead(errno, shownName);
    if (auto bad = unfit(st, limit, shownName)) return *bad;
    // A file that grows while it is read is cut at the limit and refused.
    const qint64 want = std::min(count, limit + 1);
    QByteArray data;
    data.resize(qsizetype(std::min<qint64>(want, qint64(st.st_size) + 1)));
    qint64 got = 0;
    for (;;) {
        if (got == qint64(data.size())) {
            if (got >= want) break;
            data.resize(qsizetype(std::min<qint64>(want, got * 2 + 4096)));
        }
        const ssize_t n = ::read(f.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return cannotRead(errno, shownName);
        }
        if (n == 0) break;
        got += n;
    }
    if (got > limit) {
        st.st_size = off_t(got);
        return *unfit(st, limit, shownName);
    }
    data.truncate(qsizetype(got));
    return data;
}

} // namespace

Result<QByteArray> readInputFile(const QString& hostPath, qint64 limit, const QString& shownName) {
    return readChecked(hostPath, limit, limit + 1, shownName);
}

Result<QByteArray> readInputHead(const QString& hostPath, qint64 limit, qint64 count,
                                 const QString& shownName) {
    return readChecked(hostPath, limit, count, shownName);
}

} // namespace platform
