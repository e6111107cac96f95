// A Windows installation on a mounted disk: its binary hives read through
// libhivex (a hive a real Windows wrote, dirty, cut-short and foreign files),
// the choice of its profile, and a backup of the ten sample clients from a
// Windows tree that matches the Wine prefix's backup entry for entry.

#include "backup/BackupTestSupport.h"
#include "platform/DriveMap.h"
#include "platform/HiveFile.h"
#include "platform/Registry.h"
#include "platform/WindowsHiveSource.h"
#include "platform/WindowsInstallation.h"
#include "support/BinaryHive.h"
#include "support/InspectRun.h"
#include "support/SamplePrefix.h"
#include "support/clients/EveryClient.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform;
using support::writeBinaryHive;

namespace {

const QString kFixtures = QStringLiteral("/work/shared/fixtures/windows-hives");

QString fixture(const QString& name) {
    return kFixtures + u'/' + name + QStringLiteral(".xz");
}

// Decompresses a fixture into `dir` under `as`.
bool unpack(const QString& name, const QString& as) {
    QProcess xz;
    xz.setStandardOutputFile(as);
    xz.start(QStringLiteral("xz"), {QStringLiteral("-dc"), fixture(name)});
    return xz.waitForFinished(60000) && xz.exitCode() == 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Run {
    int code = -1;
    QString err;
};

Run postora(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
                QStringLiteral("/postora"),
            args);
    Run r;
    if (!p.waitForFinished(300000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every file below `dir`, relative path -> content.
QMap<QString, QByteArray> tree(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path), readFile(path));
    }
    return files;
}

} // namespace

Q_DECLARE_METATYPE(support::DamageCase)

class TestWindowsHive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(unpack(QStringLiteral("NTUSER_with_winscp.DAT"), ntuser()));
        QVERIFY(unpack(QStringLiteral("transactions_NTUSER.DAT"), dirty()));
    }

    // The hive a Windows 10 wrote: keys, values with their types, the mail keys.
    void realHiveReadsWithTypes() {
        const auto hive = readWindowsHive(ntuser());
        QVERIFY2(hive, qPrintable(hive.error().message));
        for (const char* key :
             {"Software\\Microsoft\\Internet Mail and News\\Mail",
              "Software\\Microsoft\\Office\\16.0", "Software\\Microsoft\\WAB\\WAB4",
              "software\\microsoft\\internet mail and news"})
            QVERIFY2(hive->findKey(QString::fromLatin1(key)), key);
        const HiveKey* mail = hive->findKey(u"Software\\Microsoft\\Internet Mail and News\\Mail");
        const RegValue* log = mail->value(u"log file (outlook)");
        QVERIFY(log);
        QCOMPARE(log->type, quint32(REG_SZ));
        QVERIFY(log->text().startsWith(QStringLiteral("C:\\Windows\\system32\\")));
        const RegValue* caret = hive->findKey(u"Control Panel\\Desktop")->value(u"CaretTimeout");
        QVERIFY(caret);
        QCOMPARE(caret->type, quint32(REG_DWORD));
        QCOMPARE(caret->data, QByteArray::fromHex("88130000"));
        // Every type the registry keeps strings, numbers and bytes in is there.
        QSet<quint32> types;
        std::function<void(const HiveKey&)> walk = [&](const HiveKey& k) {
            for (const RegValue& v : k.values())
                types.insert(v.type);
            for (const auto& s : k.subKeys())
                walk(*s);
        };
        walk(hive->root());
        for (quint32 t : {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD})
            QVERIFY2(types.contains(t), qPrintable(QString::number(t)));
        QVERIFY(hive->keyCount() > 1000);
    }

    // Through the registry: HKCU from NTUSER.DAT, HKLM\Software from SOFTWARE.
    void registryServesTheHives() {
        const QString root = dir_.filePath(QStringLiteral("served"));
        QVERIFY(QFile::copy(ntuser(), root + QStringLiteral("/Users/Ann/NTUSER.DAT")) ||
                (QDir().mkpath(root + QStringLiteral("/Users/Ann")) &&
                 QFile::copy(ntuser(), root + QStringLiteral("/Users/Ann/NTUSER.DAT"))));
        QVERIFY(emptyHive(root + QStringLiteral("/Windows/System32/config/SOFTWARE"),
                          {{QStringLiteral("Clients\\Mail"), QStringLiteral("Example Mail")}}));
        const auto w = findWindowsInstallation(root, {});
        QVERIFY2(w, qPrintable(w.error().message));
        QCOMPARE(w->user, QStringLiteral("Ann"));
        Registry::Config c;
        c.ownHivePath = dir_.filePath(QStringLiteral("own.reg"));
        c.windows = *w;
        Registry reg(c);
        QVERIFY(reg.keyExists(HKEY_CURRENT_USER,
                              QStringLiteral("Software\\Microsoft\\Internet Mail and News")));
        const auto clients =
            reg.open(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Clients\\Mail"));
        QVERIFY(clients);
        QCOMPARE(clients->readString({}), QStringLiteral("Example Mail"));
        // Postora's own keys still land in its own hive, never on the disk.
        const QByteArray before = readFile(w->userHive);
        auto own = reg.open(HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\X"), true);
        QVERIFY(own);
        QVERIFY(own.value().writeInt(QStringLiteral("n"), 1));
        auto theirs = reg.open(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft"));
        QVERIFY(theirs);
        QVERIFY(!theirs.value().writeInt(QStringLiteral("n"), 1));
        QCOMPARE(readFile(w->userHive), before);
        QVERIFY(readFile(c.ownHivePath).contains("Kelvarn"));
    }

    // Hives that cannot be backed up faithfully are refused, naming the file.
    void badHivesAreNamed() {
        // Dirty, its logs beside it: the newest changes are in the logs.
        const QString logs = dir_.filePath(QStringLiteral("logs"));
        QDir().mkpath(logs);
        const QString hive = logs + QStringLiteral("/NTUSER.DAT");
        QVERIFY(QFile::copy(dirty(), hive));
        QVERIFY(unpack(QStringLiteral("transactions_ntuser.dat.log1"),
                       logs + QStringLiteral("/ntuser.dat.LOG1")));
        QVERIFY(unpack(QStringLiteral("transactions_ntuser.dat.log2"),
                       logs + QStringLiteral("/ntuser.dat.LOG2")));
        Status st = checkWindowsHive(hive);
        QVERIFY(!st);
        QVERIFY2(st.message().contains(hive) && st.message().contains(QStringLiteral("LOG1")),
                 qPrintable(st.message()));
        // Without its logs it is read, and the note says changes may be missing.
        QVERIFY(checkWindowsHive(dirty()));
        QVERIFY(inspectWindowsHive(dirty())->dirty);
        QVERIFY(!inspectWindowsHive(ntuser()).value().pendingLogs.size());

        const QByteArray whole = readFile(ntuser());
        const QString cut = dir_.filePath(QStringLiteral("cut.DAT"));
        QVERIFY(writeFile(cut, whole.left(whole.size() / 2)));
        const QString foreign = dir_.filePath(QStringLiteral("foreign.DAT"));
        QVERIFY(writeFile(foreign, "WINE REGISTRY Version 2\n"));
        const QString shortHead = dir_.filePath(QStringLiteral("short.DAT"));
        QVERIFY(writeFile(shortHead, whole.left(100)));
        QByteArray damaged = whole;
        damaged.replace(4096, 4, "xxxx"); // the first hive bin's mark
        const QString broken = dir_.filePath(QStringLiteral("broken.DAT"));
        QVERIFY(writeFile(broken, damaged));
        for (const QString& bad : {cut, foreign, shortHead, broken}) {
            st = checkWindowsHive(bad);
            QVERIFY2(!st && st.message().contains(bad), qPrintable(bad + st.message()));
            const auto read = readWindowsHive(bad);
            QVERIFY(!read && read.error().message.contains(bad));
        }
    }

    // Damage inside a hive: a bad name or value is kept as stored or listed
    // by its key while the rest is read; a hive that cannot be walked fails
    // the backup naming the key where reading stopped.
    void damagedHivesReadTheRest_data() {
        using support::DamageCase;
        QTest::addColumn<DamageCase>("c");
        const QString lone(QChar(0xD800));
        const QString alpha = QStringLiteral("Alpha");
        QTest::newRow("surrogate in a value name")
            << DamageCase{support::unpairedSurrogate(u"\u4E01\u4E02"),
                          alpha,
                          QStringLiteral("Bad") + lone + QStringLiteral("\u4E02Name"),
                          REG_SZ,
                          {}};
        QTest::newRow("surrogate in a key name")
            << DamageCase{support::unpairedSurrogate(u"\u4E03\u4E04"),
                          QStringLiteral("Keep") + lone + QStringLiteral("\u4E04Key"),
                          QStringLiteral("Mark"),
                          REG_DWORD,
                          {}};
        QTest::newRow("20 MB declared length")
            << DamageCase{support::valueField("BigLength", support::kValueDataLength, 20000000),
                          alpha,
                          {},
                          0,
                          QStringLiteral("\"BigLength\" of the key \"\\Alpha\"")};
        QTest::newRow("unknown value type")
            << DamageCase{support::valueField("OddType", support::kValueType, 0xFFFF0011),
                          alpha,
                          QStringLiteral("OddType"),
                          0xFFFF0011,
                          {}};
        QTest::newRow("truncated mid-walk") << DamageCase{support::cutBefore(QByteArray(64, 'p')),
                                                          {},
                                                          {},
                                                          0,
                                                          QStringLiteral("the key \"\\Alpha\"")};
    }

    void damagedHivesReadTheRest() {
        QFETCH(support::DamageCase, c);
        const QString sample = dir_.filePath(QStringLiteral("sample.DAT"));
        QVERIFY(QFileInfo::exists(sample) ||
                support::writeDamageSample(dirty(), sample, dir_.path()));
        const QString root = dir_.filePath(QStringLiteral("damaged/") + QTest::currentDataTag());
        const QString path = root + QStringLiteral("/Users/Ann/NTUSER.DAT");
        QByteArray bytes = readFile(sample);
        QVERIFY(c.damage(bytes) && writeFile(path, bytes));
        QStringList reports;
        if (const Status checked = checkWindowsHive(path, &reports); !checked)
            reports << checked.message();
        QCOMPARE(reports.size(), int(!c.named.isEmpty()));
        for (const QString& m : reports)
            QVERIFY2(m.contains(path) && m.contains(c.named), qPrintable(m));
        const auto read = readWindowsHive(path);
        if (c.key.isEmpty()) { // not walked: the backup fails naming the key
            QVERIFY(!read &&
                    emptyHive(root + QStringLiteral("/Windows/System32/config/SOFTWARE"), {}));
            const Run r = postora({QStringLiteral("/w:") + root, QStringLiteral("/b"),
                                   QStringLiteral("/c:favorites"),
                                   QStringLiteral("/p:") + dir_.filePath(QStringLiteral("out"))});
            QVERIFY2(r.code == 1 && r.err.contains(path) && r.err.contains(c.named),
                     qPrintable(r.err));
            return;
        }
        const auto sound = readWindowsHive(sample);
        QVERIFY(read && sound && read->findKey(c.key));
        QCOMPARE(read->keyCount(), sound->keyCount());
        QCOMPARE(support::valueCount(read->root()),
                 support::valueCount(sound->root()) - int(c.value.isEmpty()));
        if (!c.value.isEmpty()) QCOMPARE(read->findKey(c.key)->value(c.value)->type, c.type);
        QCOMPARE(readWindowsHiveValues(path, c.key)->size(), read->findKey(c.key)->values().size());
    }

    // Choosing the profile: several without /u: are listed, a profile without
    // NTUSER.DAT is named, a bad hive fails the command.
    void profilesAreChosen() {
        const QString root = dir_.filePath(QStringLiteral("profiles"));
        QVERIFY(emptyHive(root + QStringLiteral("/Windows/System32/config/SOFTWARE"), {}));
        QDir().mkpath(root + QStringLiteral("/Users/Public"));
        QDir().mkpath(root + QStringLiteral("/Users/Default"));
        QDir().mkpath(root + QStringLiteral("/Users/bob"));
        auto w = findWindowsInstallation(root, {});
        QVERIFY(!w);
        QVERIFY2(w.error().message.contains(root + QStringLiteral("/Users/bob/NTUSER.DAT")),
                 qPrintable(w.error().message));
        QVERIFY(QFile::copy(ntuser(), root + QStringLiteral("/Users/bob/NTUSER.DAT")));
        QDir().mkpath(root + QStringLiteral("/Documents and Settings/ann"));
        QVERIFY(
            QFile::copy(ntuser(), root + QStringLiteral("/Documents and Settings/ann/ntuser.dat")));
        QCOMPARE(windowsProfiles(root),
                 (QStringList{QStringLiteral("ann"), QStringLiteral("bob")}));
        w = findWindowsInstallation(root, {});
        QCOMPARE(w.code(), kSeveralProfiles);
        const auto listed =
            testsupport::runInspect({QStringLiteral("/w:") + root, QStringLiteral("drives")});
        QCOMPARE(listed.code, 2);
        QVERIFY2(listed.err.contains(QStringLiteral("ann, bob")), qPrintable(listed.err));
        w = findWindowsInstallation(root, QStringLiteral("ANN"));
        QVERIFY(w);
        QCOMPARE(w->userHive, root + QStringLiteral("/Documents and Settings/ann/ntuser.dat"));

        QVERIFY(writeFile(root + QStringLiteral("/Users/bob/NTUSER.DAT"), "not a hive"));
        const auto bad = testsupport::runInspect(
            {QStringLiteral("/w:") + root, QStringLiteral("/u:bob"), QStringLiteral("clients")});
        QCOMPARE(bad.code, 1);
        QVERIFY2(bad.err.contains(root + QStringLiteral("/Users/bob/NTUSER.DAT")),
                 qPrintable(bad.err));
    }

    // Drive letters of the SYSTEM hive: one whose partition is mounted here is
    // kept, one that is not is left out with a note.
    void driveLettersFromSystemHive() {
        const QString root = dir_.filePath(QStringLiteral("drives"));
        const QString system = root + QStringLiteral("/Windows/System32/config/SYSTEM");
        // D: a GPT partition, E: an MBR one (disk 0x1234abcd, 1 MiB in), F: nowhere.
        const QByteArray gpt = "DMIO:ID:" + QByteArray::fromHex("33221100554477668899aabbccddeeff");
        const QByteArray mbr = QByteArray::fromHex("cdab3412"
                                                   "0000100000000000");
        QVERIFY(emptyHive(system, {},
                          {{QStringLiteral("\\DosDevices\\D:"), gpt},
                           {QStringLiteral("\\DosDevices\\E:"), mbr},
                           {QStringLiteral("\\DosDevices\\F:"), mbr.left(11) + 'x'}}));
        const QString fake = dir_.filePath(QStringLiteral("fakedev"));
        MountLookup lookup{fake + QStringLiteral("/by-partuuid"), fake + QStringLiteral("/block"),
                           fake + QStringLiteral("/mountinfo")};
        QDir().mkpath(lookup.partUuids);
        QDir().mkpath(lookup.blockDevices + QStringLiteral("/sdb1"));
        QVERIFY(writeFile(fake + QStringLiteral("/sdc2"), {}));
        QVERIFY(writeFile(fake + QStringLiteral("/sdb1"), {}));
        QVERIFY(QFile::link(fake + QStringLiteral("/sdc2"),
                            lookup.partUuids +
                                QStringLiteral("/00112233-4455-6677-8899-aabbccddeeff")));
        QVERIFY(QFile::link(fake + QStringLiteral("/sdb1"),
                            lookup.partUuids + QStringLiteral("/1234abcd-01")));
        QVERIFY(writeFile(lookup.blockDevices + QStringLiteral("/sdb1/start"), "2048\n"));
        const QString d = dir_.filePath(QStringLiteral("mnt/data d"));
        const QString e = dir_.filePath(QStringLiteral("mnt/e"));
        QDir().mkpath(d);
        QDir().mkpath(e);
        QVERIFY(
            writeFile(lookup.mountInfo,
                      QStringLiteral("36 35 8:34 / %1 ro - ntfs3 %2 ro\n"
                                     "37 35 8:17 / %3 ro - ntfs3 %4 ro\n")
                          .arg(QString(d).replace(u' ', QStringLiteral("\\040")),
                               fake + QStringLiteral("/sdc2"), e, fake + QStringLiteral("/sdb1"))
                          .toUtf8()));
        WindowsInstallation w;
        w.root = root;
        w.systemHive = system;
        QStringList notes;
        const DriveMap map = DriveMap::fromWindows(w, &notes, lookup);
        QCOMPARE(map.driveRoot(u'C'), std::optional<QString>(root));
        QCOMPARE(map.driveRoot(u'D'), std::optional<QString>(d));
        QCOMPARE(map.driveRoot(u'E'), std::optional<QString>(e));
        QCOMPARE(map.driveRoot(u'F'), std::nullopt);
        QCOMPARE(map.driveRoot(u'Z'), std::optional<QString>(QStringLiteral("/")));
        QCOMPARE(notes.size(), 1);
        QVERIFY(notes.first().startsWith(QStringLiteral("Drive F:")));
        QCOMPARE(map.toWindows(root + QStringLiteral("/Users")), QStringLiteral("C:\\Users"));
    }

    // The ten sample clients backed up from a Windows tree holding the sample
    // prefix's files and keys give the archives the Wine prefix gives.
    void backupMatchesThePrefix() {
        support::SamplePrefix prefix;
        support::addEveryClient(prefix);
        const QString work = prefix.root();
        const QString win = work + QStringLiteral("/windows-disk");
        QDir().mkpath(win);
        QProcess cp;
        cp.start(QStringLiteral("cp"),
                 {QStringLiteral("-a"), prefix.prefixDir() + QStringLiteral("/drive_c/."), win});
        QVERIFY(cp.waitForFinished(60000) && cp.exitCode() == 0);
        const QString user = prefix.userName();
        QVERIFY(writeBinaryHive(
            prefix.prefixDir() + QStringLiteral("/user.reg"), {}, dirty(),
            win + QStringLiteral("/users/") + user + QStringLiteral("/NTUSER.DAT"), work));
        QVERIFY(writeBinaryHive(prefix.prefixDir() + QStringLiteral("/system.reg"),
                                QStringLiteral("Software"), dirty(),
                                win + QStringLiteral("/windows/system32/config/SOFTWARE"), work));

        const QString keywords = QStringLiteral("/c:oexpress+msoutlook+eudora+incredimail+pegasus+"
                                                "thebat+pocomail+opera+netscape+favorites");
        const QString fromPrefix = work + QStringLiteral("/from-prefix");
        const QString fromDisk = work + QStringLiteral("/from-disk");
        Run r = postora({QStringLiteral("/b"), keywords, QStringLiteral("/p:") + fromPrefix});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        // The prefix is gone for the second run: everything comes from the disk.
        QVERIFY(QDir(prefix.prefixDir())
                    .rename(QStringLiteral("system.reg"), QStringLiteral("system.reg.away")));
        QVERIFY(QDir(prefix.prefixDir())
                    .rename(QStringLiteral("user.reg"), QStringLiteral("user.reg.away")));
        r = postora({QStringLiteral("/w:") + win, QStringLiteral("/b"), keywords,
                     QStringLiteral("/p:") + fromDisk});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        const QStringList archives = QDir(fromPrefix).entryList(QDir::Files, QDir::Name);
        QCOMPARE(archives.size(), 10);
        QCOMPARE(QDir(fromDisk).entryList(QDir::Files, QDir::Name), archives);
        for (const QString& a : archives) {
            const QString x1 = work + QStringLiteral("/x1/") + a;
            const QString x2 = work + QStringLiteral("/x2/") + a;
            for (const auto& [archive, into] :
                 {std::pair{fromPrefix + u'/' + a, x1}, std::pair{fromDisk + u'/' + a, x2}})
                QCOMPARE(testsupport::runTool(QStringLiteral("7z"),
                                              {QStringLiteral("x"), QStringLiteral("-y"),
                                               QStringLiteral("-o") + into, archive})
                             .exitCode,
                         0);
            const auto expected = tree(x1);
            const auto got = tree(x2);
            QVERIFY2(!expected.isEmpty(), qPrintable(a));
            QCOMPARE(got.keys(), expected.keys());
            for (auto it = expected.begin(); it != expected.end(); ++it)
                QVERIFY2(got.value(it.key()) == it.value(), qPrintable(a + u':' + it.key()));
        }
    }

private:
    QString ntuser() const { return dir_.filePath(QStringLiteral("NTUSER.DAT")); }
    QString dirty() const { return dir_.filePath(QStringLiteral("dirty.DAT")); }

    // A hive written by hivex holding the given string values (key -> default
    // value) and the given binary values in a key MountedDevices.
    bool emptyHive(const QString& path, const QList<std::pair<QString, QString>>& keys,
                   const QList<std::pair<QString, QByteArray>>& mounted = {}) {
        const QString text = dir_.filePath(QStringLiteral("list.reg"));
        HiveFile h;
        for (const auto& [key, value] : keys)
            h.setValue(key, RegValue::string({}, value));
        for (const auto& [name, data] : mounted)
            h.setValue(u"MountedDevices", RegValue::binary(name, data));
        h.root().addSubKey(QStringLiteral("Placeholder"));
        return writeFile(text, h.serialize()) &&
               writeBinaryHive(text, {}, dirty(), path, dir_.path());
    }

    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestWindowsHive)
#include "tst_windowshive.moc"
