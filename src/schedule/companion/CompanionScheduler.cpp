#include "schedule/companion/CompanionScheduler.h"

#include "platform/Process.h"
#include "platform/Registry.h"
#include "schedule/ScheduleDates.h"
#include "schedule/ScheduleStore.h"

#include <cstdio>

namespace schedule {

namespace {

void note(const QString& text) {
    const QByteArray line =
        (QStringLiteral("ZuveDizizo: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

CompanionScheduler::CompanionScheduler(platform::Registry& reg, Runner run, Clock now)
    : reg_(reg), run_(std::move(run)),
      now_(now ? std::move(now) : Clock([] { return QDateTime::currentDateTime(); })) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { timer_.start(int(Tick())); });
}

void CompanionScheduler::Start() {
    timer_.start(0);
}

qint64 CompanionScheduler::Tick() {
    ScheduleStore store(reg_);
    const std::optional<QDateTime> last = store.ReadLastBackupDate();
    int period = kMonths;
    int interval = 2;
    if (const auto key = reg_.open(platform::HKEY_CURRENT_USER, ScheduleStore::kSettingsKey)) {
        period = SanePeriod(key.value().readInt(QStringLiteral("BackupPeriod")).value_or(kMonths));
        interval = SaneInterval(key.value().readInt(QStringLiteral("BackupInterval")).value_or(2));
    }
    const QDateTime now = now_();
    if (!last) {
        target_ = QDateTime();
        return kMaxSleepMs; // no schedule yet
    }
    if (*last != basisLast_ || period != basisPeriod_ || interval != basisInterval_ ||
        !target_.isValid()) {
        // A new or changed schedule: moments already gone are stepped past.
        basisLast_ = *last;
        basisPeriod_ = period;
        basisInterval_ = interval;
        target_ = FirstMomentAfter(*last, period, interval, now);
    }
    if (now >= target_) {
        // Whatever the clock did meanwhile, one run stands for every moment
        // up to now, and the date moves on before the run starts so that no
        // moment is run twice.
        QDateTime moved = LatestMomentUpTo(basisLast_, period, interval, now);
        if (!moved.isValid() || moved < target_) moved = target_;
        if (const platform::Status s = store.WriteLastBackupDate(moved); !s)
            note(QStringLiteral("cannot store the date of the last backup: ") + s.message());
        basisLast_ = moved;
        ++runs_;
        if (!run_ || !run_()) note(QStringLiteral("cannot start the scheduled backup"));
        target_ = FirstMomentAfter(moved, period, interval, now);
    }
    return qBound<qint64>(10, now.msecsTo(target_), kMaxSleepMs);
}

CompanionScheduler::Runner CompanionScheduler::PostoraRunner(const QString& programHostFolder) {
    return [programHostFolder] {
        const QString program = programHostFolder + QStringLiteral("/postora");
        return platform::startDetached(program, {QStringLiteral("/auto")}, programHostFolder)
            .isOk();
    };
}

} // namespace schedule
