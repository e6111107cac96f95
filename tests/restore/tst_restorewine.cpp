// Each client's backup brought back directly into its sample prefix after the
// client's data was damaged: every file byte for byte, every dumped registry
// value as it was (read from the hive files after Wine's server has written
// them), and the safety backup taken before. One row, one prefix per client.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/FavoritesSample.h"
#include "support/clients/IncrediMailSample.h"
#include "support/clients/NetscapeSample.h"
#include "support/clients/OperaSample.h"
#include "support/clients/OutlookExpressSample.h"
#include "support/clients/OutlookSample.h"
#include "support/clients/PegasusSample.h"
#include "support/clients/PocoMailSample.h"
#include "support/clients/TheBatSample.h"

#include "backup/BackupJob.h"
#include "platform/RegistryText.h"
#include "restore/RestoreJob.h"

#include <QDirIterator>
#include <QProcess>

#include <sys/statvfs.h>

#include <functional>
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

struct Key {
    HKEY root;
    QString path;
};

// Every value of the key and of the keys below it, by folded "key\name".
using Values = std::map<QString, RegValue>;
void collect(Registry& reg, HKEY root, const QString& path, Values& out) {
    const auto key = reg.open(root, path);
    if (!key) return;
    for (RegValue& v : key->values())
        out[regtext::foldName(path + QLatin1Char('\\') + v.name)] = std::move(v);
    for (const QString& sub : key->subKeyNames())
        collect(reg, root, path + QLatin1Char('\\') + sub, out);
}
Values valuesOf(const QString& prefixDir, const QString& own, const QList<Key>& keys) {
    Registry reg(Registry::Config{prefixDir, own});
    Values out;
    for (const Key& k : keys)
        collect(reg, k.root, k.path, out);
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

// What a row compares, and how it damages the client after the backup (files
// deleted and changed, values deleted and changed).
struct Case {
    QStringList folders; // Windows paths compared file by file
    QList<Key> keys;     // compared value by value, with their sub-keys
    std::function<void()> damage;
};

Case eudoraCase(support::SamplePrefix& p) {
    support::addEudora(p);
    const QString data = support::eudora::dataFolder(p);
    return {{data}, {}, [&p, data] {
                QVERIFY(QFile::remove(p.hostPath(data + QStringLiteral("\\In.mbx"))));
                p.writeFile(data + QStringLiteral("\\Sigs\\Standard.txt"), "changed");
            }};
}

Case outlookExpressCase(support::SamplePrefix& p) {
    const auto oe = support::addOutlookExpress(p);
    const QString key = QStringLiteral("identities\\") + oe.annKey +
                        QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
    return {{oe.annStore, oe.wabFolder}, {{HKEY_CURRENT_USER, key}}, [&p, oe, key] {
                QVERIFY(QFile::remove(p.hostPath(oe.annStore + QStringLiteral("\\Inbox.dbx"))));
                p.removeValue(HKEY_CURRENT_USER, key, QStringLiteral("Store Root"));
            }};
}

// Every layout on the same sample; a further user's files and the nested mail
// folders (stored twice) among the damage.
Case pocoMailCase(support::SamplePrefix& p, int code) {
    support::addPocoMail(p);
    if (code != clients::kPocoMail3) support::pocomail::addLayout(p, code);
    const QString f = support::pocomail::folder();
    return {{f}, {}, [&p, f] {
                QVERIFY(
                    QFile::remove(p.hostPath(f + QStringLiteral("\\Mail\\Work\\Projects.mbx"))));
                QVERIFY(QFile::remove(p.hostPath(f + QStringLiteral("\\Poco.ini"))));
                p.writeFile(f + QStringLiteral("\\Users\\Bob\\Mail\\Private\\Letters.mbx"), "x");
            }};
}

Case opera6Case(support::SamplePrefix& p) {
    support::addOpera(p);
    const QString o = support::opera::programFolder();
    const QString m = support::opera::mailFolder();
    return {{o}, {}, [&p, o, m] {
                QVERIFY(QFile::remove(
                    p.hostPath(m + QStringLiteral("\\account1\\Inbox\\Old\\Old.mbs"))));
                QVERIFY(QFile::remove(p.hostPath(o + QStringLiteral("Contacts.adr"))));
                p.writeFile(support::opera::signatureFile(), "changed");
                p.writeFile(m + QStringLiteral("\\account2\\ACCOUNT.INI"), "changed");
            }};
}

Case opera7Case(support::SamplePrefix& p) {
    support::addOpera(p);
    const QString r = support::opera::opera7Folder(p);
    return {{r}, {}, [&p, r] {
                QVERIFY(QFile::remove(p.hostPath(
                    r + QStringLiteral("\\Mail\\store\\account1\\2003\\02\\10\\0001.mbs"))));
                QVERIFY(QFile::remove(p.hostPath(r + QStringLiteral("\\profile\\contacts.adr"))));
                p.writeFile(r + QStringLiteral("\\Mail\\storage\\signature1.txt"), "changed");
            }};
}

Case netscape4Case(support::SamplePrefix& p) {
    support::addNetscape(p);
    const QString u = support::netscape::usersFolder();
    const QString jane = support::netscape::usersKey() + QStringLiteral("\\jane");
    return {{u}, {{HKEY_CURRENT_USER, support::netscape::usersKey()}}, [&p, u, jane] {
                QVERIFY(QFile::remove(
                    p.hostPath(u + QStringLiteral("jane\\mail\\Inbox.sbd\\Lists.sbd\\Debian"))));
                p.writeFile(u + QStringLiteral("tom\\prefs.js"), "changed");
                p.removeValue(HKEY_CURRENT_USER, jane, QStringLiteral("checkFrequency"));
                p.setString(HKEY_CURRENT_USER, jane + QStringLiteral("\\servers\\pop.example.com"),
                            QStringLiteral("popstatePath"), QStringLiteral("C:\\elsewhere"));
            }};
}

Case netscape67Case(support::SamplePrefix& p) {
    support::addNetscape(p);
    const QString m = support::netscape::mozillaFolder(p);
    const QStringList pp = support::netscape::profilePaths(p);
    return {{m}, {}, [&p, m, pp] {
                QVERIFY(QFile::remove(p.hostPath(
                    pp[0] + QStringLiteral("\\Mail\\pop.example.com\\Inbox.sbd\\Lists"))));
                QVERIFY(QFile::remove(p.hostPath(m + QStringLiteral("\\registry.dat"))));
                p.writeFile(pp[1] + QStringLiteral("\\prefs.js"), "changed");
            }};
}

Case favoritesCase(support::SamplePrefix& p) {
    support::addFavorites(p);
    const QString f = support::favorites::folder(p);
    return {{f}, {}, [&p, f] {
                QVERIFY(
                    QFile::remove(p.hostPath(f + QStringLiteral("\\News\\Local\\Town Paper.url"))));
                QVERIFY(QFile::remove(p.hostPath(f + QStringLiteral("\\Weather.url"))));
                p.writeFile(f + QStringLiteral("\\LINKS\\SEARCH.URL"), "changed");
            }};
}

// The stores in every kind of place: the Outlook folders, the local folder
// ("Dir0"), folders of their own, a Cyrillic one.
Case outlookCase(support::SamplePrefix& p) {
    support::addOutlook(p);
    const QString roaming = QStringLiteral("C:\\users\\") + p.userName() +
                            QStringLiteral("\\AppData\\Roaming\\Microsoft");
    const QString local =
        QStringLiteral("C:\\users\\") + p.userName() + QStringLiteral("\\AppData\\Local");
    const QString archive = QStringLiteral("C:\\Mail Archive");
    const QString cyrillic = support::outlook::cyrillicFolder(p);
    const QString profile = support::outlook::profileKey();
    return {{roaming + QStringLiteral("\\Outlook"), roaming + QStringLiteral("\\Signatures"),
             local + QStringLiteral("\\Microsoft\\Outlook"), local + QStringLiteral("\\Old Mail"),
             archive, cyrillic},
            {{HKEY_CURRENT_USER, profile}},
            [&p, local, archive, cyrillic, profile] {
                QVERIFY(QFile::remove(p.hostPath(local + QStringLiteral("\\Old Mail\\old.pst"))));
                QVERIFY(QFile::remove(p.hostPath(archive + QStringLiteral("\\Family.pst"))));
                p.writeFile(cyrillic + QStringLiteral("\u041b\u0438\u0447\u043d\u043e\u0435.pst"),
                            "changed");
                p.removeKey(HKEY_CURRENT_USER,
                            profile + QLatin1Char('\\') + support::outlook::oldMailSection());
                p.setString(HKEY_CURRENT_USER,
                            profile + QLatin1Char('\\') + support::outlook::projectsSection(),
                            QStringLiteral("001e6700"), QStringLiteral("C:\\elsewhere.pst"));
            }};
}

// A user folder in another letter case than the user list names it, the list
// itself and the user mode among the damage.
Case pegasusCase(support::SamplePrefix& p) {
    support::addPegasus(p);
    const QString m = support::pegasus::mailbox();
    const QString key = support::pegasus::key() + QStringLiteral("\\Username");
    return {{m}, {{HKEY_LOCAL_MACHINE, key}}, [&p, m, key] {
                QVERIFY(
                    QFile::remove(p.hostPath(m + QStringLiteral("\\Jane Doe\\ARCHIVE\\2003.PMM"))));
                QVERIFY(QFile::remove(p.hostPath(m + QStringLiteral("\\PMAIL.USR"))));
                p.writeFile(m + QStringLiteral("\\TOM\\INBOX.PMM"), "changed");
                p.setString(HKEY_LOCAL_MACHINE, key, QString(), QStringLiteral("single-user mode"));
            }};
}

// The identity without a name and the attachments stored twice among the damage.
Case incrediMailCase(support::SamplePrefix& p) {
    using namespace support::incredimail;
    addIncrediMail(p);
    const QString ids = applicationFolder(p) + QStringLiteral("\\Identities");
    const QString key = QStringLiteral("Software\\IncrediMail\\Identities");
    return {{ids, contentFolder()}, {{HKEY_CURRENT_USER, key}}, [&p, ids, key] {
                const QString unnamed = ids + QLatin1Char('\\') + unnamedKey();
                QVERIFY(QFile::remove(
                    p.hostPath(unnamed + QStringLiteral("\\Message Store\\Inbox.imm"))));
                QVERIFY(QFile::remove(p.hostPath(
                    unnamed + QStringLiteral("\\Message Store\\Attachments\\report user.doc"))));
                QVERIFY(QFile::remove(
                    p.hostPath(contentFolder() + QStringLiteral("\\Sound\\Ding.wav"))));
                p.writeFile(ids + QLatin1Char('\\') + workKey() + QStringLiteral("\\RuleOrder.dat"),
                            "changed");
                p.removeKey(HKEY_CURRENT_USER,
                            key + QLatin1Char('\\') + homeKey() + QStringLiteral("\\Accounts"));
                p.setString(HKEY_CURRENT_USER, key + QLatin1Char('\\') + workKey(),
                            QStringLiteral("Identity"), QStringLiteral("Changed"));
            }};
}

// A user below the working folder and two in folders of their own, a mail
// folder written in lower case, the address books.
Case theBatCase(support::SamplePrefix& p) {
    using namespace support::thebat;
    addTheBat(p);
    return {{workingFolder(), userFolder(1), userFolder(2)}, {}, [&p] {
                QVERIFY(QFile::remove(
                    p.hostPath(userFolder(0) + QStringLiteral("\\outbox\\messages.tbb"))));
                QVERIFY(
                    QFile::remove(p.hostPath(workingFolder() + QStringLiteral("\\Addrbook.abd"))));
                p.writeFile(userFolder(1) + QStringLiteral("\\account.cfg"), "changed");
                p.writeFile(mailFolders(2).at(0) + QStringLiteral("Messages.tbi"), "changed");
            }};
}

// The sample of a client code, written into the prefix.
Case caseFor(int code, support::SamplePrefix& p) {
    switch (code) {
    case clients::kOutlookExpress:
        return outlookExpressCase(p);
    case clients::kEudora:
        return eudoraCase(p);
    case clients::kOutlook:
        return outlookCase(p);
    case clients::kPegasus:
        return pegasusCase(p);
    case clients::kIncrediMail:
        return incrediMailCase(p);
    case clients::kTheBat:
        return theBatCase(p);
    case clients::kPocoMail2:
    case clients::kPocoMail3:
    case clients::kPocoMail20:
        return pocoMailCase(p, code);
    case clients::kOpera6:
        return opera6Case(p);
    case clients::kOpera7:
        return opera7Case(p);
    case clients::kNetscape4:
        return netscape4Case(p);
    case clients::kNetscape67:
        return netscape67Case(p);
    case clients::kFavorites:
        return favoritesCase(p);
    default:
        return {};
    }
}

// A small file system of its own mounted over a folder of the prefix, its
// content kept; unmounted again at the end. Needs the right to mount (root).
struct SmallDisk {
    QString folder;
    bool mounted = false;
    explicit SmallDisk(const QString& hostFolder) : folder(hostFolder) {
        const QString aside = folder + QStringLiteral(".aside");
        if (!QDir().rename(folder, aside) || !QDir().mkpath(folder)) return;
        mounted = testsupport::runTool(QStringLiteral("mount"),
                                       {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                        QStringLiteral("-o"), QStringLiteral("size=8m"),
                                        QStringLiteral("tmpfs"), folder})
                      .exitCode == 0;
        testsupport::runTool(QStringLiteral("cp"),
                             {QStringLiteral("-a"), aside + QStringLiteral("/."), folder});
        QDir(aside).removeRecursively();
    }
    ~SmallDisk() {
        if (mounted) testsupport::runTool(QStringLiteral("umount"), {folder});
    }
    // Leaves `room` bytes free beyond what is used now.
    bool leave(qint64 room) {
        struct statvfs fs {};
        if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) return false;
        const qint64 used = qint64(fs.f_blocks - fs.f_bfree) * qint64(fs.f_frsize);
        return testsupport::runTool(QStringLiteral("mount"),
                                    {QStringLiteral("-o"),
                                     QStringLiteral("remount,size=%1").arg(used + room), folder})
                   .exitCode == 0;
    }
};

} // namespace

class TestRestoreWine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("wine", "wineserver", "7z"); }

    void damagedClientComesBackExactly_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("oexpress") << int(clients::kOutlookExpress);
        QTest::newRow("eudora") << int(clients::kEudora);
        QTest::newRow("msoutlook") << int(clients::kOutlook);
        QTest::newRow("pegasus") << int(clients::kPegasus);
        QTest::newRow("incredimail") << int(clients::kIncrediMail);
        QTest::newRow("thebat") << int(clients::kTheBat);
        QTest::newRow("pocomail2") << int(clients::kPocoMail2);
        QTest::newRow("pocomail3") << int(clients::kPocoMail3);
        QTest::newRow("pocomail20") << int(clients::kPocoMail20);
        QTest::newRow("opera6") << int(clients::kOpera6);
        QTest::newRow("opera7") << int(clients::kOpera7);
        QTest::newRow("netscape4") << int(clients::kNetscape4);
        QTest::newRow("netscape67") << int(clients::kNetscape67);
        QTest::newRow("favorites") << int(clients::kFavorites);
    }

    void damagedClientComesBackExactly() {
        QFETCH(int, code);
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        const Case c = caseFor(code, rig.prefix);
        QVERIFY(!c.folders.isEmpty());
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(code, identities, items);
        QVERIFY2(!rig.run(code, backup::AllTicked(identities), backup::AllTicked(items)),
                 qPrintable(rig.state().BackupErrorText));
        std::map<QString, std::map<QString, QByteArray>> files;
        for (const QString& f : c.folders)
            files[f] = snapshot(rig.prefix.hostPath(f));
        const QString own = rig.out.filePath(QStringLiteral("own.reg"));
        const Values before = valuesOf(rig.prefix.prefixDir(), own, c.keys);
        QVERIFY(c.keys.isEmpty() || !before.empty());

        c.damage();
        if (QTest::currentTestFailed()) return;
        rig.prefix.save();

        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        QVERIFY2(report.ok(), qPrintable(report.error));
        QVERIFY2(report.undetermined.isEmpty(), qPrintable(report.undetermined.join(u", ")));
        QVERIFY(!report.safetyArchive.isEmpty());
        const auto t = testsupport::runTool(
            QStringLiteral("7z"), {QStringLiteral("t"), rig.prefix.hostPath(report.safetyArchive)});
        QVERIFY2(t.exitCode == 0, qPrintable(t.output));
        stopWine(rig.prefix.prefixDir());

        // Nothing missing, nothing changed, nothing left behind (temporary names).
        for (const auto& [folder, want] : files) {
            const auto got = snapshot(rig.prefix.hostPath(folder));
            for (const auto& [name, bytes] : want) {
                const auto it = got.find(name);
                QVERIFY2(it != got.end() && it->second == bytes,
                         qPrintable(folder + QLatin1Char('\\') + name));
            }
            QCOMPARE(got.size(), want.size());
        }
        const Values after = valuesOf(rig.prefix.prefixDir(), own, c.keys);
        for (const auto& [name, v] : before) {
            const auto it = after.find(name);
            QVERIFY2(it != after.end() && it->second == v, qPrintable(name));
        }
    }
    // A prefix whose C:\\windows\\regedit.exe is some other program (the sample
    // prefix leaves a stand-in there): Wine's own registry editor still
    // imports the dumps.
    void dumpsImportedPastAStandInRegedit() {
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        const Case c = outlookExpressCase(rig.prefix);
        QByteArray stub(512, '\0');
        stub[0] = 'M';
        stub[1] = 'Z';
        rig.prefix.writeFile(QStringLiteral("C:\\windows\\regedit.exe"), stub);
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kOutlookExpress, identities, items);
        QVERIFY2(!rig.run(clients::kOutlookExpress, backup::AllTicked(identities),
                          backup::AllTicked(items)),
                 qPrintable(rig.state().BackupErrorText));
        const QString own = rig.out.filePath(QStringLiteral("own.reg"));
        const Values before = valuesOf(rig.prefix.prefixDir(), own, c.keys);
        c.damage();
        rig.prefix.save();

        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        QVERIFY2(report.ok(), qPrintable(report.error));
        QVERIFY(!report.imported.isEmpty());
        stopWine(rig.prefix.prefixDir());
        const Values after = valuesOf(rig.prefix.prefixDir(), own, c.keys);
        QVERIFY(!before.empty());
        for (const auto& [name, v] : before) {
            const auto it = after.find(name);
            QVERIFY2(it != after.end() && it->second == v, qPrintable(name));
        }
    }

    // The disk fills while the files are placed: the restore stops with the
    // reason and the safety archive's name, leaves no part-written file, and
    // restoring the safety archive gives back the state before byte for byte.
    void fullDiskHalfWayIsUndoneByTheSafetyArchive() {
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        support::addEudora(rig.prefix);
        const QString data = support::eudora::dataFolder(rig.prefix);
        // Last in the archive's order, larger than the room left.
        QByteArray big(512 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < big.size(); ++i)
            big[i] = char((i * 7919) >> 5);
        rig.prefix.writeFile(data + QStringLiteral("\\WORK.FOL\\ZZ.MBX"), big);
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kEudora, identities, items);
        QVERIFY2(
            !rig.run(clients::kEudora, backup::AllTicked(identities), backup::AllTicked(items)),
            qPrintable(rig.state().BackupErrorText));

        const QString host = rig.prefix.hostPath(data);
        SmallDisk disk(host);
        if (!disk.mounted) QSKIP("mounting a small tmpfs needs root");
        QVERIFY(QFile::remove(host + QStringLiteral("/In.mbx")));
        rig.prefix.writeFile(data + QStringLiteral("\\Sigs\\Standard.txt"), "changed");
        rig.prefix.writeFile(data + QStringLiteral("\\WORK.FOL\\ZZ.MBX"), big.left(1000));
        const auto before = snapshot(host);
        // Room enough when the restore checks it; filled up once placing begins.
        QVERIFY(disk.leave(4 << 20));
        bool shrunk = false;
        job.stopRequested = [&disk, &shrunk, &big] {
            if (!shrunk) shrunk = disk.leave(big.size() / 2);
            return false;
        };

        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto failed = job.Run(r);
        QVERIFY(shrunk);
        QCOMPARE(failed.kind, restore::RestoreReport::Kind::Failed);
        QVERIFY(!failed.placed.isEmpty());
        QVERIFY(!failed.safetyArchive.isEmpty());
        QVERIFY2(failed.error.contains(QStringLiteral("No space left on device")) &&
                     failed.error.contains(failed.safetyArchive) &&
                     failed.error.contains(QStringLiteral("ZZ.MBX")),
                 qPrintable(failed.error));

        QVERIFY(disk.leave(4 << 20));
        r.archive = rig.prefix.hostPath(failed.safetyArchive);
        const auto back = job.Run(r);
        QVERIFY2(back.ok(), qPrintable(back.error));
        const auto after = snapshot(host);
        for (const auto& [name, bytes] : before)
            QVERIFY2(after.count(name) && after.at(name) == bytes, qPrintable(name));
        QCOMPARE(after.size(), before.size());
    }

    // Mozilla profiles backed up for this prefix's user and restored after the
    // application-data folder moved to another user ("ann"): the profiles go
    // below the new folder and the paths inside prefs.js follow them, each
    // file rewritten named in the report; a path outside the client's folders
    // is left out, and named too.
    void anotherUsersMozillaProfilesMoveWithTheirPaths() {
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        support::addNetscape(rig.prefix);
        const QString old = QStringLiteral("C:\\users\\") + rig.prefix.userName();
        const QString profile = support::netscape::profilePaths(rig.prefix).at(0);
        QString doubled = profile;
        doubled.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        rig.prefix.writeFile(
            profile + QStringLiteral("\\prefs.js"),
            "user_pref(\"mail.server.server1.directory\", \"" + doubled.toUtf8() +
                "\\\\Mail\\\\pop.example.com\");\r\n"
                "user_pref(\"browser.download.dir\", \"file:///C:/users/" +
                rig.prefix.userName().toUtf8() +
                "/Downloads\");\r\n"
                "user_pref(\"mail.signature_file\", \"C:\\\\Program Files\\\\sig.txt\");\r\n");
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kNetscape67, identities, items);
        QVERIFY2(
            !rig.run(clients::kNetscape67, backup::AllTicked(identities), backup::AllTicked(items)),
            qPrintable(rig.state().BackupErrorText));
        const QString inbox = QStringLiteral("\\Mail\\pop.example.com\\Inbox");
        QFile mail(rig.prefix.hostPath(profile + inbox));
        QVERIFY(mail.open(QIODevice::ReadOnly));
        const QByteArray mailBytes = mail.readAll();

        const QString ann = QStringLiteral("C:\\users\\ann");
        rig.prefix.setString(HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\"
                                            "Explorer\\Shell Folders"),
                             QStringLiteral("AppData"), ann + QStringLiteral("\\AppData\\Roaming"));
        rig.prefix.save();
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        QVERIFY2(report.ok(), qPrintable(report.error));

        QString moved = profile;
        moved.replace(old, ann, Qt::CaseInsensitive);
        QFile restored(rig.prefix.hostPath(moved + inbox));
        QVERIFY2(restored.open(QIODevice::ReadOnly), qPrintable(moved + inbox));
        QCOMPARE(restored.readAll(), mailBytes);
        QFile prefs(rig.prefix.hostPath(moved + QStringLiteral("\\prefs.js")));
        QVERIFY(prefs.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(prefs.readAll());
        QString movedDoubled = moved;
        movedDoubled.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        QVERIFY2(text.contains(movedDoubled + QStringLiteral("\\\\Mail\\\\pop.example.com\"")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\"file:///C:/users/ann/Downloads\"")),
                 qPrintable(text));
        // A file outside the client's folders is not taken from the backup.
        QVERIFY(!text.contains(QStringLiteral("sig.txt")));
        const QString listed = report.rewrites.join(u'\n');
        QVERIFY2(listed.contains(QStringLiteral("default/prefs.js: ") + old), qPrintable(listed));
        QVERIFY2(listed.contains(QStringLiteral("mail.signature_file named C:\\Program Files")),
                 qPrintable(listed));
    }

    // Outlook restored after the user folder moved to "ann": every store goes
    // below the new folder, and the profile - whose store paths Outlook keeps
    // as bytes (ANSI and UTF-16) - names the new places; a store in a folder
    // that is not Outlook's in this prefix goes into Outlook's own folder.
    // Each moved path is listed.
    void anotherUsersOutlookStoresMoveWithTheProfile() {
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        support::addOutlook(rig.prefix);
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kOutlook, identities, items);
        QVERIFY2(
            !rig.run(clients::kOutlook, backup::AllTicked(identities), backup::AllTicked(items)),
            qPrintable(rig.state().BackupErrorText));
        const QString old = QStringLiteral("C:\\users\\") + rig.prefix.userName();
        const QString ann = QStringLiteral("C:\\users\\ann");
        const QString oldMail = QStringLiteral("\\AppData\\Local\\Old Mail\\old.pst");
        const QString personal = support::outlook::cyrillicFolder(rig.prefix).mid(old.size()) +
                                 QStringLiteral("\u041b\u0438\u0447\u043d\u043e\u0435.pst");
        const auto bytesOf = [&rig](const QString& winPath) {
            QFile f(rig.prefix.hostPath(winPath));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
        };
        const QByteArray oldMailBytes = bytesOf(old + oldMail);
        const QByteArray personalBytes = bytesOf(old + personal);

        const QString shell =
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        for (const auto& [name, place] : {std::pair{"AppData", "\\AppData\\Roaming"},
                                          std::pair{"Local AppData", "\\AppData\\Local"},
                                          std::pair{"Personal", "\\Documents"}}) {
            rig.prefix.setString(HKEY_CURRENT_USER, shell, QLatin1String(name),
                                 ann + QLatin1String(place));
            rig.prefix.makeDir(ann + QLatin1String(place));
        }
        const QString profile = support::outlook::profileKey();
        rig.prefix.removeKey(HKEY_CURRENT_USER, profile);
        rig.prefix.save();
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        QVERIFY2(report.ok(), qPrintable(report.error));
        stopWine(rig.prefix.prefixDir());

        QCOMPARE(bytesOf(ann + oldMail), oldMailBytes);
        QCOMPARE(bytesOf(ann + personal), personalBytes);
        Registry reg(
            Registry::Config{rig.prefix.prefixDir(), rig.out.filePath(QStringLiteral("own.reg"))});
        const auto store = [&reg, &profile](const QString& section, const QString& name) {
            const auto key = reg.open(HKEY_CURRENT_USER, profile + QLatin1Char('\\') + section);
            return key ? key->readBinary(name).value_or(QByteArray()) : QByteArray();
        };
        QCOMPARE(store(support::outlook::oldMailSection(), QStringLiteral("001e6700")),
                 (ann + oldMail).toLatin1() + QByteArray(1, '\0'));
        QCOMPARE(store(support::outlook::cyrillicSection(), QStringLiteral("001f6700")),
                 platform::utf16LeBytes(ann + personal) + QByteArray(2, '\0'));
        const QByteArray archive =
            store(support::outlook::archiveSection(), QStringLiteral("001f6700"));
        // A folder that is not Outlook's in this prefix: the store goes to Outlook's own.
        const QString relocated =
            ann + QStringLiteral("\\AppData\\Local\\Microsoft\\Outlook\\archive.pst");
        QCOMPARE(archive.left(archive.size() - 2), platform::utf16LeBytes(relocated));
        QCOMPARE(bytesOf(relocated), bytesOf(QStringLiteral("C:\\Mail Archive\\archive.pst")));
        const QString listed = report.rewrites.join(u'\n');
        QVERIFY2(listed.contains(QStringLiteral("setting.reg: ") + old + oldMail +
                                 QStringLiteral(" -> ") + ann + oldMail),
                 qPrintable(listed));
    }

    // The Bat! restored after the user folder moved to "ann": a user this
    // prefix's client lists goes into the folder the list gives now; one it
    // does not list, recorded in a folder that is not the client's here, goes
    // into the client's default folder, and the move is listed.
    void anotherUsersBatFoldersFollowTheUserList() {
        using namespace support::thebat;
        BackupRig rig(QStringLiteral("C:\\Backups\\client.ebk"));
        addTheBat(rig.prefix);
        const QString old = QStringLiteral("C:\\users\\") + rig.prefix.userName();
        const QString carol = old + QStringLiteral("\\Mail\\Carol");
        rig.prefix.setString(HKEY_CURRENT_USER, usersKey(), QStringLiteral("Dir #3"),
                             carol + QLatin1Char('\\'));
        rig.prefix.save();
        rig.prefix.writeFile(carol + QStringLiteral("\\account.cfg"), "Carol at home");
        rig.prefix.writeFile(carol + QStringLiteral("\\Inbox\\Messages.tbi"), "index");
        rig.prefix.writeFile(carol + QStringLiteral("\\Inbox\\Messages.tbb"), "base");
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kTheBat, identities, items);
        QVERIFY2(
            !rig.run(clients::kTheBat, backup::AllTicked(identities), backup::AllTicked(items)),
            qPrintable(rig.state().BackupErrorText));

        const QString ann = QStringLiteral("C:\\users\\ann");
        rig.prefix.setString(HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\"
                                            "Explorer\\Shell Folders"),
                             QStringLiteral("AppData"), ann + QStringLiteral("\\AppData\\Roaming"));
        // This prefix's client knows Ann and Bob (Bob elsewhere), not Carol.
        const QString bob = QStringLiteral("C:\\Mail\\Bob now");
        rig.prefix.removeValue(HKEY_CURRENT_USER, usersKey(), QStringLiteral("User #3"));
        rig.prefix.removeValue(HKEY_CURRENT_USER, usersKey(), QStringLiteral("Dir #3"));
        rig.prefix.setString(HKEY_CURRENT_USER, usersKey(), QStringLiteral("Dir #2"),
                             bob + QLatin1Char('\\'));
        rig.prefix.makeDir(bob);
        rig.prefix.save();
        backup::BackupJob backupJob(*rig.engine, nullptr);
        restore::RestoreJob job(rig.restoreDeps(backupJob));
        restore::RestoreRequest r;
        r.archive = rig.archive();
        r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
        const auto report = job.Run(r);
        QVERIFY2(report.ok(), qPrintable(report.error));

        const auto bytesOf = [&rig](const QString& winPath) {
            QFile f(rig.prefix.hostPath(winPath));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
        };
        // A folder that is not the client's here: the user gets the client's default one.
        const QString moved = workingFolder() + QStringLiteral("\\Carol");
        QCOMPARE(bytesOf(moved + QStringLiteral("\\account.cfg")), QByteArray("Carol at home"));
        QCOMPARE(bytesOf(moved + QStringLiteral("\\Inbox\\Messages.tbb")), QByteArray("base"));
        QCOMPARE(bytesOf(bob + QStringLiteral("\\account.cfg")),
                 bytesOf(userFolder(1) + QStringLiteral("\\account.cfg")));
        QVERIFY(!QFile::exists(rig.prefix.hostPath(bob + QStringLiteral("\\directory.ini"))));
        const QString listed = report.rewrites.join(u'\n');
        QVERIFY2(listed.contains(QStringLiteral("Carol: ") + carol), qPrintable(listed));
        QVERIFY2(listed.contains(moved), qPrintable(listed));
    }
};

QTEST_GUILESS_MAIN(TestRestoreWine)
#include "tst_restorewine.moc"
