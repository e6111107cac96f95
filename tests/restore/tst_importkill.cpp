// Wine's server killed while the registry editor imports a large dump: the
// values it held are lost, whatever the editor reports. The restore must fail
// then and name the safety archive.

#include "support/BackupRig.h"
#include "support/WineProcesses.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "restore/RestoreJob.h"

#include <QThread>

#include <atomic>
#include <csignal>
#include <thread>

using testsupport::BackupRig;

class TestImportKill : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serverKilledDuringImportFailsTheRestore() {
        for (const char* tool : {"wine", "wineserver"})
            if (!testsupport::haveTool(QLatin1String(tool)))
                QFAIL(qPrintable(QStringLiteral("%1 is missing: tools/install-deps.sh installs it")
                                     .arg(QLatin1String(tool))));
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        const auto oe = support::addOutlookExpress(rig.prefix);
        const QString mail = QStringLiteral("identities\\") + oe.annKey +
                             QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0\\Mail");
        for (int i = 0; i < 100000; ++i)
            rig.prefix.setDword(platform::HKEY_CURRENT_USER, mail, QStringLiteral("v%1").arg(i),
                                quint32(i));
        rig.prefix.save();
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kOutlookExpress, identities, items);
        QVERIFY2(!rig.run(clients::kOutlookExpress, backup::AllTicked(identities),
                          backup::AllTicked(items)),
                 qPrintable(rig.state().BackupErrorText));
        // Gone from the hive: only an import that arrives whole brings the key back.
        rig.prefix.removeKey(platform::HKEY_CURRENT_USER, mail);
        rig.prefix.save();

        // The server of this prefix alone, a moment into the editor's work.
        const QString prefixDir = rig.prefix.prefixDir();
        std::atomic<bool> done{false};
        std::atomic<int> killed{0};
        std::thread killer([&] {
            while (!done && support::wineProcesses(prefixDir, "regedit.exe").empty())
                QThread::msleep(20);
            QThread::msleep(1500);
            for (const int pid : support::wineProcesses(prefixDir, "wineserver"))
                if (!done && ::kill(pid, SIGKILL) == 0) killed = pid;
        });
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(restore::RestoreJob::Deps{backupJob, rig.engine->library(),
                                                          *rig.registry, *rig.files, rig.catalogue,
                                                          rig.ui, nullptr});
        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        done = true;
        killer.join();
        // What the dead server leaves running in this prefix.
        for (const int pid : support::wineProcesses(prefixDir))
            ::kill(pid, SIGKILL);

        QVERIFY2(killed != 0, "the import ended before the server could be killed");
        QCOMPARE(report.kind, restore::RestoreReport::Kind::Failed);
        QVERIFY(!report.safetyArchive.isEmpty());
        QVERIFY2(report.error.contains(report.safetyArchive), qPrintable(report.error));
        QVERIFY(rig.prefix.files()->fileExists(report.safetyArchive));
    }
};

QTEST_GUILESS_MAIN(TestImportKill)
#include "tst_importkill.moc"
