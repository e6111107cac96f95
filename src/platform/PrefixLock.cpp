#include "platform/PrefixLock.h"

#include "platform/FileLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// The locks this process holds, by lock file, with how many holders each has.
struct Held {
    FileLock lock;
    int holders = 0;
};
std::mutex g_mutex;
std::map<QString, std::unique_ptr<Held>>& held() {
    static std::map<QString, std::unique_ptr<Held>> locks;
    return locks;
}

} // namespace

QString PrefixLock::lockPath(const QString& programFolder, const QString& prefixDir) {
    QString key = QFileInfo(prefixDir).canonicalFilePath();
    if (key.isEmpty()) key = QDir::cleanPath(QDir::current().absoluteFilePath(prefixDir));
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return programFolder + QStringLiteral("/locks/prefix-") +
           QString::fromLatin1(hash.toHex().left(32)) + QStringLiteral(".lock");
}

Status PrefixLock::acquire(const QString& programFolder, const QString& prefixDir, int waitMs) {
    release();
    const QString path = lockPath(programFolder, prefixDir);
    const std::lock_guard<std::mutex> guard(g_mutex);
    auto& locks = held();
    if (const auto it = locks.find(path); it != locks.end()) {
        ++it->second->holders;
        lockPath_ = path;
        return Status::ok();
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Error{kAccessDenied,
                     QStringLiteral("the folder %1 cannot be made").arg(QFileInfo(path).path())};
    auto entry = std::make_unique<Held>();
    const Status st = entry->lock.acquire(path, waitMs);
    if (!st) {
        if (st.code() != kSharingViolation) return st;
        return Error{kSharingViolation,
                     QStringLiteral("another backup or restore of the Wine prefix %1 is at work; "
                                    "try again when it has finished")
                         .arg(QDir::toNativeSeparators(prefixDir))};
    }
    entry->holders = 1;
    locks.emplace(path, std::move(entry));
    lockPath_ = path;
    return Status::ok();
}

void PrefixLock::release() {
    if (lockPath_.isEmpty()) return;
    const std::lock_guard<std::mutex> guard(g_mutex);
    auto& locks = held();
    if (const auto it = locks.find(lockPath_); it != locks.end() && --it->second->holders == 0)
        locks.erase(it);
    lockPath_.clear();
}

} // namespace platform
