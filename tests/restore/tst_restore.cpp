// The restore job over a sample prefix with the real archiving library: a
// backup brought back below a folder and into the client, and the ways a
// restore must refuse before it changes anything.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "restore/ArchiveReader.h"
#include "restore/RestoreJob.h"

#include <QDirIterator>

#include <map>

using testsupport::BackupRig;

namespace {

// Every file below a host folder: relative name -> bytes.
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

QStringList differences(const std::map<QString, QByteArray>& want,
                        const std::map<QString, QByteArray>& got) {
    QStringList out;
    for (const auto& [name, bytes] : want) {
        const auto it = got.find(name);
        if (it == got.end())
            out << name + QStringLiteral(" missing");
        else if (it->second != bytes)
            out << name + QStringLiteral(" differs");
    }
    for (const auto& [name, bytes] : got)
        if (!want.count(name)) out << name + QStringLiteral(" unexpected");
    return out;
}

struct RestoreRig : BackupRig {
    bool running = false;
    backup::BackupJob backupJob{*engine, [this](int) { return running; }};
    restore::RestoreJob job{restoreDeps(backupJob, [this](int) { return running; })};

    // A backup of every identity and item of the client into target.
    void backUp(int code) {
        QStringList identities, items;
        catalogue.GetIdentitiesAndItems(code, identities, items);
        QVERIFY2(!run(code, backup::AllTicked(identities), backup::AllTicked(items)),
                 qPrintable(state().BackupErrorText));
    }
    restore::RestoreReport restore(const QString& folder = QString(),
                                   const QString& password = QString()) {
        restore::RestoreRequest r;
        r.archive = archive();
        r.password = password;
        if (!folder.isEmpty()) {
            r.destination = restore::RestoreRequest::Destination::Folder;
            r.folder = folder;
        }
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        return job.Run(r);
    }
    QString eudoraHost() const { return prefix.hostPath(support::eudora::dataFolder(prefix)); }
};

} // namespace

class TestRestore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z", "bsdtar"); }

    // Below a folder the archive's layout is kept, byte for byte, and a second
    // restore into the same folder replaces nothing.
    void folderKeepsLayoutAndNeverOverwrites() {
        RestoreRig rig;
        support::addEudora(rig.prefix);
        rig.backUp(clients::kEudora);
        const QString dir = rig.out.filePath(QStringLiteral("restored"));
        const auto report = rig.restore(dir);
        QVERIFY2(report.ok(), qPrintable(report.error));
        QCOMPARE(report.emailClient, QStringLiteral("Eudora"));

        const QString seven = rig.out.filePath(QStringLiteral("seven"));
        testsupport::runTool(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-y"),
                                                    QStringLiteral("-o") + seven, rig.archive()});
        const auto want = snapshot(seven);
        QVERIFY(want.size() > 10);
        QStringList diff = differences(want, snapshot(dir));
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(u'\n')));

        QFile changed(dir + QStringLiteral("/Eudora.ini"));
        QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        changed.write("mine");
        changed.close();
        const auto again = rig.restore(dir);
        QCOMPARE(again.kind, restore::RestoreReport::Kind::Refused);
        QVERIFY(again.error.contains(QStringLiteral("eudora.ini"), Qt::CaseInsensitive));
        QVERIFY(again.placed.isEmpty());
        QVERIFY(changed.open(QIODevice::ReadOnly));
        QCOMPARE(changed.readAll(), QByteArray("mine"));
    }

    // Reading fails before anything is placed: a wrong password, a damaged
    // entry, a running client. The prefix stays as it was and no safety
    // backup is taken.
    void refusedBeforeAnythingChanges() {
        RestoreRig rig;
        support::addEudora(rig.prefix);
        rig.settings.backupPassword = QStringLiteral("right one");
        rig.engine->driver().setRunPassword(rig.settings.backupPassword);
        rig.backUp(clients::kEudora);
        const QString d = rig.eudoraHost();
        QFile::remove(d + QStringLiteral("/In.mbx"));
        const auto before = snapshot(d);

        auto r = rig.restore(QString(), QStringLiteral("wrong"));
        QCOMPARE(r.kind, restore::RestoreReport::Kind::Refused);
        QCOMPARE(r.libraryCode, SQX_E_BAD_PASSWORD);

        rig.running = true;
        r = rig.restore(QString(), QStringLiteral("right one"));
        QCOMPARE(r.kind, restore::RestoreReport::Kind::ClientRunning);
        rig.running = false;

        // One byte in the middle of the archive's data.
        QFile a(rig.archive());
        QVERIFY(a.open(QIODevice::ReadWrite));
        a.seek(a.size() / 3);
        char c = 0;
        a.getChar(&c);
        a.seek(a.size() / 3);
        a.putChar(char(c ^ 0x5a));
        a.close();
        r = rig.restore(QString(), QStringLiteral("right one"));
        QCOMPARE(r.kind, restore::RestoreReport::Kind::Refused);
        QVERIFY2(r.libraryCode == SQX_E_BAD_DATA || r.libraryCode == SQX_E_BAD_ARCHIVE,
                 qPrintable(r.error));

        QVERIFY(differences(before, snapshot(d)).isEmpty());
        QVERIFY(!QDir(rig.prefix.hostPath(QStringLiteral("C:\\Backups\\Safety"))).exists());
    }

    // The texts come from the language in use; a key its file lacks reads as
    // the built-in English, never as the table's "ERROR".
    void textsFollowTheMessageTable() {
        RestoreRig rig;
        support::addEudora(rig.prefix);
        rig.backUp(clients::kEudora);
        QStringList progress;
        rig.job.progress = [&progress](const QString& line) { progress << line; };
        rig.job.messages = [](const QString& key) {
            if (key == QLatin1String("Message27")) return QStringLiteral("%%APPNAME%% liest:");
            if (key == QLatin1String("Message46")) return QStringLiteral("Fertig.");
            return QStringLiteral("ERROR");
        };
        rig.running = true;
        auto r = rig.restore();
        QCOMPARE(r.kind, restore::RestoreReport::Kind::ClientRunning);
        QVERIFY2(
            r.error.startsWith(QStringLiteral("Make sure that e-mail client program is close.")),
            qPrintable(r.error));
        QCOMPARE(r.headline, QStringLiteral("The restore was not successfully completed. There "
                                            "was errors."));
        QVERIFY(progress.contains(QStringLiteral("Postora liest: ") + rig.archive()));

        rig.running = false;
        r = rig.restore(rig.out.filePath(QStringLiteral("restored")));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.headline, QStringLiteral("Fertig."));
    }

    // A backup without dumps for another Windows user: Eudora.ini's folders move
    // to this prefix's user, found from the file itself; a mailbox naming the
    // old folder is listed as a file that may still hold an old path.
    void anotherUsersEudoraIniWithoutDumps() {
        RestoreRig rig;
        support::addEudora(rig.prefix);
        const QString old = support::eudora::dataFolder(rig.prefix);
        rig.prefix.writeFile(old + QStringLiteral("\\Eudora.ini"),
                             "[Settings]\r\nAttachDir=" + old.toLatin1() + "\\Attach\r\n");
        rig.prefix.writeFile(old + QStringLiteral("\\Out.mbx"), "See " + old.toLatin1() + "\r\n");
        rig.backUp(clients::kEudora);

        const QString ann = QStringLiteral("C:\\users\\ann\\AppData\\Roaming");
        const QString data = ann + QStringLiteral("\\Qualcomm\\Eudora");
        rig.prefix.setString(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\"
                                            "Explorer\\Shell Folders"),
                             QStringLiteral("AppData"), ann);
        rig.prefix.setString(platform::HKEY_CLASSES_ROOT, support::eudora::commandLineKey(),
                             QString(),
                             QStringLiteral("C:\\Eudora\\Eudora.exe ") + data + QLatin1Char(' ') +
                                 data + QStringLiteral("\\Eudora.ini"));
        rig.prefix.save();
        rig.prefix.makeDir(data);
        const auto r = rig.restore();
        QVERIFY2(r.ok(), qPrintable(r.error));
        QFile ini(rig.prefix.hostPath(data + QStringLiteral("\\Eudora.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), "[Settings]\r\nAttachDir=" + data.toLatin1() + "\\Attach\r\n");
        QVERIFY2(r.rewrites.join(u'\n').contains(QStringLiteral("eudora.ini"), Qt::CaseInsensitive),
                 qPrintable(r.rewrites.join(u'\n')));
        QCOMPARE(r.oldPaths.size(), 1);
        QVERIFY2(r.oldPaths.at(0).endsWith(QLatin1String("Out.mbx")), qPrintable(r.oldPaths.at(0)));
    }

    // An entry named to leave the destination is refused and nothing is written.
    void escapingEntryRefused() {
        RestoreRig rig;
        const QString src = rig.out.filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(src));
        QFile info(src + QStringLiteral("/infobak.ini"));
        QVERIFY(info.open(QIODevice::WriteOnly));
        info.write("[Backup]\r\nEmailClient=Eudora\r\n");
        info.close();
        const QString evil = rig.archive();
        const auto made = testsupport::runTool(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); "
                            "z.write(sys.argv[2],'infobak.ini'); "
                            "z.writestr('../escaped.txt','x'); z.close()"),
             evil, info.fileName()});
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));
        const QString dir = rig.out.filePath(QStringLiteral("in/deeper"));
        const auto r = rig.restore(dir);
        QCOMPARE(r.kind, restore::RestoreReport::Kind::Refused);
        QCOMPARE(r.libraryCode, SQX_E_REFUSED_ENTRY);
        QVERIFY(r.error.contains(QStringLiteral("../escaped.txt")));
        QVERIFY(!QFile::exists(rig.out.filePath(QStringLiteral("in/escaped.txt"))));
        QVERIFY(!QDir(dir).exists());
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "tst_restore.moc"
