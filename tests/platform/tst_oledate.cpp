// OLE Automation dates: days since 30 December 1899 in local time, the time of
// day as the fraction (counted forward from midnight also before 1899).

#include "platform/OleDate.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <ctime>
#include <limits>

using namespace platform;

class TestOleDate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void knownDates_data();
    void knownDates();
    void takesLocalTime();
    void roundTripsToTheMillisecond();
    void rejectsWhatIsNoDate();
    void bytesAreALittleEndianDouble();
};

void TestOleDate::initTestCase() {
    // One hour east of UTC without summer time, so local and UTC differ.
    qputenv("TZ", "XYZ-1");
    tzset();
}

void TestOleDate::knownDates_data() {
    QTest::addColumn<QDateTime>("local");
    QTest::addColumn<double>("days");
    QTest::newRow("base") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
    QTest::newRow("1900") << QDateTime(QDate(1900, 1, 1), QTime(0, 0)) << 2.0;
    QTest::newRow("y2k noon") << QDateTime(QDate(2000, 1, 1), QTime(12, 0)) << 36526.5;
    QTest::newRow("before base") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
    QTest::newRow("two before") << QDateTime(QDate(1899, 12, 28), QTime(18, 0)) << -2.75;
    QTest::newRow("base 6am") << QDateTime(QDate(1899, 12, 30), QTime(6, 0)) << 0.25;
}

void TestOleDate::knownDates() {
    QFETCH(QDateTime, local);
    QFETCH(double, days);
    QCOMPARE(toOleDate(local), days);
    QCOMPARE(fromOleDate(days), local);
}

void TestOleDate::takesLocalTime() {
    const QDateTime utc(QDate(2000, 1, 1), QTime(11, 0), Qt::UTC);
    QCOMPARE(toOleDate(utc), 36526.5);
    QCOMPARE(fromOleDate(36526.5).toUTC(), utc);
}

void TestOleDate::roundTripsToTheMillisecond() {
    QRandomGenerator rng(7);
    const QDate from(1700, 1, 1);
    for (int i = 0; i < 2000; ++i) {
        const QDateTime t(from.addDays(rng.bounded(150000)),
                          QTime::fromMSecsSinceStartOfDay(rng.bounded(86400000)));
        QCOMPARE(fromOleDate(toOleDate(t)), t);
        QCOMPARE(oleDateFromBytes(oleDateBytes(t)).value_or(QDateTime()), t);
    }
    // Just short of midnight rounds to the next day, not to 24:00.
    QCOMPARE(fromOleDate(1.0 - 1e-12), QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
    QCOMPARE(fromOleDate(-1.0 - (1.0 - 1e-12)), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
}

void TestOleDate::rejectsWhatIsNoDate() {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), -1e7, 3e6, 1e300})
        QVERIFY(!fromOleDate(bad).isValid());
    QVERIFY(!oleDateFromBytes(QByteArray()));
    QVERIFY(!oleDateFromBytes(QByteArray(7, '\0')));
    QVERIFY(!oleDateFromBytes(QByteArray(9, '\0')));
    QVERIFY(!oleDateFromBytes(QByteArray::fromHex("000000000000f87f"))); // NaN
    QVERIFY(oleDateFromBytes(QByteArray(8, '\0')).has_value());
}

void TestOleDate::bytesAreALittleEndianDouble() {
    const QDateTime noon(QDate(2000, 1, 1), QTime(12, 0));
    QCOMPARE(oleDateBytes(noon).toHex(), QByteArray("00000000d0d5e140"));
    QCOMPARE(oleDateFromBytes(QByteArray::fromHex("000000000000f4bf")).value_or(QDateTime()),
             QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

QTEST_GUILESS_MAIN(TestOleDate)
#include "tst_oledate.moc"
