// Backups of Outlook Express and Eudora brought back directly into the sample
// prefix after the client's data was damaged: every file byte for byte, every
// dumped registry value as it was (read from the hive files after Wine's
// server has written them), and the safety backup taken before.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "platform/registrytext.h"
#include "restore/RestoreJob.h"

#include <QDirIterator>
#include <QProcess>

#include <map>

using namespace platform;
using testsupport::BackupRig;

namespace {

std::map<QString, QByteArray> snapshot(const QString& folder) {
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) out[QDir(folder).relativeFilePath(path)] = f.readAll();
    }
    return out;
}

using Values = std::map<QString, RegValue>;
Values valuesOf(const QString& prefixDir, const QString& own, const QString& path) {
    Registry reg(Registry::Config{prefixDir, own});
    Values out;
    if (const auto key = reg.open(HKEY_CURRENT_USER, path))
        for (RegValue& v : key->values())
            out[regtext::foldName(v.name)] = std::move(v);
    return out;
}

void stopWine(const QString& prefixDir) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefixDir);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    p.waitForFinished(60000);
    p.start(QStringLiteral("wineserver"), {QStringLiteral("-w")});
    p.waitForFinished(60000);
}

} // namespace

class TestRestoreWine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"wine", "wineserver", "7z"})
            if (!testsupport::haveTool(QLatin1String(tool)))
                QFAIL(qPrintable(QStringLiteral("%1 is missing: tools/install-deps.sh installs it")
                                     .arg(QLatin1String(tool))));
    }

    void damagedClientsComeBackExactly() {
        BackupRig rig;
        const auto oe = support::addOutlookExpress(rig.prefix);
        support::addEudora(rig.prefix);
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(restore::RestoreJob::Deps{backupJob, rig.engine->library(),
                                                          *rig.registry, *rig.files, rig.catalogue,
                                                          rig.ui, nullptr});
        struct Client {
            int code;
            QString archive;
            QStringList folders; // Windows paths compared file by file
        };
        const QList<Client> list = {
            {clients::kEudora,
             QStringLiteral("C:\\Backups\\eudora.ebk"),
             {support::eudora::dataFolder(rig.prefix)}},
            {clients::kOutlookExpress,
             QStringLiteral("C:\\Backups\\oe.ebk"),
             {oe.annStore, oe.wabFolder}},
        };
        std::map<QString, std::map<QString, QByteArray>> files;
        for (const Client& c : list) {
            rig.target = c.archive;
            QStringList identities, items;
            rig.catalogue.GetIdentitiesAndItems(c.code, identities, items);
            QVERIFY2(!rig.run(c.code, backup::AllTicked(identities), backup::AllTicked(items)),
                     qPrintable(rig.state().BackupErrorText));
            for (const QString& f : c.folders)
                files[f] = snapshot(rig.prefix.hostPath(f));
        }
        const QString own = rig.out.filePath(QStringLiteral("own.reg"));
        const QString oeKey = QStringLiteral("identities\\") + oe.annKey +
                              QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
        const Values before = valuesOf(rig.prefix.prefixDir(), own, oeKey);
        QVERIFY(before.size() >= 1);

        // The damage: files deleted and changed, values deleted and changed.
        const QString d = rig.prefix.hostPath(support::eudora::dataFolder(rig.prefix));
        QVERIFY(QFile::remove(d + QStringLiteral("/In.mbx")));
        rig.prefix.writeFile(support::eudora::dataFolder(rig.prefix) +
                                 QStringLiteral("\\Sigs\\Standard.txt"),
                             "changed");
        QVERIFY(QFile::remove(rig.prefix.hostPath(oe.annStore + QStringLiteral("\\Inbox.dbx"))));
        rig.prefix.removeValue(HKEY_CURRENT_USER, oeKey, QStringLiteral("Store Root"));
        rig.prefix.save();

        for (const Client& c : list) {
            restore::RestoreRequest r;
            r.archive = rig.prefix.hostPath(c.archive);
            r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
            const auto report = job.Run(r);
            QVERIFY2(report.ok(), qPrintable(report.error));
            QVERIFY(!report.safetyArchive.isEmpty());
            const auto t = testsupport::runTool(
                QStringLiteral("7z"),
                {QStringLiteral("t"), rig.prefix.hostPath(report.safetyArchive)});
            QVERIFY2(t.exitCode == 0, qPrintable(t.output));
        }
        stopWine(rig.prefix.prefixDir());

        for (const auto& [folder, want] : files)
            QVERIFY2(snapshot(rig.prefix.hostPath(folder)) == want, qPrintable(folder));
        const Values after = valuesOf(rig.prefix.prefixDir(), own, oeKey);
        for (const auto& [name, v] : before) {
            const auto it = after.find(name);
            QVERIFY2(it != after.end() && it->second == v, qPrintable(v.name));
        }
    }
};

QTEST_GUILESS_MAIN(TestRestoreWine)
#include "tst_restorewine.moc"
