// The companion scheduler and what starts and ends it: due moments under a
// clock that jumps, one run per moment, one companion per user, the end on
// SIGTERM, the enable box's effects and "/uninstall".

#include "base/Settings.h"
#include "clients/ProcessList.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "schedule/CompanionControl.h"
#include "schedule/RunUninstall.h"
#include "schedule/ScheduleDates.h"
#include "schedule/ScheduleStore.h"
#include "schedule/companion/CompanionLock.h"
#include "schedule/companion/CompanionScheduler.h"
#include "support/SamplePrefix.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace schedule;
using platform::HKEY_CURRENT_USER;

namespace {

void writeSchedule(platform::Registry& reg, int period, int interval,
                   const std::optional<QDateTime>& last) {
    auto key = reg.open(HKEY_CURRENT_USER, ScheduleStore::kSettingsKey, true).value();
    QVERIFY(key.writeInt(QStringLiteral("BackupPeriod"), period));
    QVERIFY(key.writeInt(QStringLiteral("BackupInterval"), interval));
    if (last) QVERIFY(ScheduleStore(reg).WriteLastBackupDate(*last));
}

QDateTime storedLast(platform::Registry& reg) {
    return ScheduleStore(reg).ReadLastBackupDate().value_or(QDateTime());
}

QString builtCompanion() {
    return QStringLiteral(POSTORA_BIN_DIR "/ZuveDizizo.exe");
}

// A program folder of the test's own with the companion and a stand-in for
// postora that notes each start in "runs.log".
struct ProgramFolder {
    QString host;
    QString win;
    QString log;
    ProgramFolder(const support::SamplePrefix& prefix, const platform::Files& fs,
                  bool withCompanion = true) {
        host = prefix.root() + QStringLiteral("/program");
        QDir().mkpath(host);
        win = platform::includeTrailingBackslash(fs.windowsPath(host));
        log = host + QStringLiteral("/runs.log");
        if (withCompanion) QFile::copy(builtCompanion(), companion());
        QFile script(host + QStringLiteral("/postora"));
        if (script.open(QIODevice::WriteOnly)) {
            script.write("#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/runs.log\"\n");
            script.close();
            script.setPermissions(script.permissions() | QFile::ExeOwner);
        }
    }
    QString companion() const { return host + QStringLiteral("/ZuveDizizo.exe"); }
    QStringList runs() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

bool processAlive(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// Running, and not merely waiting to be reaped.
bool inProcessList(qint64 pid) {
    for (const auto& p : platform::processSnapshot())
        if (p.pid == quint64(pid)) return true;
    return false;
}

qint64 lockOwner(const platform::Registry& reg) {
    qint64 pid = 0;
    QString host, app;
    QLockFile lock(companion::CompanionLockPath(reg));
    return lock.getLockInfo(&pid, &host, &app) ? pid : 0;
}

// Ends whatever companion the test left running.
struct CompanionReaper {
    const platform::Registry& reg;
    ~CompanionReaper() {
        const qint64 pid = lockOwner(reg);
        if (processAlive(pid)) ::kill(pid_t(pid), SIGKILL);
    }
};

} // namespace

class TstCompanion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noScheduleNoRun();
    void runsOncePerMoment();
    void stepsPastMomentsGoneAtStart();
    void clockJumps();
    void changedScheduleIsFollowed();
    void sleepsAreBounded();
    void realCompanionRunsAutoOnce();
    void oneCompanionPerUserAndSigterm();
    void enableAndDisable();
    void enableWithoutCompanion();
    void uninstall();
};

void TstCompanion::initTestCase() {
    QVERIFY2(QFile::exists(builtCompanion()), "build the ZuveDizizo target first");
}

void TstCompanion::noScheduleNoRun() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    int runs = 0;
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    CompanionScheduler s(
        *reg, [&] { return ++runs, true; }, [&] { return now; });
    QCOMPARE(s.Tick(), CompanionScheduler::kMaxSleepMs);
    QVERIFY(!s.Target().isValid());
    QCOMPARE(runs, 0);
}

void TstCompanion::runsOncePerMoment() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    const QDateTime due = now.addSecs(10 * 60);
    writeSchedule(*reg, kHours, 1, due.addSecs(-3600));
    int runs = 0;
    CompanionScheduler s(
        *reg, [&] { return ++runs, true; }, [&] { return now; });
    QCOMPARE(s.Tick(), CompanionScheduler::kMaxSleepMs); // ten minutes to go
    QCOMPARE(s.Target(), due);
    now = due.addSecs(-1);
    QCOMPARE(s.Tick(), 1000);
    QCOMPARE(runs, 0);
    now = due;
    s.Tick();
    QCOMPARE(runs, 1);
    QCOMPARE(storedLast(*reg), due); // moved on before the run
    QCOMPARE(s.Target(), due.addSecs(3600));
    for (int i = 0; i < 5; ++i)
        s.Tick();
    now = due.addSecs(30 * 60);
    s.Tick();
    QCOMPARE(runs, 1);
    // A new scheduler (the companion started again) does not run it again either.
    CompanionScheduler again(
        *reg, [&] { return ++runs, true; }, [&] { return now; });
    again.Tick();
    QCOMPARE(runs, 1);
}

void TstCompanion::stepsPastMomentsGoneAtStart() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 30));
    const QDateTime last(QDate(2026, 5, 1), QTime(7, 0));
    writeSchedule(*reg, kHours, 2, last);
    int runs = 0;
    CompanionScheduler s(
        *reg, [&] { return ++runs, true; }, [&] { return now; });
    s.Tick();
    QCOMPARE(runs, 0);
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 1), QTime(13, 0)));
    QCOMPARE(storedLast(*reg), last);
}

void TstCompanion::clockJumps() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    writeSchedule(*reg, kHours, 1, QDateTime(QDate(2026, 5, 1), QTime(11, 30)));
    int runs = 0;
    CompanionScheduler s(
        *reg, [&] { return ++runs, true; }, [&] { return now; });
    s.Tick();
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 1), QTime(12, 30)));
    // Forward over three moments while asleep: one run for all of them.
    now = QDateTime(QDate(2026, 5, 1), QTime(15, 45));
    s.Tick();
    QCOMPARE(runs, 1);
    QCOMPARE(storedLast(*reg), QDateTime(QDate(2026, 5, 1), QTime(15, 30)));
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 1), QTime(16, 30)));
    // Back by two hours: nothing runs again, the next moment stays ahead.
    now = QDateTime(QDate(2026, 5, 1), QTime(13, 45));
    s.Tick();
    QCOMPARE(runs, 1);
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 1), QTime(16, 30)));
    now = QDateTime(QDate(2026, 5, 1), QTime(16, 30));
    s.Tick();
    QCOMPARE(runs, 2);
}

void TstCompanion::changedScheduleIsFollowed() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    writeSchedule(*reg, kMonths, 1, QDateTime(QDate(2026, 4, 20), QTime(9, 0)));
    int runs = 0;
    bool started = true;
    CompanionScheduler s(
        *reg, [&] { return ++runs, started; }, [&] { return now; });
    s.Tick();
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 20), QTime(9, 0)));
    // The editor stores a new start: every day from 1 May 13:00.
    writeSchedule(*reg, kDays, 1, QDateTime(QDate(2026, 4, 30), QTime(13, 0)));
    s.Tick();
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 1), QTime(13, 0)));
    // A run that cannot be started still counts for its moment.
    started = false;
    now = QDateTime(QDate(2026, 5, 1), QTime(13, 0, 5));
    s.Tick();
    s.Tick();
    QCOMPARE(runs, 1);
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 2), QTime(13, 0)));
    // Values out of range: the unit as months, the interval brought into 1..99.
    writeSchedule(*reg, 17, 0, QDateTime(QDate(2026, 4, 30), QTime(13, 0)));
    s.Tick();
    QCOMPARE(s.Target(), QDateTime(QDate(2026, 5, 30), QTime(13, 0)));
}

void TstCompanion::sleepsAreBounded() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    writeSchedule(*reg, kWeeks, 99, now);
    CompanionScheduler s(
        *reg, [] { return true; }, [&] { return now; });
    // Far ahead, yet the clock is looked at again within a minute.
    QCOMPARE(s.Tick(), CompanionScheduler::kMaxSleepMs);
}

void TstCompanion::realCompanionRunsAutoOnce() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    ProgramFolder program(prefix, *fs);
    CompanionReaper reaper{*reg};
    // Due in two seconds, every hour.
    const QDateTime due = QDateTime::currentDateTime().addSecs(2);
    writeSchedule(*reg, kHours, 1, due.addSecs(-3600));

    QProcess companion;
    companion.start(program.companion(), {});
    QVERIFY(companion.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(program.runs().size(), 1, 15000);
    QCOMPARE(program.runs().first(), QStringLiteral("/auto"));
    QTest::qWait(2500);
    QCOMPARE(program.runs().size(), 1);
    auto reread = prefix.registry();
    QVERIFY(qAbs(storedLast(*reread).msecsTo(due)) < 5);

    companion.terminate(); // SIGTERM
    QVERIFY(companion.waitForFinished(5000));
    QCOMPARE(companion.exitStatus(), QProcess::NormalExit);
    QCOMPARE(companion.exitCode(), 0);
}

void TstCompanion::oneCompanionPerUserAndSigterm() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    ProgramFolder program(prefix, *fs);
    CompanionReaper reaper{*reg};
    QProcess first;
    first.start(program.companion(), {});
    QVERIFY(first.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(*reg), first.processId(), 5000);

    QProcess second;
    second.start(program.companion(), {});
    QVERIFY(second.waitForFinished(5000)); // leaves at once
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(lockOwner(*reg), first.processId());

    first.terminate();
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFile::exists(companion::CompanionLockPath(*reg))); // given back

    // After one was killed outright, the next one still starts.
    QProcess third;
    third.start(program.companion(), {});
    QVERIFY(third.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(*reg), third.processId(), 5000);
    third.kill();
    QVERIFY(third.waitForFinished(5000));
    QProcess fourth;
    fourth.start(program.companion(), {});
    QVERIFY(fourth.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(*reg), fourth.processId(), 5000);
    fourth.terminate();
    QVERIFY(fourth.waitForFinished(5000));
}

void TstCompanion::enableAndDisable() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    ProgramFolder program(prefix, *fs);
    CompanionReaper reaper{*reg};
    clients::ProcessList procs;
    QStringList messages;
    CompanionControl control(*reg, *fs, procs, program.win,
                             [&](const QString& key) { messages << key; });
    QVERIFY(!control.IsRunning());

    base::Settings settings;
    control.SetEnabled(true, settings);
    QVERIFY(settings.scheduleEnabled);
    QTRY_VERIFY_WITH_TIMEOUT(control.IsRunning(), 5000);
    const qint64 pid = lockOwner(*reg);
    QVERIFY(processAlive(pid));
    QVERIFY(QFile::exists(CompanionControl::AutostartPath()));

    // Enabled again (the next start of the program): no second companion.
    control.SetEnabled(true);
    QTest::qWait(300);
    int companions = 0;
    procs.Refresh();
    for (const auto& e : procs.processes())
        if (e.info.exePath == program.companion()) ++companions;
    QCOMPARE(companions, 1);
    QCOMPARE(lockOwner(*reg), pid);

    control.SetEnabled(false, settings);
    QVERIFY(!settings.scheduleEnabled);
    QVERIFY(!inProcessList(pid)); // ended and waited for
    QVERIFY(!control.IsRunning());
    QVERIFY(!reg->open(platform::HKEY_LOCAL_MACHINE, CompanionControl::kRunKey)
                 .value()
                 .valueExists(QStringLiteral("ZuveDizizo")));
    QVERIFY(!QFile::exists(CompanionControl::AutostartPath()));
    QVERIFY(messages.isEmpty());
    // Disabled again: nothing to end, nothing said.
    control.SetEnabled(false);
    QVERIFY(messages.isEmpty());
}

void TstCompanion::enableWithoutCompanion() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    ProgramFolder program(prefix, *fs, false);
    clients::ProcessList procs;
    QStringList messages;
    CompanionControl control(*reg, *fs, procs, program.win,
                             [&](const QString& key) { messages << key; });
    QStringList reports;
    control.setFailureReport([&](const QString& text) { reports << text; });
    // The session's autostart folder cannot be made: said, not swallowed.
    const QString autostart = QFileInfo(CompanionControl::AutostartPath()).path();
    QDir(autostart).removeRecursively();
    QDir().mkpath(QFileInfo(autostart).path());
    {
        QFile blocker(autostart);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    control.SetEnabled(true);
    QCOMPARE(messages, QStringList{QStringLiteral("Message49")});
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.front().contains(CompanionControl::AutostartPath()),
             qPrintable(reports.front()));
    QFile::remove(autostart);
    // The Run value stays written.
    QCOMPARE(reg->open(platform::HKEY_LOCAL_MACHINE, CompanionControl::kRunKey)
                 .value()
                 .readString(QStringLiteral("ZuveDizizo")),
             std::optional<QString>(program.win + QStringLiteral("ZuveDizizo.exe")));

    // A file that may not be run is no better.
    QFile file(program.companion());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a program");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    messages.clear();
    control.SetEnabled(true);
    QCOMPARE(messages, QStringList{QStringLiteral("Message49")});
}

void TstCompanion::uninstall() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    ProgramFolder program(prefix, *fs);
    CompanionReaper reaper{*reg};
    clients::ProcessList procs;
    QStringList messages;
    CompanionControl control(*reg, *fs, procs, program.win,
                             [&](const QString& key) { messages << key; });
    QVERIFY(control.RegisterStartup());
    QVERIFY(control.Start());
    QTRY_VERIFY_WITH_TIMEOUT(control.IsRunning(), 5000);
    const qint64 pid = lockOwner(*reg);

    QVERIFY(QFile::exists(CompanionControl::AutostartPath()));
    QVERIFY(RunUninstall(control, *fs));
    QVERIFY(!inProcessList(pid));
    QVERIFY(!QFile::exists(program.companion()));
    QVERIFY(!QFile::exists(CompanionControl::AutostartPath()));
    QVERIFY(messages.isEmpty());
    // The Run value is left for switching the schedule off.
    QVERIFY(reg->open(platform::HKEY_LOCAL_MACHINE, CompanionControl::kRunKey)
                .value()
                .valueExists(QStringLiteral("ZuveDizizo")));
    // Not running and no file: nothing to do, and that is fine.
    QVERIFY(RunUninstall(control, *fs));
}

QTEST_GUILESS_MAIN(TstCompanion)
#include "tst_companion.moc"
