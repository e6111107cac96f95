#pragma once
// One backup or restore at a time per Wine prefix, among all processes of the
// user: an exclusive lock on a file in the program's own folder
// ("<program folder>/locks/prefix-<hash of the prefix's canonical path>.lock"),
// never in the prefix or the client's data. Within one process the lock is
// re-entrant, so that a restore holds it across the safety backup it runs.

#include "platform/Result.h"

#include <QString>

namespace platform {

// How long a second run waits for the first before it is refused.
constexpr int kPrefixLockWaitMs = 3000;

class PrefixLock {
public:
    PrefixLock() = default;
    ~PrefixLock() { release(); }
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;

    // Waits up to waitMs; kSharingViolation with a sentence for a person when
    // another process keeps the prefix longer.
    Status acquire(const QString& programFolder, const QString& prefixDir, int waitMs);
    void release();

    // The lock file for the prefix.
    static QString lockPath(const QString& programFolder, const QString& prefixDir);

private:
    QString lockPath_; // of the lock held, empty when none
};

} // namespace platform
