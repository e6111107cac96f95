#pragma once
// The companion's timing: it reads the schedule from the program's hive,
// sleeps until the next due moment ("LastBackupDate" plus the interval,
// stepping past moments already gone when it starts), starts the unattended
// run and moves "LastBackupDate" on. It looks at the wall clock again at least
// once a minute, so that a clock set forward or back while it sleeps is seen.

#include <QDateTime>
#include <QTimer>

#include <functional>

namespace platform {
class Registry;
}

namespace schedule {

class CompanionScheduler {
public:
    using Clock = std::function<QDateTime()>;
    // Starts "postora /auto"; false when it could not be started.
    using Runner = std::function<bool()>;

    static constexpr qint64 kMaxSleepMs = 60 * 1000;

    CompanionScheduler(platform::Registry& reg, Runner run, Clock now = {});
    CompanionScheduler(const CompanionScheduler&) = delete;
    CompanionScheduler& operator=(const CompanionScheduler&) = delete;

    // One look at the schedule; runs the backup when its moment has come.
    // Returns how long to sleep before the next look, in milliseconds.
    qint64 Tick();
    // Looks now and then again after each sleep, on the event loop.
    void Start();

    // The moment the scheduler waits for; invalid without a schedule.
    QDateTime Target() const { return target_; }
    int Runs() const { return runs_; }

    // Starts postora from programHostFolder with "/auto", detached.
    static Runner PostoraRunner(const QString& programHostFolder);

private:
    platform::Registry& reg_;
    Runner run_;
    Clock now_;
    QTimer timer_;
    // What the target was computed from; a change in the hive recomputes it.
    QDateTime basisLast_;
    int basisPeriod_ = -1;
    int basisInterval_ = -1;
    QDateTime target_;
    int runs_ = 0;
};

} // namespace schedule
