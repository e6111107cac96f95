// Restoring the safety archive of a direct restore gives back the prefix as it
// was before that restore: the files it added gone, the files it replaced and
// the keys it touched as they were, the keys it added gone - also when the
// restore was killed at any moment.

#include "support/BackupRig.h"
#include "support/PrefixState.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "platform/ShellFolders.h"
#include "restore/RestoreJob.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>

#include <functional>

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

QStringList filesBelow(const QString& hostFolder) {
    QStringList out;
    QDirIterator it(hostFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

// Rows: the client, how it is installed, and how it is changed after the
// backup besides its files (of which the first is deleted, the second changed
// and a new one added in the first one's folder).
struct Row {
    int code;
    std::function<QString(support::SamplePrefix&)> install; // returns the data folder
    std::function<void(support::SamplePrefix&)> change;
};

Row rowFor(const QString& name) {
    if (name == QLatin1String("oexpress"))
        return {clients::kOutlookExpress,
                [](support::SamplePrefix& p) { return support::addOutlookExpress(p).annStore; },
                changeOutlookExpress};
    return {clients::kEudora,
            [](support::SamplePrefix& p) {
                support::addEudora(p);
                return support::eudora::dataFolder(p);
            },
            [](support::SamplePrefix& p) {
                // A whole folder the restore makes again.
                QDir(p.hostPath(support::eudora::dataFolder(p) + QStringLiteral("\\WORK.FOL")))
                    .removeRecursively();
            }};
}

struct Rig : BackupRig {
    backup::BackupJob backupJob{*engine, nullptr};
    restore::RestoreJob job{restore::RestoreJob::Deps{backupJob, engine->library(), *registry,
                                                      *files, catalogue, ui, nullptr}};
    QString data;

    Rig() : BackupRig(QStringLiteral("C:\\Backups\\client.ebk")) {}

    // Backs the client up, then changes it; the state to come back to is
    // read after Wine has brought the prefix up to date.
    bool prepare(const Row& row) {
        data = row.install(prefix);
        QStringList identities, items;
        catalogue.GetIdentitiesAndItems(row.code, identities, items);
        if (run(row.code, backup::AllTicked(identities), backup::AllTicked(items))) return false;
        const QStringList present = filesBelow(prefix.hostPath(data));
        if (present.size() < 2) return false;
        QFile::remove(present.at(0));
        prefix.writeFile(data + QStringLiteral("\\added after the backup.txt"), "stays");
        QFile changed(present.at(1));
        if (!changed.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        changed.write("changed after the backup");
        changed.close();
        row.change(prefix);
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
    void initTestCase() {
        for (const char* tool : {"wine", "wineserver", "7z"})
            if (!testsupport::haveTool(QLatin1String(tool)))
                QFAIL(qPrintable(QStringLiteral("%1 is missing: tools/install-deps.sh installs it")
                                     .arg(QLatin1String(tool))));
    }

    void safetyArchiveUndoesTheRestore_data() {
        QTest::addColumn<QString>("client");
        QTest::newRow("oexpress") << QStringLiteral("oexpress");
        QTest::newRow("eudora") << QStringLiteral("eudora");
    }
    void safetyArchiveUndoesTheRestore() {
        QFETCH(QString, client);
        Rig rig;
        QVERIFY2(rig.prepare(rowFor(client)), qPrintable(rig.state().BackupErrorText));
        const support::PrefixState before = rig.prefixState();

        const auto done = rig.restore(rig.archive());
        QVERIFY2(done.ok(), qPrintable(done.error));
        QVERIFY(!support::prefixDifferences(before, rig.prefixState()).isEmpty());

        const auto undone = rig.restore(rig.prefix.hostPath(done.safetyArchive));
        QVERIFY2(undone.ok(), qPrintable(undone.error));
        const QString differences = support::prefixDifferences(before, rig.prefixState());
        QVERIFY2(differences.isEmpty(), qPrintable(differences));
    }

    // The program killed at a random moment of a direct restore: either
    // nothing was changed yet, or its safety archive is complete and
    // restoring it gives back the state before.
    void killedRestoreIsUndoneByItsSafetyArchive() {
        Rig rig;
        QVERIFY2(rig.prepare(rowFor(QStringLiteral("oexpress"))),
                 qPrintable(rig.state().BackupErrorText));
        const support::PrefixState before = rig.prefixState();
        const QString postora =
            qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
            QStringLiteral("/postora");
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        for (int round = 0; round < 4; ++round) {
            const QStringList known = safetyArchives(rig.prefix.prefixDir());
            QProcess killed;
            killed.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            killed.start(postora, {QStringLiteral("/r:") + rig.archive()});
            QVERIFY(killed.waitForStarted());
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
            QProcess undo;
            undo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            undo.start(postora, {QStringLiteral("/r:") + made.first()});
            QVERIFY(undo.waitForFinished(180000));
            QCOMPARE(undo.exitCode(), 0);
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

    // A record that names what is not the client's to write, remove or
    // delete: the whole restore is refused and nothing changes, in the
    // prefix or beside it.
    void craftedRecordRefusedBeforeAnythingChanges_data() {
        QTest::addColumn<QString>("record");
        const QString runOnce = QStringLiteral(
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
        QTest::newRow("file outside the prefix")
            << QStringLiteral("[Created Files]\n1=Z:%HOME%\\canary");
        QTest::newRow("system folder")
            << QStringLiteral("[Replaced Files]\n1=C:\\windows\\system32\\evil.dll\n"
                              "[Replaced Entries]\n1=UndoRestore/files/1/evil.dll");
        QTest::newRow("climbing with slashes")
            << QStringLiteral("[Created Files]\n1=C:\\users/../windows/win.ini");
        QTest::newRow("through a link") << QStringLiteral("[Created Files]\n1=C:\\linked\\canary");
        QTest::newRow("whole software tree")
            << QStringLiteral("[Created Keys]\n1=HKEY_CURRENT_USER\\Software\n"
                              "[Created Chains]\n1=HKEY_CURRENT_USER\\Software");
        QTest::newRow("start-up key")
            << QStringLiteral("[Touched Keys]\n1=%1\n[Touched Exports]\n1=UndoRestore/keys/1.reg")
                   .arg(runOnce);
        QTest::newRow("export beyond its key")
            << QStringLiteral("[Touched Keys]\n1=HKEY_CURRENT_USER\\Software\\Qualcomm\\Eudora\n"
                              "[Touched Exports]\n1=UndoRestore/keys/1.reg");
    }
    void craftedRecordRefusedBeforeAnythingChanges() {
        QFETCH(QString, record);
        Rig rig;
        support::addEudora(rig.prefix);
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kEudora, identities, items);
        QVERIFY(
            !rig.run(clients::kEudora, backup::AllTicked(identities), backup::AllTicked(items)));
        const QString canary = rig.prefix.home() + QStringLiteral("/canary");
        QVERIFY(support::writeHostFile(canary, "canary"));
        QVERIFY(QFile::link(rig.prefix.home(),
                            rig.prefix.prefixDir() + QStringLiteral("/drive_c/linked")));
        QString home = rig.prefix.home();
        home.replace(u'/', u'\\');
        QVERIFY(support::craftUndoRecord(rig.archive(), rig.prefix.prefixDir(),
                                         record.replace(QStringLiteral("%HOME%"), home)));
        const support::PrefixState before = rig.prefixState();

        const auto report = rig.restore(rig.archive());
        QCOMPARE(report.kind, restore::RestoreReport::Kind::Refused);
        QVERIFY2(report.error.contains(QStringLiteral("cannot be undone here")),
                 qPrintable(report.error));
        QVERIFY(report.safetyArchive.isEmpty());
        const QString differences = support::prefixDifferences(before, rig.prefixState());
        QVERIFY2(differences.isEmpty(), qPrintable(differences));
        QFile kept(canary);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("canary"));
    }
};

QTEST_GUILESS_MAIN(TestRestoreUndo)
#include "tst_restoreundo.moc"
