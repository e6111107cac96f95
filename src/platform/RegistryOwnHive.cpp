#include "platform/RegistryOwnHive.h"

#include "platform/InputFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// Another process holds the lock only for one save (or a short batch of them).
constexpr int kLockTimeoutMs = 10000;

// The file keeps every key under the full name of its root, so one hive holds
// both places mounted from it: "HKEY_CURRENT_USER\Software\Kelvarn\..." and
// "HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run".
QList<QByteArray> ownPreamble() {
    return {";; Postora's own registry keys, each under the full name of its root", QByteArray()};
}

Error ioError(int err, const QString& what) {
    int code = kBadRegistryFile;
    if (err == ENOSPC || err == EDQUOT || err == EFBIG)
        code = kDiskFull;
    else if (err == EACCES || err == EPERM)
        code = kAccessDenied;
    else if (err == EROFS)
        code = kWriteProtect;
    else if (err == ENOENT || err == ENOTDIR)
        code = kPathNotFound;
    return Error{code,
                 QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)))};
}

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

void syncFolder(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

RegistryOwnHive::RegistryOwnHive(QString path) : path_(std::move(path)) {}

const HiveFile& RegistryOwnHive::hive() {
    if (!lock_.isLocked()) // under the lock the content in memory is the latest
        refresh();
    return hive_;
}

void RegistryOwnHive::refresh() {
    const FileStamp now = FileStamp::of(path_);
    if (loaded_ && now == stamp_) return;
    loaded_ = true;
    stamp_ = now;
    damaged_ = false;
    hive_ = HiveFile();
    if (now.exists) {
        const auto bytes = readInputFile(path_, kHiveSizeLimit, path_);
        if (!bytes) {
            damaged_ = true;
        } else {
            hive_ = HiveFile::parse(*bytes);
            damaged_ = !hive_.headerOk() || hive_.skippedLines() > 0;
        }
    }
    if (hive_.preamble().isEmpty()) hive_.setPreamble(ownPreamble());
}

Status RegistryOwnHive::change(const std::function<bool(HiveFile&)>& apply) {
    const bool held = lock_.isLocked();
    if (!held) {
        if (Status st = beginBatch(); !st) return st;
    }
    if (apply(hive_)) dirty_ = true;
    return held ? Status::ok() : endBatch();
}

Status RegistryOwnHive::beginBatch() {
    if (path_.isEmpty())
        return Error{kAccessDenied, QStringLiteral("No file is set for the program's own keys")};
    if (batchDepth_++ > 0) return Status::ok();
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir)) {
        batchDepth_ = 0;
        return Error{kPathNotFound, QStringLiteral("Cannot create the folder %1").arg(dir)};
    }
    if (Status st = lock_.acquire(path_ + QStringLiteral(".lock"), kLockTimeoutMs); !st) {
        batchDepth_ = 0;
        return st;
    }
    refresh();
    return Status::ok();
}

Status RegistryOwnHive::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return Status::ok();
    Status st;
    if (dirty_) {
        dirty_ = false;
        st = save();
        if (!st) loaded_ = false; // drop what was not saved; the next use reads the file
    }
    lock_.release();
    return st;
}

Status RegistryOwnHive::moveAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path_ + QStringLiteral(".bad-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path_ + QStringLiteral(".bad-%1-%2").arg(stamp).arg(n);
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target).constData()) !=
            0 &&
        errno != ENOENT)
        return ioError(errno, QStringLiteral("Cannot move %1 aside").arg(path_));
    damaged_ = false;
    return Status::ok();
}

Status RegistryOwnHive::save() {
    // What could not be read stays on disk under another name; it is never
    // replaced by the part of it that could.
    if (damaged_) {
        if (Status st = moveAside(); !st) return st;
    }
    const QByteArray data = hive_.serialize();
    const QString tmp = path_ + QStringLiteral(".tmp");
    const QByteArray tmpName = QFile::encodeName(tmp);
    const int fd = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ioError(errno, QStringLiteral("Cannot write %1").arg(tmp));
    bool ok = writeAll(fd, data.constData(), size_t(data.size())) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmpName.constData(), QFile::encodeName(path_).constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmpName.constData());
        return ioError(err, QStringLiteral("Cannot save %1").arg(path_));
    }
    syncFolder(QFileInfo(path_).absolutePath());
    stamp_ = FileStamp::of(path_);
    return Status::ok();
}

} // namespace platform
