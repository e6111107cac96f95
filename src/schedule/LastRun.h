#pragma once
// How the unattended runs went for one client: the moment of the last
// successful backup and the text and moment of the last failure, kept in the
// schedule's client key of the program's own hive.

#include "platform/Result.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {
class Registry;
}

namespace schedule {

struct LastRun {
    std::optional<QDateTime> success;
    std::optional<QDateTime> failureTime;
    QString failure; // empty when no run has failed

    // The latest run of the client failed (or was skipped).
    bool lastFailed() const { return failureTime && (!success || *failureTime >= *success); }
};

// Value names in the client key.
inline constexpr char kLastSuccessValue[] = "LastSuccess";
inline constexpr char kLastFailureValue[] = "LastFailure";
inline constexpr char kLastFailureTimeValue[] = "LastFailureDate";

LastRun ReadLastRun(platform::Registry& reg, int clientCode);
platform::Status RecordSuccess(platform::Registry& reg, int clientCode, const QDateTime& when);
platform::Status RecordFailure(platform::Registry& reg, int clientCode, const QDateTime& when,
                               const QString& reason);

} // namespace schedule
