// Runs that end badly or meet each other: what a killed run leaves is removed
// by the next one (and never backed up), a backup cut short in the middle of
// its volume switch reads as the new set, volumes that cannot be read are
// named, and one prefix has one backup or restore at a time.

#include "backup/BackupTestSupport.h"
#include "support/Noise.h"
#include "support/PostoraRun.h"
#include "support/SamplePrefix.h"
#include "support/SampleTree.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupFiles.h"
#include "platform/PlacementJournal.h"
#include "platform/PrefixLock.h"
#include "platform/Registry.h"
#include "platform/TemporaryFolder.h"

#include <QtTest>

#include <thread>

using testsupport::runInspect;
using testsupport::runPostora;
using testsupport::runTool;

namespace {

QString programFolder() {
    return platform::Registry::configFromEnvironment().ownHivePath.section(u'/', 0, -2);
}

// The test program again, as a run of its own that leaves something behind
// and stays until it is killed: its first line says what it made.
struct Child {
    QProcess process;
    QString made;
    explicit Child(const QStringList& args) {
        process.start(QCoreApplication::applicationFilePath(), args);
        while (!process.canReadLine() && process.waitForReadyRead(60000)) {
        }
        made = QString::fromUtf8(process.readLine()).trimmed();
    }
    void kill() {
        process.kill();
        process.waitForFinished();
    }
    ~Child() { kill(); }
};

int childMain(const QStringList& args) {
    QTextStream out(stdout);
    platform::TemporaryFolder staging;
    platform::PlacementJournal journal(programFolder());
    platform::PrefixLock lock;
    if (args[0] == u"--leave-staging") {
        QFile(staging.filePath(QStringLiteral("decrypted.dbx"))).open(QIODevice::WriteOnly);
        out << staging.path() << Qt::endl;
    } else if (args[0] == u"--leave-placing") {
        const QString name = journal.temporaryFor(args[1], QStringLiteral("Inbox.dbx"));
        QFile(args[1] + u'/' + name).open(QIODevice::WriteOnly);
        out << args[1] + u'/' + name << Qt::endl;
    } else if (args[0] == u"--hold-prefix") {
        out << "held:" << lock.acquire(programFolder(), args[1], 0).message() << Qt::endl;
    }
    std::this_thread::sleep_for(std::chrono::minutes(10));
    return 0;
}

void writeSetting(support::SamplePrefix& prefix, const platform::RegValue& v) {
    const auto registry = prefix.registry();
    auto key = registry->open(platform::HKEY_CURRENT_USER,
                              QStringLiteral("Software\\Kelvarn\\Postora"), true);
    QVERIFY(key && key.value().writeValue(v));
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every regular file of `from` into the new folder `to`.
void copyFiles(const QString& from, const QString& to) {
    QVERIFY(QDir().mkpath(to));
    for (const QString& name : QDir(from).entryList(QDir::Files))
        QVERIFY(QFile::copy(from + u'/' + name, to + u'/' + name));
}

} // namespace

class TestInterruptedRuns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z"); }

    void leftoversOfKilledRunsGo_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("killed");
        QTest::newRow("staging of a killed run") << "--leave-staging" << true;
        QTest::newRow("staging of a live run") << "--leave-staging" << false;
        QTest::newRow("file a killed restore was placing") << "--leave-placing" << true;
        QTest::newRow("file a live restore is placing") << "--leave-placing" << false;
    }

    // The next run of the program, a backup here, removes what a killed run
    // left in the temporary folder and beside the mail files, and leaves a
    // live run's alone; a file half placed is never stored.
    void leftoversOfKilledRunsGo() {
        QFETCH(QString, kind);
        QFETCH(bool, killed);
        support::SamplePrefix prefix;
        const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
        Child child({kind, prefix.hostPath(oe.annStore)});
        QVERIFY(QFileInfo::exists(child.made));
        if (killed) child.kill();
        const QString out = prefix.root() + QStringLiteral("/out");
        const auto run = runPostora(
            {QStringLiteral("/b"), QStringLiteral("/c:oexpress"), QStringLiteral("/p:") + out});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(QFileInfo::exists(child.made), !killed);
        const auto names = runTool(QStringLiteral("7z"),
                                   {QStringLiteral("l"), out + u'/' + backup::BackupFileName(1)});
        QVERIFY(names.output.contains(QLatin1String("Inbox.dbx")));
        QVERIFY2(!names.output.contains(QLatin1String(".restore-")), qPrintable(names.output));
    }

    void volumesReadOrAreNamed_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("pipe as the second volume") << "pipe" << 1 << ".002 is not a regular file";
        QTest::newRow("second volume missing") << "missing" << 1 << ".002 of the set is missing";
        QTest::newRow("backup killed in its volume switch") << "switch" << 0 << "";
    }

    // A restore from the command line and postora-inspect read a set as the
    // next backup would: an interrupted switch is finished first; a volume
    // that is not a file, or not there, is named and nobody waits for ever.
    void volumesReadOrAreNamed() {
        QFETCH(QString, damage);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        support::SamplePrefix prefix;
        const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
        const QString big = oe.annStore + QStringLiteral("\\Big.dbx");
        prefix.writeFile(big, support::noise(3 * 1024 * 1024, 7));
        writeSetting(prefix, platform::RegValue::dword(QStringLiteral("MultipleVolumes"), 1));
        writeSetting(prefix, platform::RegValue::dword(QStringLiteral("Volumes"), 0));
        const QString set = prefix.root() + QStringLiteral("/set");
        const QStringList backUp{QStringLiteral("/b"), QStringLiteral("/c:oexpress"),
                                 QStringLiteral("/p:") + set};
        const auto first = runPostora(backUp);
        QVERIFY2(first.code == 0, qPrintable(first.err));
        const QByteArray newer = support::noise(3 * 1024 * 1024, 8);
        if (damage == u"switch") {
            // Killed with the old set's last volume moved aside, the new set complete.
            prefix.writeFile(big, newer);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("SQX_FAULT_KILL_AT"), QStringLiteral("3"));
            QCOMPARE(runPostora(backUp, env).code, -1);
        }
        const QString volume = u'/' + backup::BackupFileName(1) + QStringLiteral(".001");
        for (const QString reader : {"restore", "inspect"}) {
            const QString folder = prefix.root() + u'/' + reader;
            copyFiles(set, folder);
            const QString second = folder + u'/' + backup::BackupFileName(1) + ".002";
            if (damage != u"switch") QVERIFY(QFile::remove(second));
            if (damage == u"pipe") QCOMPARE(runTool("mkfifo", {second}).exitCode, 0);
            const auto run = reader == u"inspect"
                                 ? runInspect({"archive", "test", folder + volume})
                                 : runPostora({"/r:" + folder + volume, "/p:" + folder + "/x"});
            QVERIFY2(run.code == exitCode && run.err.contains(says), qPrintable(run.err));
        }
        if (damage == u"switch") {
            QFile restored(prefix.root() + QStringLiteral("/restore/x/") + oe.annKey +
                           QStringLiteral("/Big.dbx"));
            QVERIFY(restored.open(QIODevice::ReadOnly));
            QVERIFY(restored.readAll() == newer);
        }
    }

    void oneRunPerPrefix_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("held");
        QTest::newRow("backup while another run holds the prefix") << "/b" << true;
        QTest::newRow("restore while another run holds the prefix") << "/r:" << true;
        QTest::newRow("backup once that run has ended") << "/b" << false;
    }

    // A second backup or restore of a prefix is refused while the first one
    // is at work, and nothing of the prefix or the backups changes.
    void oneRunPerPrefix() {
        QFETCH(QString, command);
        QFETCH(bool, held);
        support::SamplePrefix prefix;
        const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
        const QString out = prefix.root() + QStringLiteral("/out");
        const QStringList backUp{QStringLiteral("/b"), QStringLiteral("/c:oexpress"),
                                 QStringLiteral("/p:") + out};
        QCOMPARE(runPostora(backUp).code, 0);
        const QString archive = out + u'/' + backup::BackupFileName(1);
        const QByteArray before = bytesOf(archive);
        Child holder({QStringLiteral("--hold-prefix"), prefix.prefixDir()});
        QCOMPARE(holder.made, QStringLiteral("held:"));
        if (!held) holder.kill();
        const QString inbox =
            prefix.writeFile(oe.annStore + QStringLiteral("\\Inbox.dbx"), "changed meanwhile");
        const auto run = command == u"/b" ? runPostora(backUp) : runPostora({"/r:" + archive});
        QCOMPARE(run.code, held ? 1 : 0);
        QCOMPARE(run.err.contains(QLatin1String("another backup or restore")), held);
        QCOMPARE(bytesOf(archive) == before, held);
        QCOMPARE(bytesOf(inbox), QByteArray("changed meanwhile"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1).startsWith(QLatin1String("--")))
        return childMain(args.mid(1));
    TestInterruptedRuns test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_interruptedruns.moc"
