// The schedule's date arithmetic: "LastBackupDate" from the start moment, and
// the series of due moments the companion follows.

#include "schedule/ScheduleDates.h"

#include <QTest>

using namespace schedule;

class TstScheduleDates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lastBackupDate_data();
    void lastBackupDate();
    void badStoredValues();
    void seriesAroundNow_data();
    void seriesAroundNow();
    void farBehind();
};

void TstScheduleDates::lastBackupDate_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("31 March, 1 month") << QDate(2026, 3, 31) << QTime(10, 0) << int(kMonths) << 1
                                       << QDateTime(QDate(2026, 2, 28), QTime(10, 0));
    QTest::newRow("31 March, 1 month, leap year")
        << QDate(2028, 3, 31) << QTime(10, 0) << int(kMonths) << 1
        << QDateTime(QDate(2028, 2, 29), QTime(10, 0));
    QTest::newRow("1 June, 5 hours") << QDate(2026, 6, 1) << QTime(3, 0) << int(kHours) << 5
                                     << QDateTime(QDate(2026, 5, 31), QTime(22, 0));
    QTest::newRow("15 January, 2 weeks") << QDate(2026, 1, 15) << QTime(8, 30) << int(kWeeks) << 2
                                         << QDateTime(QDate(2026, 1, 1), QTime(8, 30));
    QTest::newRow("1 March, 3 days") << QDate(2026, 3, 1) << QTime(0, 15) << int(kDays) << 3
                                     << QDateTime(QDate(2026, 2, 26), QTime(0, 15));
    QTest::newRow("31 May, 3 months") << QDate(2026, 5, 31) << QTime(23, 59) << int(kMonths) << 3
                                      << QDateTime(QDate(2026, 2, 28), QTime(23, 59));
    QTest::newRow("15 January, 2 months, year before")
        << QDate(2026, 1, 15) << QTime(12, 0) << int(kMonths) << 2
        << QDateTime(QDate(2025, 11, 15), QTime(12, 0));
    QTest::newRow("99 weeks") << QDate(2026, 1, 1) << QTime(6, 0) << int(kWeeks) << 99
                              << QDateTime(QDate(2026, 1, 1).addDays(-693), QTime(6, 0));
}

void TstScheduleDates::lastBackupDate() {
    QFETCH(QDate, day);
    QFETCH(QTime, time);
    QFETCH(int, period);
    QFETCH(int, interval);
    QFETCH(QDateTime, expected);
    QCOMPARE(LastBackupDateFor(day, time, period, interval), expected);
}

void TstScheduleDates::badStoredValues() {
    const QDate day(2026, 3, 31);
    const QTime time(10, 0);
    // A unit outside the list counts as months; an interval of 0 or less as 1.
    QCOMPARE(LastBackupDateFor(day, time, 7, 1), LastBackupDateFor(day, time, kMonths, 1));
    QCOMPARE(LastBackupDateFor(day, time, -1, 1), LastBackupDateFor(day, time, kMonths, 1));
    QCOMPARE(LastBackupDateFor(day, time, kDays, 0), QDateTime(QDate(2026, 3, 30), time));
    QCOMPARE(LastBackupDateFor(day, time, kDays, -5), QDateTime(QDate(2026, 3, 30), time));
    QCOMPARE(LastBackupDateFor(day, time, kDays, 5000), LastBackupDateFor(day, time, kDays, 99));
    // A series with a bad interval still moves forward.
    const QDateTime last(QDate(2026, 1, 1), QTime(0, 0));
    const QDateTime now(QDate(2026, 1, 1), QTime(5, 30));
    QCOMPARE(FirstMomentAfter(last, kHours, 0, now), QDateTime(QDate(2026, 1, 1), QTime(6, 0)));
}

void TstScheduleDates::seriesAroundNow_data() {
    QTest::addColumn<QDateTime>("last");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("latest");
    QTest::addColumn<QDateTime>("next");

    const QDateTime jan1(QDate(2026, 1, 1), QTime(9, 0));
    QTest::newRow("first moment still to come")
        << jan1 << int(kDays) << 1 << jan1.addSecs(3600) << QDateTime() << jan1.addDays(1);
    QTest::newRow("exactly on a moment")
        << jan1 << int(kDays) << 2 << jan1.addDays(4) << jan1.addDays(4) << jan1.addDays(6);
    QTest::newRow("between moments") << jan1 << int(kHours) << 3 << jan1.addSecs(7 * 3600 + 1)
                                     << jan1.addSecs(6 * 3600) << jan1.addSecs(9 * 3600);
    QTest::newRow("months keep the day where they can")
        << QDateTime(QDate(2026, 1, 31), QTime(8, 0)) << int(kMonths) << 1
        << QDateTime(QDate(2026, 3, 15), QTime(0, 0)) << QDateTime(QDate(2026, 2, 28), QTime(8, 0))
        << QDateTime(QDate(2026, 3, 31), QTime(8, 0));
    QTest::newRow("now before last")
        << jan1 << int(kWeeks) << 1 << jan1.addDays(-30) << QDateTime() << jan1.addDays(7);
}

void TstScheduleDates::seriesAroundNow() {
    QFETCH(QDateTime, last);
    QFETCH(int, period);
    QFETCH(int, interval);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, latest);
    QFETCH(QDateTime, next);
    QCOMPARE(LatestMomentUpTo(last, period, interval, now), latest);
    QCOMPARE(FirstMomentAfter(last, period, interval, now), next);
}

void TstScheduleDates::farBehind() {
    // Decades behind, every hour or every month: found at once, on the series.
    const QDateTime last(QDate(1990, 1, 31), QTime(4, 0));
    const QDateTime now(QDate(2026, 7, 4), QTime(12, 34, 56));
    for (int period : {int(kHours), int(kDays), int(kWeeks), int(kMonths)}) {
        for (int interval : {1, 7, 99}) {
            const QDateTime latest = LatestMomentUpTo(last, period, interval, now);
            const QDateTime next = FirstMomentAfter(last, period, interval, now);
            QVERIFY(latest <= now);
            QVERIFY(next > now);
            // next is the moment right after latest in the series from last.
            qint64 k = 0;
            if (period == kMonths) {
                const int months = (latest.date().year() - 1990) * 12 + latest.date().month() - 1;
                k = months / interval;
            } else {
                const qint64 unit = period == kHours ? 3600 : period == kDays ? 86400 : 7 * 86400;
                k = last.secsTo(latest) / (unit * interval);
            }
            QCOMPARE(AddPeriod(last, period, k * interval), latest);
            QCOMPARE(AddPeriod(last, period, (k + 1) * interval), next);
        }
    }
}

QTEST_GUILESS_MAIN(TstScheduleDates)
#include "tst_scheduledates.moc"
