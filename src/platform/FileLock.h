#pragma once
// An exclusive advisory lock (flock) on a lock file, held for the object's
// life. The kernel drops it when the process ends, however it ends.

#include "platform/Result.h"

#include <QString>

namespace platform {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the lock file when missing (mode 0600) and waits up to timeoutMs
    // for the lock; kSharingViolation when another process keeps it longer.
    Status acquire(const QString& path, int timeoutMs);
    void release();
    bool isLocked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace platform
