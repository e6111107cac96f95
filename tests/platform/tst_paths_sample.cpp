// The sample Wine prefix that the other tests build on.
#include "platform/Files.h"
#include "platform/HiveFile.h"
#include "support/SamplePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace platform;

namespace {

HiveFile readHive(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return HiveFile::parse(f.readAll());
}

QString textOf(const HiveFile& hive, const QString& key, const QString& name) {
    const HiveKey* k = hive.findKey(key);
    const RegValue* v = k ? k->value(name) : nullptr;
    return v ? v->text() : QString();
}

const QString kShell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

} // namespace

class TestSamplePrefix : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void environmentIsSetAndRestored() {
        qputenv("HOME", "/home/before");
        qunsetenv("WINEPREFIX");
        QString root;
        {
            support::SamplePrefix sample;
            root = sample.root();
            QCOMPARE(qEnvironmentVariable("WINEPREFIX"), sample.prefixDir());
            QCOMPARE(qEnvironmentVariable("HOME"), sample.home());
            QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), sample.configHome());
            QVERIFY(qEnvironmentVariable("TMPDIR").startsWith(root));
            QCOMPARE(DriveMap::defaultPrefix(), sample.prefixDir());
            QVERIFY(QFileInfo(sample.home()).isDir());
            QVERIFY(QFileInfo(sample.configHome()).isDir());
        }
        QCOMPARE(qgetenv("HOME"), QByteArray("/home/before"));
        QVERIFY(!qEnvironmentVariableIsSet("WINEPREFIX"));
        QVERIFY(!QFileInfo::exists(root));
    }

    void treeAsWineLeavesIt() {
        support::SamplePrefix sample;
        const DriveMap drives = sample.drives();
        QCOMPARE(drives.driveRoot(u'C'), std::optional<QString>(sample.prefixDir() + "/drive_c"));
        QCOMPARE(drives.driveRoot(u'Z'), std::optional<QString>("/"));
        QCOMPARE(QFileInfo(sample.prefixDir() + "/dosdevices/c:").symLinkTarget(),
                 sample.prefixDir() + "/drive_c");
        const auto fs = sample.files();
        const QString profile = "C:\\users\\" + sample.userName();
        for (const QString& dir : {profile + "\\AppData\\Roaming", profile + "\\AppData\\Local",
                                   profile + "\\AppData\\LocalLow", profile + "\\Documents",
                                   profile + "\\Favorites", QString("C:\\windows\\system32"),
                                   QString("C:\\Program Files"), QString("C:\\ProgramData")})
            QVERIFY2(fs->directoryExists(dir), qPrintable(dir));
        QVERIFY(fs->fileExists("C:\\windows\\win.ini"));
        QCOMPARE(windowsFolder(drives), QString("C:\\windows"));

        // Every shell folder the registry names exists.
        const HiveFile user = readHive(sample.prefixDir() + "/user.reg");
        QCOMPARE(user.skippedLines(), 0);
        QCOMPARE(user.relativeTo(), QString("REGISTRY\\User\\S-1-5-21-0-0-0-1000"));
        const HiveKey* shell = user.findKey(kShell);
        QVERIFY(shell);
        QVERIFY(shell->values().size() >= 20);
        for (const RegValue& v : shell->values())
            QVERIFY2(fs->directoryExists(v.text()), qPrintable(v.name + "=" + v.text()));
        QCOMPARE(textOf(user, kShell, "AppData"), profile + "\\AppData\\Roaming");
        QCOMPARE(textOf(user, kShell, "Local AppData"), profile + "\\AppData\\Local");
        QCOMPARE(textOf(user, kShell, "Personal"), profile + "\\Documents");
        QCOMPARE(textOf(user, kShell, "Favorites"), profile + "\\Favorites");
        const HiveKey* userShell = user.findKey(
            QString("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"));
        QVERIFY(userShell);
        QCOMPARE(userShell->value(u"AppData")->type, quint32(REG_EXPAND_SZ));

        const HiveFile system = readHive(sample.prefixDir() + "/system.reg");
        QCOMPARE(system.skippedLines(), 0);
        QCOMPARE(textOf(system, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
                 QString("C:\\Program Files"));
        QVERIFY(fs->directoryExists(textOf(system, kShell, "Common AppData")));
    }

    void valuesAndFiles() {
        support::SamplePrefix sample;
        const QString key = "Software\\Vendor\\Mail\\Accounts";
        sample.setString(HKEY_CURRENT_USER, key, "Name", QString::fromUtf8("Ännä \"quoted\""));
        sample.setDword(HKEY_CURRENT_USER, key, "Port", 110);
        sample.setValue(HKEY_LOCAL_MACHINE, "Software\\Vendor",
                        RegValue::binary("Blob", QByteArray("\0\1\2", 3)));
        sample.setString(HKEY_CLASSES_ROOT, ".eml", "", "Vendor.Mail");
        sample.addKey(HKEY_CURRENT_USER, "Software\\Vendor\\Empty");
        sample.removeValue(HKEY_CURRENT_USER, kShell, "Personal");
        sample.save();

        const HiveFile user = readHive(sample.prefixDir() + "/user.reg");
        QCOMPARE(textOf(user, key, "Name"), QString::fromUtf8("Ännä \"quoted\""));
        QCOMPARE(user.findKey(key)->value(u"Port")->data, QByteArray("\x6E\0\0\0", 4));
        QVERIFY(user.findKey(QString("Software\\Vendor\\Empty")));
        QVERIFY(!user.findKey(kShell)->value(u"Personal"));
        const HiveFile system = readHive(sample.prefixDir() + "/system.reg");
        QCOMPARE(system.findKey(QString("Software\\Vendor"))->value(u"Blob")->data,
                 QByteArray("\0\1\2", 3));
        QCOMPARE(textOf(system, "Software\\Classes\\.eml", ""), QString("Vendor.Mail"));

        sample.removeKey(HKEY_CURRENT_USER, "Software\\Vendor");
        sample.save();
        QVERIFY(!readHive(sample.prefixDir() + "/user.reg").findKey(QString("Software\\Vendor")));

        const QString host = sample.writeFile("C:\\Mail\\Sub\\In.MBX", "From x");
        QCOMPARE(host, sample.prefixDir() + "/drive_c/Mail/Sub/In.MBX");
        QCOMPARE(*sample.files()->readAll("c:\\mail\\sub\\in.mbx"), QByteArray("From x"));
        // Existing folders are reused without regard to case.
        QCOMPARE(sample.makeDir("C:\\WINDOWS\\New"), sample.prefixDir() + "/drive_c/windows/New");
        QCOMPARE(sample.hostPath("C:\\Users"), sample.prefixDir() + "/drive_c/users");
    }

    void keptFolder() {
        QTemporaryDir outer;
        const QString dir = outer.path() + "/bundled";
        {
            support::SamplePrefix sample(dir);
            QCOMPARE(sample.root(), dir);
            sample.writeFile("C:\\x.txt", "x");
        }
        QVERIFY(QFileInfo(dir + "/prefix/drive_c/x.txt").isFile());
        QVERIFY(QFileInfo(dir + "/prefix/user.reg").isFile());
        // A second run over the same folder works and keeps what is there.
        support::SamplePrefix again(dir);
        QVERIFY(QFileInfo(dir + "/prefix/drive_c/x.txt").isFile());
        QCOMPARE(QFileInfo(dir + "/prefix/dosdevices/c:").symLinkTarget(), dir + "/prefix/drive_c");
    }
};

QTEST_GUILESS_MAIN(TestSamplePrefix)
#include "tst_paths_sample.moc"
