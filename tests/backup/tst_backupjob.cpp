// The one backup job that every caller runs: its outcomes, the abort token,
// a second start reached through event pumping, rotation that follows a
// successful backup only, and a source that is gone or damaged.

#include "support/BackupRig.h"
#include "support/Noise.h"
#include "support/clients/FavoritesSample.h"

#include "backup/BackupJob.h"
#include "clients/Clients.h"
#include "platform/Files.h"

#include <QDir>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using backup::JobOutcome;
using testsupport::BackupRig;

namespace {

// Ends the test program when a step has not finished in time: a read that
// blocks or never stops would otherwise hold up the whole suite.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : thread_([this, seconds] {
              std::unique_lock lock(mutex_);
              if (cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; }))
                  return;
              std::fprintf(stderr, "FAIL: still at work after %d s\n", seconds);
              std::_Exit(3);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_; // last: starts once the members above exist
};

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBackupJob : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        bool clientRuns = false;
        int guardAsked = 0;
        backup::BackupJob job{*engine, [this](int) {
                                  ++guardAsked;
                                  return clientRuns;
                              }};
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\FavoritesBackup 1-1-2030.ebk")) {
            support::addFavorites(prefix);
            prefix.save();
        }
        backup::JobRequest request() const {
            backup::JobRequest r;
            r.clientCode = clients::kFavorites;
            r.targetPath = target;
            r.identities = ticked({QStringLiteral("Default")});
            r.items = ticked(clients::ClientItems(clients::kFavorites));
            return r;
        }
        JobOutcome run(const backup::JobRequest& r, backup::AbortToken* abort = nullptr) {
            return job.Run(r, ui, nullptr, abort);
        }
        QStringList backups() const {
            return QDir(QFileInfo(archive()).absolutePath()).entryList(QDir::Files, QDir::Name);
        }
    };

private Q_SLOTS:
    void outcomesBeforeAnythingIsWritten() {
        Rig rig;
        backup::JobRequest r = rig.request();
        r.clientCode = clients::kPocoMail; // a base code without a collector
        QCOMPARE(rig.run(r).kind, JobOutcome::Kind::NoCollector);
        QCOMPARE(rig.guardAsked, 0); // no one is asked about a client that cannot be backed up

        rig.clientRuns = true;
        QCOMPARE(rig.run(rig.request()).kind, JobOutcome::Kind::ClientRunning);
        QVERIFY(rig.backups().isEmpty());

        rig.clientRuns = false;
        r = rig.request();
        for (int i = 0; i < 21; ++i)
            r.identities << backup::Selected{true, QStringLiteral("id%1").arg(i)};
        const JobOutcome tooMany = rig.run(r);
        QCOMPARE(tooMany.kind, JobOutcome::Kind::Failed);
        QVERIFY(!tooMany.text.trimmed().isEmpty());
        QVERIFY(rig.backups().isEmpty());

        QVERIFY(rig.run(rig.request()).succeeded());
        QCOMPARE(rig.backups(), QStringList{QFileInfo(rig.archive()).fileName()});
    }

    void abortTokenStopsTheRunAndKeepsThePreviousArchive() {
        Rig rig;
        QVERIFY(rig.run(rig.request()).succeeded());
        QFile f(rig.archive());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();

        backup::AbortToken abort;
        rig.ui.onEvents = [&] { abort.request(); };
        QCOMPARE(rig.run(rig.request(), &abort).kind, JobOutcome::Kind::Aborted);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QCOMPARE(rig.backups(), QStringList{QFileInfo(rig.archive()).fileName()});

        // The token belongs to that run: the next one is not stopped by it.
        rig.ui.onEvents = nullptr;
        QVERIFY(rig.run(rig.request()).succeeded());
    }

    void aSecondStartDuringARunIsRefused() {
        Rig rig;
        QList<JobOutcome::Kind> inner;
        rig.ui.onEvents = [&] {
            if (inner.isEmpty()) inner << rig.run(rig.request()).kind;
        };
        QVERIFY(rig.run(rig.request()).succeeded());
        QCOMPARE(inner, QList<JobOutcome::Kind>{JobOutcome::Kind::Busy});
        QVERIFY(!rig.job.running());
    }

    // A prefix that is gone, has no drive_c or has hives that are not hives
    // fails the run before anything is written, with a message naming the
    // path and the cause; the last good archive stays as it was. Hives that
    // are no regular file or too large are refused at once: none of these
    // may block or fill the memory.
    void unusableSourceKeepsThePreviousArchive_data() {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("named"); // below the prefix
        QTest::addColumn<QString>("cause");
        const auto row = [](const char* name, const char* spoil, const char* named,
                            const char* cause) {
            QTest::newRow(name) << QString::fromUtf8(spoil) << QString::fromUtf8(named)
                                << QString::fromUtf8(cause);
        };
        row("prefix gone", "prefix gone", "", "does not exist");
        row("no drive_c", "no drive_c", "", "no drive_c folder");
        row("system.reg of random bytes", "garbage", "/system.reg", "not a Wine registry file");
        row("user.reg missing", "missing", "/user.reg", "No such file");
        row("user.reg empty", "empty", "/user.reg", "not a Wine registry file");
        row("user.reg links to /dev/zero", "zero", "/user.reg", "is a device");
        row("user.reg is a FIFO", "fifo", "/user.reg", "is a pipe");
        row("user.reg is a folder", "folder", "/user.reg", "is a folder");
        row("user.reg of 2 GB", "sparse", "/user.reg", "512 MiB");
    }

    void unusableSourceKeepsThePreviousArchive() {
        QFETCH(QString, spoil);
        QFETCH(QString, named);
        QFETCH(QString, cause);
        Rig rig;
        // The archive on Z:, outside the prefix that goes away.
        rig.target = QStringLiteral("Z:") + rig.prefix.root() +
                     QStringLiteral("/out/FavoritesBackup 1-1-2030.ebk");
        rig.target.replace(QLatin1Char('/'), QLatin1Char('\\'));
        rig.prefix.makeDir(platform::extractFilePath(rig.target));
        QVERIFY(rig.run(rig.request()).succeeded());
        const QByteArray before = contentOf(rig.archive());
        QVERIFY(!before.isEmpty());

        const QString dir = rig.prefix.prefixDir();
        const QString userKey = QStringLiteral("Software\\Microsoft\\Windows");
        QVERIFY(rig.registry->keyExists(platform::HKEY_CURRENT_USER, userKey));
        const QString user = dir + QStringLiteral("/user.reg");
        const QByteArray userName = QFile::encodeName(user);
        if (spoil == u"prefix gone") {
            QVERIFY(QDir().rename(dir, dir + QStringLiteral(".moved")));
        } else if (spoil == u"no drive_c") {
            QVERIFY(QDir(dir).rename(QStringLiteral("drive_c"), QStringLiteral("drive_c.moved")));
        } else if (spoil == u"garbage") {
            QFile f(dir + QStringLiteral("/system.reg"));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(support::noise(5000, 22)), 5000);
        } else {
            QVERIFY(QFile::remove(user));
            if (spoil == u"empty" || spoil == u"sparse") {
                QFile f(user);
                QVERIFY(f.open(QIODevice::WriteOnly));
                if (spoil == u"sparse") QVERIFY(f.resize(qint64(2) << 30));
            }
            if (spoil == u"zero") QCOMPARE(::symlink("/dev/zero", userName.constData()), 0);
            if (spoil == u"fifo") QCOMPARE(::mkfifo(userName.constData(), 0600), 0);
            if (spoil == u"folder") QVERIFY(QDir().mkdir(user));
        }

        const Watchdog watchdog(60);
        const JobOutcome failed = rig.run(rig.request());
        QCOMPARE(failed.kind, JobOutcome::Kind::Failed);
        QVERIFY2(failed.text.contains(QLatin1Char('"') + dir + named + QLatin1Char('"')),
                 qPrintable(failed.text));
        QVERIFY2(failed.text.contains(cause), qPrintable(failed.text));
        QCOMPARE(contentOf(rig.archive()), before);
        QCOMPARE(rig.backups(), QStringList{QFileInfo(rig.archive()).fileName()});
        // What reads the registry meanwhile (the windows, the client list)
        // finds a refused hive empty.
        if (named == u"/user.reg")
            QVERIFY(!rig.registry->keyExists(platform::HKEY_CURRENT_USER, userKey));
    }

    void rotationFollowsSuccessOnly() {
        Rig rig;
        const QString folder = platform::extractFilePath(rig.target);
        rig.prefix.writeFile(folder + QStringLiteral("FavoritesBackup 1-1-2020.ebk"), "old");
        backup::JobRequest r = rig.request();
        backup::RotateOptions rotate;
        rotate.backupFolder = folder;
        rotate.backupMode = base::BackupMode::Overwrite;
        r.rotate = rotate;

        rig.files->setWriteFault([](const QString& path) -> platform::Status {
            if (path.endsWith(QLatin1String("infobak.ini"), Qt::CaseInsensitive))
                return platform::Error{platform::kDiskFull, QStringLiteral("no space left")};
            return {};
        });
        const JobOutcome failed = rig.run(r);
        QCOMPARE(failed.kind, JobOutcome::Kind::Failed);
        QVERIFY(failed.deleted.isEmpty());
        QCOMPARE(rig.backups(), QStringList{QStringLiteral("FavoritesBackup 1-1-2020.ebk")});

        rig.files->setWriteFault({});
        const JobOutcome done = rig.run(r);
        QVERIFY(done.succeeded());
        QCOMPARE(done.deleted.size(), 1);
        QCOMPARE(rig.backups(), QStringList{QFileInfo(rig.archive()).fileName()});
    }

    // The job makes the missing folders of its target, for every caller; it
    // names a folder it cannot make, and why; a run that fails removes the
    // folders it made.
    void missingFoldersOfTheTarget() {
        Rig rig;
        backup::JobRequest r = rig.request();
        r.targetPath = QStringLiteral("C:\\Backups\\New\\Deeper\\x.ebk");
        const JobOutcome made = rig.run(r);
        QVERIFY2(made.succeeded(), qPrintable(made.text));
        QVERIFY(QFile::exists(rig.prefix.hostPath(r.targetPath)));

        rig.prefix.writeFile(QStringLiteral("C:\\Backups\\blocker"), "a file");
        r.targetPath = QStringLiteral("C:\\Backups\\blocker\\sub\\x.ebk");
        const JobOutcome blocked = rig.run(r);
        QCOMPARE(blocked.kind, JobOutcome::Kind::Failed);
        QVERIFY2(blocked.text.contains(
                     QLatin1String("A file stands in the way: \"C:\\Backups\\blocker\"")),
                 qPrintable(blocked.text));

        r.targetPath = QStringLiteral("C:\\Backups\\Other\\Sub\\x.ebk");
        rig.files->setWriteFault([](const QString& path) -> platform::Status {
            if (path.endsWith(QLatin1String("infobak.ini"), Qt::CaseInsensitive))
                return platform::Error{platform::kDiskFull, QStringLiteral("no space left")};
            return {};
        });
        QCOMPARE(rig.run(r).kind, JobOutcome::Kind::Failed);
        QVERIFY(!QFileInfo::exists(rig.prefix.hostPath(QStringLiteral("C:\\Backups\\Other"))));
    }

    // A target too long for the file system fails naming that cause, before
    // any folder is made: 25 levels of 200 characters, and a name that leaves
    // no room for the temporary name the archive is first written under.
    void targetTooLongForTheFileSystem() {
        Rig rig;
        backup::JobRequest r = rig.request();
        QString deep = QStringLiteral("C:\\Backups\\Deep");
        for (int i = 0; i < 25; ++i)
            deep += QLatin1Char('\\') + QString(200, QLatin1Char('d'));
        const QString longName = QStringLiteral("C:\\Backups\\") + QString(240, QLatin1Char('n')) +
                                 QStringLiteral(".ebk");
        for (const QString& target : {deep + QStringLiteral("\\x.ebk"), longName}) {
            r.targetPath = target;
            const JobOutcome out = rig.run(r);
            QCOMPARE(out.kind, JobOutcome::Kind::Failed);
            QVERIFY2(out.text.contains(QLatin1String("the path is too long for the file system")),
                     qPrintable(out.text));
        }
        QVERIFY(!QFileInfo::exists(rig.prefix.hostPath(QStringLiteral("C:\\Backups\\Deep"))));
        QCOMPARE(rig.backups(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestBackupJob)
#include "tst_backupjob.moc"
