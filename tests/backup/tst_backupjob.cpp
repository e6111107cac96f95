// The one backup job that every caller runs: its outcomes, the abort token,
// a second start reached through event pumping, and rotation that follows a
// successful backup only.

#include "support/BackupRig.h"
#include "support/clients/FavoritesSample.h"

#include "backup/BackupJob.h"
#include "clients/Clients.h"
#include "platform/Files.h"

#include <QDir>

using backup::JobOutcome;
using testsupport::BackupRig;

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
};

QTEST_GUILESS_MAIN(TestBackupJob)
#include "tst_backupjob.moc"
