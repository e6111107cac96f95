#include "schedule/ScheduleDates.h"

#include <QtGlobal>

#include <algorithm>

namespace schedule {

namespace {

// A unit's length in seconds, near enough to start a search of the series.
double nominalSeconds(int period) {
    switch (period) {
    case kHours:
        return 3600.0;
    case kDays:
        return 86400.0;
    case kWeeks:
        return 7 * 86400.0;
    default:
        return 30.436875 * 86400.0;
    }
}

QDateTime moment(const QDateTime& last, int period, int interval, qint64 k) {
    return AddPeriod(last, period, k * interval);
}

// The largest k >= 0 whose moment is at or before now (k = 0 is last itself).
qint64 latestIndex(const QDateTime& last, int period, int interval, const QDateTime& now) {
    if (now < last) return -1;
    const double seconds = double(last.secsTo(now));
    qint64 k = qint64(seconds / (nominalSeconds(period) * interval));
    // The estimate is off by at most a step or two (months, summer time).
    while (k > 0 && moment(last, period, interval, k) > now)
        --k;
    while (moment(last, period, interval, k + 1) <= now)
        ++k;
    return k;
}

} // namespace

int SanePeriod(int period) {
    return period >= kHours && period <= kMonths ? period : kMonths;
}

int SaneInterval(int interval) {
    return qBound(1, interval, 99);
}

QDateTime AddPeriod(const QDateTime& t, int period, qint64 count) {
    switch (SanePeriod(period)) {
    case kHours:
        return t.addSecs(count * 3600);
    case kDays:
        return t.addDays(count);
    case kWeeks:
        return t.addDays(count * 7);
    default:
        // QDate::addMonths keeps the day, or takes the last day of a shorter month.
        return t.addMonths(int(std::clamp<qint64>(count, -1200000, 1200000)));
    }
}

QDateTime LastBackupDateFor(const QDate& day, const QTime& time, int period, int interval) {
    const QDateTime start(day, time);
    return AddPeriod(start, period, -qint64(SaneInterval(interval)));
}

QDateTime FirstMomentAfter(const QDateTime& last, int period, int interval, const QDateTime& now) {
    period = SanePeriod(period);
    interval = SaneInterval(interval);
    const qint64 k = latestIndex(last, period, interval, now);
    return moment(last, period, interval, qMax<qint64>(k, 0) + 1);
}

QDateTime LatestMomentUpTo(const QDateTime& last, int period, int interval, const QDateTime& now) {
    period = SanePeriod(period);
    interval = SaneInterval(interval);
    const qint64 k = latestIndex(last, period, interval, now);
    return k >= 1 ? moment(last, period, interval, k) : QDateTime();
}

} // namespace schedule
