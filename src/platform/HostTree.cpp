#include "platform/HostTree.h"

#include "platform/Result.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool isDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// Removes the contents of the folder open as `dirFd` (which it takes over).
bool removeContents(int dirFd, int depth) {
    DirPtr dir(::fdopendir(dirFd));
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (dirent* e = ::readdir(dir.get())) {
        if (isDotOrDotDot(e->d_name)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (depth > 256) { // deeper than any real tree; do not run out of descriptors
                ok = false;
                continue;
            }
            // Best effort: a folder that stays closed fails at openat below.
            [[maybe_unused]] const int opened =
                ::fchmodat(::dirfd(dir.get()), e->d_name, (st.st_mode & 07777) | S_IRWXU, 0);
            const int sub = ::openat(::dirfd(dir.get()), e->d_name,
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !removeContents(sub, depth + 1)) {
                ok = false;
                continue;
            }
            if (::unlinkat(::dirfd(dir.get()), e->d_name, AT_REMOVEDIR) != 0) ok = false;
        } else if (::unlinkat(::dirfd(dir.get()), e->d_name, 0) != 0) {
            ok = false;
        }
    }
    return ok;
}

} // namespace

QStringList listDirectory(const QString& hostDir) {
    QStringList names;
    DirPtr dir(::opendir(QFile::encodeName(hostDir).constData()));
    if (!dir) return names;
    while (dirent* e = ::readdir(dir.get())) {
        if (!isDotOrDotDot(e->d_name)) names.push_back(QFile::decodeName(e->d_name));
    }
    return names;
}

bool removeTree(const QString& hostPath) {
    const QByteArray path = QFile::encodeName(hostPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.constData()) == 0;
    ::chmod(path.constData(), (st.st_mode & 07777) | S_IRWXU);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = removeContents(fd, 0);
    return ::rmdir(path.constData()) == 0 && ok;
}

Status writeHostFileAtomically(const QString& hostPath, const QByteArray& data,
                               const QString& label, bool flush) {
    auto fail = [&label](int err) {
        return Error{errorFromErrno(err),
                     QStringLiteral("Cannot write \"%1\": %2")
                         .arg(label, QString::fromLocal8Bit(std::strerror(err)))};
    };
    QString target = hostPath;
    const QFileInfo info(hostPath);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath(); // write through the link, keep the link
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return Error{kAccessDenied, QStringLiteral("\"%1\" is a folder").arg(label)};

    int fd = -1;
    QByteArray tmp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = QFile::encodeName(target) + ".tmp-" +
              QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno == ENOENT
                       ? Status(Error{kPathNotFound,
                                      QStringLiteral("Path not found: \"%1\"").arg(label)})
                       : Status(fail(errno));
    }
    if (fd < 0) return fail(EEXIST);
    if (replacing) ::fchmod(fd, old.st_mode & 07777);
    const char* p = data.constData();
    qsizetype left = data.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        p += n;
        left -= n;
    }
    if (!err && flush && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(tmp.constData(), QFile::encodeName(target).constData()) != 0) err = errno;
    if (err) {
        ::unlink(tmp.constData());
        return fail(err);
    }
    return Status::ok();
}

int errorFromErrno(int err) {
    switch (err) {
    case 0:
        return kOk;
    case ENOENT:
        return kFileNotFound;
    case ENOTDIR:
        return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
        return kAccessDenied;
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case EROFS:
        return kWriteProtect;
    case EEXIST:
    case ENOTEMPTY:
        return kAlreadyExists;
    case ENAMETOOLONG:
        return kInvalidName;
    case ENOMEM:
        return kNotEnoughMemory;
    case EBUSY:
    case ETXTBSY:
        return kSharingViolation;
    default:
        return kInvalidData;
    }
}

} // namespace platform
