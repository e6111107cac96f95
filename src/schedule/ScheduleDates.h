#pragma once
// Date arithmetic of the schedule: periods of hours, days, weeks of seven days
// or calendar months, and the moments of a schedule's series.

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace schedule {

enum BackupPeriod : int { kHours = 0, kDays = 1, kWeeks = 2, kMonths = 3 };

// Stored values are not trusted: a unit outside the list reads as months, an
// interval outside 1 to 99 is brought into it.
int SanePeriod(int period);
int SaneInterval(int interval);

// t moved by count units of the period. Days and weeks keep the time of day;
// months keep the day of the month, or take the last day of a shorter month.
QDateTime AddPeriod(const QDateTime& t, int period, qint64 count);

// The start moment (day at time) moved back by one period of interval units:
// what the schedule stores as "LastBackupDate".
QDateTime LastBackupDateFor(const QDate& day, const QTime& time, int period, int interval);

// The series last + k * (interval units), k >= 1.
// The first moment of the series later than now.
QDateTime FirstMomentAfter(const QDateTime& last, int period, int interval, const QDateTime& now);
// The latest moment of the series at or before now; invalid when even the
// first one is still to come.
QDateTime LatestMomentUpTo(const QDateTime& last, int period, int interval, const QDateTime& now);

} // namespace schedule
