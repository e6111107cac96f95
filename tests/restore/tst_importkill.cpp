// Wine's server killed while the registry editor imports a large dump: the
// values it held are lost, whatever the editor reports. The restore must fail
// then and name the safety archive.

#include "support/HostileArchive.h"
#include "support/WineProcesses.h"
#include "support/clients/OutlookExpressSample.h"

#include <QThread>

#include <atomic>
#include <csignal>
#include <thread>

class TestImportKill : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serverKilledDuringImportFailsTheRestore() {
        REQUIRE_TOOLS("wine", "wineserver");
        testsupport::RestoringRig rig;
        const QString mail = QStringLiteral("identities\\") +
                             support::addOutlookExpress(rig.prefix).annKey +
                             QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0\\Mail");
        for (int i = 0; i < 100000; ++i)
            rig.prefix.setDword(platform::HKEY_CURRENT_USER, mail, QString::number(i), quint32(i));
        rig.prefix.save();
        QVERIFY2(rig.backUp(clients::kOutlookExpress), qPrintable(rig.state().BackupErrorText));
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
        const auto report = rig.restoreDirectly();
        done = true;
        killer.join();
        // What the dead server leaves running in this prefix.
        for (const int pid : support::wineProcesses(prefixDir))
            ::kill(pid, SIGKILL);

        QVERIFY2(killed != 0, "the import ended before the server could be killed");
        QCOMPARE(report.kind, restore::RestoreReport::Kind::Failed);
        QVERIFY2(report.error.contains(report.safetyArchive), qPrintable(report.error));
        QVERIFY(rig.prefix.files()->fileExists(report.safetyArchive));
    }
};

QTEST_GUILESS_MAIN(TestImportKill)
#include "tst_importkill.moc"
