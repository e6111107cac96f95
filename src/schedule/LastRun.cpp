#include "schedule/LastRun.h"

#include "platform/Registry.h"
#include "schedule/ScheduleStore.h"

namespace schedule {

using platform::HKEY_CURRENT_USER;

LastRun ReadLastRun(platform::Registry& reg, int clientCode) {
    LastRun out;
    const auto key = reg.open(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(clientCode));
    if (!key) return out;
    const platform::RegKey& k = key.value();
    // A value of another type or an impossible date reads as absent.
    auto moment = [&k](const char* name) -> std::optional<QDateTime> {
        const auto t = k.readDateTime(QLatin1String(name));
        return t && t->isValid() ? t : std::nullopt;
    };
    out.success = moment(kLastSuccessValue);
    out.failureTime = moment(kLastFailureTimeValue);
    out.failure = k.readString(QLatin1String(kLastFailureValue)).value_or(QString());
    if (out.failure.isEmpty()) out.failureTime.reset();
    return out;
}

platform::Status RecordSuccess(platform::Registry& reg, int clientCode, const QDateTime& when) {
    auto key = reg.open(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(clientCode), true);
    if (!key) return key.status();
    return key.value().writeDateTime(QLatin1String(kLastSuccessValue), when);
}

platform::Status RecordFailure(platform::Registry& reg, int clientCode, const QDateTime& when,
                               const QString& reason) {
    auto key = reg.open(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(clientCode), true);
    if (!key) return key.status();
    platform::Status first = key.value().writeString(QLatin1String(kLastFailureValue), reason);
    const platform::Status second =
        key.value().writeDateTime(QLatin1String(kLastFailureTimeValue), when);
    return first ? second : first;
}

} // namespace schedule
