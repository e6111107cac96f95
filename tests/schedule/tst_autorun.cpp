// "postora /auto" as the companion starts it, without a display: Outlook runs
// and is skipped with a line on standard error, Outlook Express is backed up
// into "<folder><logon> <prefix> <date>.ebk" and its older archives thinned
// out; and the faults: a second run at the same time, a backups folder that
// cannot be made, client keys that name no client or hold too much. And
// "postora /uninstall" ending the companion and deleting it.

#include "clients/gui/FakeClient.h"
#include "schedule/AutoRunFixture.h"
#include "schedule/UnattendedRun.h"

#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {

struct Outcome {
    int exitCode = -1;
    QString stderrText;
};

// A program folder of the test's own: postora and the archiving library.
QString makeProgramFolder(const QString& root) {
    const QString folder = root + QStringLiteral("/program");
    QDir().mkpath(folder);
    for (const char* name : {"postora", "libSqx.so"}) {
        const QString from = QStringLiteral(POSTORA_BIN_DIR "/") + QLatin1String(name);
        const QString to = folder + QLatin1Char('/') + QLatin1String(name);
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::permissions(from));
    }
    return folder;
}

Outcome runAuto(const QString& programFolder, const QStringList& args = {"/auto"}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(programFolder + QStringLiteral("/postora"), args);
    Outcome out;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        out.stderrText = QStringLiteral("(did not end)");
        return out;
    }
    out.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    out.stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    return out;
}

} // namespace

class TstAutoRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void backsUpAndSkipsTheRunningClient();
    void nothingSelected();
    void secondRunLeaves();
    void folderThatCannotBeMade();
    void badClientKeys();
    void uninstallCommand();
};

void TstAutoRun::backsUpAndSkipsTheRunningClient() {
    autorun::Fixture fx;
    fx.writeOldArchives();
    const QString program = makeProgramFolder(fx.prefix.root());
    testx::FakeClient outlook(fx.prefix.root(), QStringLiteral("outlook.exe"));
    QVERIFY(outlook.isRunning());

    const Outcome out = runAuto(program);
    QCOMPARE(out.exitCode, 1);
    QVERIFY2(out.stderrText.contains(QStringLiteral("the mail client is running (code 2)")),
             qPrintable(out.stderrText));
    QVERIFY(outlook.isRunning());

    const QString archive = fx.expectedArchive();
    QVERIFY2(QFile::exists(archive), qPrintable(archive + QLatin1Char('\n') + out.stderrText));
    QVERIFY(!QFile::exists(fx.oldest));
    QVERIFY(QFile::exists(fx.older));
    QCOMPARE(QDir(fx.backupsHost).entryList(QDir::Files).size(), 2);
    for (const char* tool : {"7z", "bsdtar"}) {
        const QString exe = QStandardPaths::findExecutable(QLatin1String(tool));
        if (exe.isEmpty()) continue;
        QProcess check;
        check.start(exe, QLatin1String(tool) == QLatin1String("7z")
                             ? QStringList{QStringLiteral("t"), archive}
                             : QStringList{QStringLiteral("-tf"), archive});
        QVERIFY(check.waitForFinished(30000));
        QCOMPARE(check.exitCode(), 0);
    }

    // Once Outlook has ended, both clients are backed up and the run succeeds.
    QProcess::execute(QStringLiteral("kill"), {QString::number(outlook.pid())});
    QVERIFY(outlook.waitForEnd(5000));
    const Outcome second = runAuto(program);
    QVERIFY2(!second.stderrText.contains(QStringLiteral("is running")),
             qPrintable(second.stderrText));
    QVERIFY(QFile::exists(archive));
}

void TstAutoRun::nothingSelected() {
    autorun::Fixture fx;
    schedule::ScheduleStore store(*fx.reg);
    store.WriteSelected(clients::kOutlookExpress, false);
    store.WriteSelected(clients::kOutlook, false);
    const QString program = makeProgramFolder(fx.prefix.root());
    const Outcome out = runAuto(program);
    QCOMPARE(out.exitCode, 0);
    QVERIFY2(out.stderrText.isEmpty(), qPrintable(out.stderrText));
    QCOMPARE(QDir(fx.backupsHost).entryList(QDir::Files).size(), 0);
}

void TstAutoRun::secondRunLeaves() {
    autorun::Fixture fx;
    const QString program = makeProgramFolder(fx.prefix.root());
    // A first run holds the lock.
    QDir().mkpath(fx.prefix.configHome() + QStringLiteral("/postora"));
    QLockFile first(fx.prefix.configHome() + QStringLiteral("/postora/auto.lock"));
    QVERIFY(first.tryLock(0));
    const Outcome out = runAuto(program);
    QCOMPARE(out.exitCode, 1);
    QVERIFY2(out.stderrText.contains(QStringLiteral("another unattended backup")),
             qPrintable(out.stderrText));
    QVERIFY(!QFile::exists(fx.expectedArchive()));
    first.unlock();
}

void TstAutoRun::folderThatCannotBeMade() {
    autorun::Fixture fx;
    // A file stands where a parent folder would have to be.
    const QString blocker = fx.prefix.root() + QStringLiteral("/blocker");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    auto settings =
        fx.reg->open(platform::HKEY_CURRENT_USER, schedule::ScheduleStore::kSettingsKey).value();
    QVERIFY(settings.writeString(QStringLiteral("ZuveDizizoDir"),
                                 fx.fs->windowsPath(blocker) + QStringLiteral("\\backups\\")));
    const QString program = makeProgramFolder(fx.prefix.root());
    const Outcome out = runAuto(program);
    QCOMPARE(out.exitCode, 1);
    QVERIFY2(out.stderrText.contains(QStringLiteral("cannot be made")), qPrintable(out.stderrText));
}

void TstAutoRun::badClientKeys() {
    autorun::Fixture fx;
    schedule::ScheduleStore store(*fx.reg);
    store.WriteSelected(clients::kOutlook, false);
    // A key that names no client, and one with more identities than a backup can carry.
    auto base =
        fx.reg->open(platform::HKEY_CURRENT_USER, schedule::ScheduleStore::kClientsKey).value();
    base.openSubKey(QStringLiteral("abc"), true).value().writeInt(QStringLiteral("Selected"), 1);
    std::vector<schedule::NamedCheck> many;
    for (int i = 0; i < 21; ++i)
        many.emplace_back(QStringLiteral("User %1").arg(i), true);
    store.SaveLists(clients::kEudora, many, {{QStringLiteral("Mail"), true}});
    store.WriteSelected(clients::kEudora, true);

    const QString program = makeProgramFolder(fx.prefix.root());
    const Outcome out = runAuto(program);
    QCOMPARE(out.exitCode, 1);
    QVERIFY2(out.stderrText.contains(QStringLiteral("\"abc\" names no client")),
             qPrintable(out.stderrText));
    QVERIFY2(out.stderrText.contains(QStringLiteral("client 3:")), qPrintable(out.stderrText));
    // The good client is still backed up.
    QVERIFY2(QFile::exists(fx.expectedArchive()), qPrintable(out.stderrText));
}

void TstAutoRun::uninstallCommand() {
    autorun::Fixture fx;
    const QString program = makeProgramFolder(fx.prefix.root());
    const QString companion = program + QStringLiteral("/ZuveDizizo.exe");
    QVERIFY(QFile::copy(QStringLiteral(POSTORA_BIN_DIR "/ZuveDizizo.exe"), companion));
    QProcess running;
    running.start(companion, {});
    QVERIFY(running.waitForStarted(5000));
    // It runs once it holds its lock.
    const QString lockPath = fx.prefix.configHome() + QStringLiteral("/postora/ZuveDizizo.lock");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockPath), 5000);

    const Outcome out = runAuto(program, {QStringLiteral("/UNINSTALL")});
    QCOMPARE(out.exitCode, 0);
    QVERIFY2(out.stderrText.isEmpty(), qPrintable(out.stderrText));
    QVERIFY(running.waitForFinished(5000)); // ended
    QVERIFY(!QFile::exists(companion));     // and its file deleted

    // Again, with nothing left to do.
    QCOMPARE(runAuto(program, {QStringLiteral("/uninstall")}).exitCode, 0);
}

QTEST_GUILESS_MAIN(TstAutoRun)
#include "tst_autorun.moc"
