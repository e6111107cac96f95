#include "platform/LinkSafe.h"

#include "platform/HostTree.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

QString why(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// The name of the entry of the folder `dirFd` that is `name`: exactly, else
// the first one equal without regard to case; empty when there is none.
QByteArray findName(int dirFd, const QString& name) {
    const QByteArray exact = QFile::encodeName(name);
    struct stat st {};
    if (::fstatat(dirFd, exact.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) return exact;
    const int copy = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return {};
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
    if (!dir) {
        ::close(copy);
        return {};
    }
    while (dirent* e = ::readdir(dir.get())) {
        const QString n = QFile::decodeName(e->d_name);
        if (n != u"." && n != u".." && n.compare(name, Qt::CaseInsensitive) == 0)
            return QByteArray(e->d_name);
    }
    return {};
}

// "is a symbolic link" / "is not a folder" for a name that would not open as a folder.
QString notAFolder(int dirFd, const QByteArray& name, int err) {
    struct stat st {};
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode)) return QStringLiteral("is a symbolic link");
        if (!S_ISDIR(st.st_mode)) return QStringLiteral("is not a folder");
    }
    return why(err);
}

QString shown(const QStringList& names, qsizetype upTo) {
    return names.mid(0, upTo + 1).join(QLatin1Char('/'));
}

// A flag of the file system that no write gets past (root included).
QString lockedFlags(int dirFd, const QByteArray& name) {
    const Fd fd(::openat(dirFd, name.constData(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    int flags = 0;
    if (!fd.valid() || ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0) return {};
    if (flags & FS_IMMUTABLE_FL) return QStringLiteral("is marked immutable");
    if (flags & FS_APPEND_FL) return QStringLiteral("is marked append-only");
    return {};
}

QByteArray probeName() {
    return ".postora-probe-" + QByteArray::number(::getpid()) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 16);
}

} // namespace

WriteProbe probeWrite(const QString& root, const QStringList& names, bool testWrite) {
    WriteProbe out;
    Fd cur(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!cur.valid()) {
        if (errno != ENOENT) out.problem = QStringLiteral("%1: %2").arg(root, why(errno));
        return out; // nothing of the path is there yet
    }
    qsizetype i = 0;
    for (; i + 1 < names.size(); ++i) {
        const QByteArray found = findName(cur.get(), names[i]);
        if (found.isEmpty()) break;
        Fd next(::openat(cur.get(), found.constData(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            out.problem =
                QStringLiteral("%1 %2").arg(shown(names, i), notAFolder(cur.get(), found, errno));
            out.exists = true;
            return out;
        }
        cur = std::move(next);
    }
    struct stat dirStat {};
    struct statvfs fs {};
    if (::fstat(cur.get(), &dirStat) == 0) out.device = dirStat.st_dev;
    if (::fstatvfs(cur.get(), &fs) == 0) out.freeBytes = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    if (i + 1 == names.size()) {
        const QByteArray found = findName(cur.get(), names.back());
        struct stat st {};
        if (!found.isEmpty() &&
            ::fstatat(cur.get(), found.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            out.exists = true;
            const QString path = shown(names, i);
            if (S_ISLNK(st.st_mode)) {
                out.problem = path + QStringLiteral(" is a symbolic link");
                return out;
            }
            if (!S_ISREG(st.st_mode)) {
                out.problem = path + QStringLiteral(" is not a regular file");
                return out;
            }
            out.replacedSize = st.st_size;
            if (const QString locked = lockedFlags(cur.get(), found); !locked.isEmpty()) {
                out.problem = path + QLatin1Char(' ') + locked;
                return out;
            }
        }
    }
    if (!testWrite) return out;
    const QByteArray probe = probeName();
    const Fd test(::openat(cur.get(), probe.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!test.valid()) {
        const QString folder = i == 0 ? root : shown(names, i - 1);
        out.problem = QStringLiteral("the folder %1 cannot be written: %2").arg(folder, why(errno));
        return out;
    }
    ::unlinkat(cur.get(), probe.constData(), 0);
    return out;
}

Status placeNoFollow(const QString& root, const QStringList& names, const QString& source,
                     const QString& tempName) {
    const auto fail = [](const QString& text, int code = kAccessDenied) {
        return Status(Error{code, text});
    };
    if (names.isEmpty()) return fail(QStringLiteral("no file name"), kInvalidName);
    Fd cur(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!cur.valid()) return fail(QStringLiteral("%1: %2").arg(root, why(errno)));
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
        QByteArray found = findName(cur.get(), names[i]);
        if (found.isEmpty()) {
            found = QFile::encodeName(names[i]);
            if (::mkdirat(cur.get(), found.constData(), 0777) != 0 && errno != EEXIST)
                return fail(QStringLiteral("cannot make the folder %1: %2")
                                .arg(shown(names, i), why(errno)),
                            errorFromErrno(errno));
        }
        Fd next(::openat(cur.get(), found.constData(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return fail(
                QStringLiteral("%1 %2").arg(shown(names, i), notAFolder(cur.get(), found, errno)));
        cur = std::move(next);
    }
    QByteArray target = findName(cur.get(), names.back());
    if (target.isEmpty()) target = QFile::encodeName(names.back());
    struct stat st {};
    if (::fstatat(cur.get(), target.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(st.st_mode))
        return fail(QStringLiteral("%1 %2").arg(shown(names, names.size() - 1),
                                                S_ISLNK(st.st_mode)
                                                    ? QStringLiteral("is a symbolic link")
                                                    : QStringLiteral("is not a regular file")));

    const QByteArray temp = QFile::encodeName(tempName);
    const QByteArray src = QFile::encodeName(source);
    if (::renameat(AT_FDCWD, src.constData(), cur.get(), temp.constData()) != 0) {
        if (errno != EXDEV) return fail(why(errno), errorFromErrno(errno));
        const Fd in(::open(src.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.valid()) return fail(QStringLiteral("%1: %2").arg(source, why(errno)));
        const Fd out(::openat(cur.get(), temp.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid()) return fail(why(errno), errorFromErrno(errno));
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer.data(), size_t(buffer.size()));
            if (n == 0) break;
            int err = n < 0 ? errno : 0;
            for (ssize_t done = 0; err == 0 && done < n;) {
                const ssize_t w = ::write(out.get(), buffer.constData() + done, size_t(n - done));
                if (w < 0 && errno != EINTR) err = errno;
                if (w > 0) done += w;
            }
            if (err == EINTR) continue;
            if (err != 0) {
                ::unlinkat(cur.get(), temp.constData(), 0);
                return fail(why(err), errorFromErrno(err));
            }
        }
    }
    // The library keeps its files private; the client's files get the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    {
        const Fd placed(::openat(cur.get(), temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (placed.valid()) ::fchmod(placed.get(), 0666 & ~mask);
    }
    if (::renameat(cur.get(), temp.constData(), cur.get(), target.constData()) != 0) {
        const int err = errno;
        ::unlinkat(cur.get(), temp.constData(), 0);
        return fail(why(err), errorFromErrno(err));
    }
    return Status::ok();
}

bool fileDeviceAndSize(const QString& hostPath, quint64& device, qint64& size) {
    struct stat st {};
    if (::lstat(QFile::encodeName(hostPath).constData(), &st) != 0) return false;
    device = st.st_dev;
    size = st.st_size;
    return true;
}

} // namespace platform
