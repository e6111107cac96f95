// Restoring the safety archive of a direct restore gives back the prefix as it
// was before that restore: the files it added gone, the files it replaced and
// the keys it touched as they were, the keys it added gone - also when the
// restore was killed at any moment.

#include "support/BackupRig.h"
#include "support/PostoraRun.h"
#include "support/PrefixState.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "platform/ShellFolders.h"
#include "restore/RestoreJob.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>

using namespace platform;
using testsupport::BackupRig;

namespace {

// The client's data changed after its backup so that restoring the backup
// creates files, folders and keys, and replaces files and values.
void changeOutlookExpress(support::SamplePrefix& p) {
    const support::OutlookExpressInstall oe;
    const QString bob = QStringLiteral("identities\\") + oe.bobKey +
                        QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
    p.removeKey(HKEY_CURRENT_USER, bob + QStringLiteral("\\Rules"));
    p.removeKey(HKEY_CURRENT_USER, bob + QStringLiteral("\\Signatures"));
    const QString ann = QStringLiteral("identities\\") + oe.annKey +
                        QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
    p.setString(HKEY_CURRENT_USER, ann, QStringLiteral("Added after the backup"),
                QStringLiteral("stays"));
    p.setDword(HKEY_CURRENT_USER, ann, QStringLiteral("Store Migrated"), 7);
}

// Restoring the backup makes again a deleted file (and, for Eudora, a whole
// folder), replaces a changed one and keys, and leaves a file added since.
QString install(int code, support::SamplePrefix& p) {
    if (code == clients::kOutlookExpress) return support::addOutlookExpress(p).annStore;
    support::addEudora(p);
    return support::eudora::dataFolder(p);
}
void change(int code, support::SamplePrefix& p) {
    if (code == clients::kOutlookExpress) return changeOutlookExpress(p);
    QDir(p.hostPath(support::eudora::dataFolder(p) + QStringLiteral("\\WORK.FOL")))
        .removeRecursively();
}

struct Rig : BackupRig {
    backup::BackupJob backupJob{*engine, nullptr};
    restore::RestoreJob job{restoreDeps(backupJob)};
    Rig() : BackupRig(QStringLiteral("C:\\Backups\\client.ebk")) {}

    // Backs the client up, then changes it; the state to come back to is
    // read after Wine has brought the prefix up to date.
    bool prepare(int code) {
        const QString data = prefix.hostPath(install(code, prefix));
        QStringList identities, items;
        catalogue.GetIdentitiesAndItems(code, identities, items);
        if (run(code, backup::AllTicked(identities), backup::AllTicked(items))) return false;
        QStringList present = QDir(data).entryList(QDir::Files, QDir::Name);
        if (present.size() < 2 || !QFile::remove(data + u'/' + present[0])) return false;
        support::writeHostFile(data + QStringLiteral("/added after the backup.txt"), "stays");
        support::writeHostFile(data + u'/' + present[1], "changed after the backup");
        change(code, prefix);
        prefix.save();
        support::bringWineUpToDate(prefix.prefixDir());
        return true;
    }
    // Without the backups and safety archives (in the documents folder for
    // the command line).
    support::PrefixState prefixState() const {
        const QString docs = QDir(prefix.prefixDir() + QStringLiteral("/drive_c"))
                                 .relativeFilePath(prefix.hostPath(
                                     platform::shellFolder(*registry, QStringLiteral("Personal"))));
        return support::readPrefixState(prefix.prefixDir(), {QStringLiteral("Backups"), docs});
    }
    restore::RestoreReport restore(const QString& archive) {
        restore::RestoreRequest r;
        r.archive = archive;
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        support::stopWine(prefix.prefixDir());
        return report;
    }
};

// Complete safety archives below drive_c, by host path.
QStringList safetyArchives(const QString& prefixDir) {
    QStringList out;
    QDirIterator it(prefixDir + QStringLiteral("/drive_c"), {QStringLiteral("Before restore - *")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString f = it.next(); f.endsWith(QLatin1String(".ebk"))) out << f;
    return out;
}

} // namespace

class TestRestoreUndo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("wine", "wineserver", "7z"); }

    void safetyArchiveUndoesTheRestore_data() {
        QTest::addColumn<int>("client");
        QTest::addColumn<bool>("appDataGone");
        QTest::newRow("oexpress") << int(clients::kOutlookExpress) << false;
        QTest::newRow("eudora") << int(clients::kEudora) << false;
        // The client's data cannot be found in the prefix any more: the undo
        // places by the safety archive's own record.
        QTest::newRow("oexpress, AppData gone") << int(clients::kOutlookExpress) << true;
    }
    void safetyArchiveUndoesTheRestore() {
        QFETCH(int, client);
        QFETCH(bool, appDataGone);
        Rig rig;
        QVERIFY2(rig.prepare(client), qPrintable(rig.state().BackupErrorText));
        const support::PrefixState before = rig.prefixState();

        const auto done = rig.restore(rig.archive());
        QVERIFY2(done.ok(), qPrintable(done.error));
        QVERIFY(!support::prefixDifferences(before, rig.prefixState()).isEmpty());

        const QString shell = QStringLiteral(
            "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        const QString appData = platform::shellFolder(*rig.registry, QStringLiteral("AppData"));
        if (appDataGone) {
            QVERIFY(support::runWine(rig.prefix.prefixDir(),
                                     {QStringLiteral("reg"), QStringLiteral("delete"), shell,
                                      QStringLiteral("/v"), QStringLiteral("AppData"),
                                      QStringLiteral("/f")}));
            QVERIFY(platform::shellFolder(*rig.registry, QStringLiteral("AppData")).isEmpty());
        }
        const auto undone = rig.restore(rig.prefix.hostPath(done.safetyArchive));
        QVERIFY2(undone.ok(), qPrintable(undone.error));
        if (appDataGone)
            QVERIFY(support::runWine(rig.prefix.prefixDir(),
                                     {QStringLiteral("reg"), QStringLiteral("add"), shell,
                                      QStringLiteral("/v"), QStringLiteral("AppData"),
                                      QStringLiteral("/d"), appData, QStringLiteral("/f")}));
        const QString differences = support::prefixDifferences(before, rig.prefixState());
        QVERIFY2(differences.isEmpty(), qPrintable(differences));
    }

    // The program killed at a random moment of a direct restore: either
    // nothing was changed yet, or its safety archive is complete and
    // restoring it gives back the state before.
    void killedRestoreIsUndoneByItsSafetyArchive() {
        Rig rig;
        QVERIFY2(rig.prepare(clients::kOutlookExpress), qPrintable(rig.state().BackupErrorText));
        const support::PrefixState before = rig.prefixState();
        const QString postora = QStringLiteral(POSTORA_BIN_DIR "/postora");
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        for (int round = 0; round < 4; ++round) {
            const QStringList known = safetyArchives(rig.prefix.prefixDir());
            QProcess killed;
            killed.start(postora, {QStringLiteral("/r:") + rig.archive()});
            const int delay = random.bounded(100, 2000);
            const bool finished = killed.waitForFinished(delay);
            if (!finished) killed.kill();
            killed.waitForFinished();
            support::stopWine(rig.prefix.prefixDir());

            QStringList made = safetyArchives(rig.prefix.prefixDir());
            made.removeIf([&known](const QString& f) { return known.contains(f); });
            qInfo("%s after %d ms, %s", finished ? "finished" : "killed", delay,
                  made.isEmpty() ? "no safety archive" : "safety archive taken");
            if (made.isEmpty()) {
                const QString changed = support::prefixDifferences(before, rig.prefixState());
                QVERIFY2(
                    changed.isEmpty(),
                    qPrintable(QStringLiteral("killed after %1 ms:\n%2").arg(delay).arg(changed)));
                continue;
            }
            QCOMPARE(made.size(), 1);
            const auto undo = testsupport::runPostora({QStringLiteral("/r:") + made.first()});
            QVERIFY2(undo.code == 0, qPrintable(undo.err));
            support::stopWine(rig.prefix.prefixDir());
            // The killed run's staging went with the next run; this process's own stays.
            QStringList left =
                QDir(qEnvironmentVariable("TMPDIR"))
                    .entryList({QStringLiteral("postora-*")}, QDir::AllEntries | QDir::Hidden);
            left.removeIf([](const QString& n) {
                return n.startsWith(
                    QStringLiteral("postora-%1-").arg(QCoreApplication::applicationPid()));
            });
            QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
            const QString differences = support::prefixDifferences(before, rig.prefixState());
            QVERIFY2(
                differences.isEmpty(),
                qPrintable(QStringLiteral("killed after %1 ms:\n%2").arg(delay).arg(differences)));
        }
    }
};

QTEST_GUILESS_MAIN(TestRestoreUndo)
#include "tst_restoreundo.moc"
