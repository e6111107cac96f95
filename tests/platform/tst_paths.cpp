#include "platform/DriveMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace platform;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

// Puts an environment variable back when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
        old_ = qgetenv(name);
    }
    ~EnvGuard() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

class TestPaths : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString prefix_;
    QString driveC_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        prefix_ = tmp_.path() + "/prefix";
        driveC_ = prefix_ + "/drive_c";
        QDir().mkpath(prefix_ + "/dosdevices");
        QDir().mkpath(driveC_ + "/Program Files/Mail Client");
        QDir().mkpath(driveC_ + "/Windows/System32");
        QDir().mkpath(driveC_ + "/users/ann/Documents");
        QDir().mkpath(tmp_.path() + "/data");
        touch(driveC_ + "/Program Files/Mail Client/Inbox.mbx");
        QVERIFY(QFile::link("../drive_c", prefix_ + "/dosdevices/c:"));
        QVERIFY(QFile::link(tmp_.path() + "/data", prefix_ + "/dosdevices/d:"));
        QVERIFY(QFile::link(tmp_.path() + "/missing", prefix_ + "/dosdevices/e:"));
        QVERIFY(QFile::link("/dev/ttyS0", prefix_ + "/dosdevices/com1"));
        QVERIFY(QFile::link("/dev/null", prefix_ + "/dosdevices/c::"));
    }

    void driveMap() {
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        QStringList letters;
        for (const Drive& d : map.drives())
            letters << d.letter;
        // The dangling e: and the device entries are no drives; Z: is always there.
        QCOMPARE(letters, QStringList({"C", "D", "Z"}));
        QCOMPARE(map.driveRoot(u'c'), std::optional<QString>(driveC_));
        QCOMPARE(map.driveRoot(u'D'), std::optional<QString>(tmp_.path() + "/data"));
        QCOMPARE(map.driveRoot(u'Z'), std::optional<QString>("/"));
        QVERIFY(!map.driveRoot(u'E'));

        const DriveMap none;
        QCOMPARE(int(none.drives().size()), 1);
        QCOMPARE(none.driveRoot(u'Z'), std::optional<QString>("/"));
        const DriveMap missing = DriveMap::fromPrefix(tmp_.path() + "/no-such-prefix");
        QCOMPARE(int(missing.drives().size()), 1);
    }

    void defaultPrefix() {
        EnvGuard w("WINEPREFIX"), h("HOME");
        qputenv("WINEPREFIX", prefix_.toUtf8());
        QCOMPARE(DriveMap::defaultPrefix(), prefix_);
        qunsetenv("WINEPREFIX");
        const QString home = tmp_.path() + "/home";
        QDir().mkpath(home);
        qputenv("HOME", home.toUtf8());
        QCOMPARE(DriveMap::defaultPrefix(), QString());
        QDir().mkpath(home + "/.wine");
        QCOMPARE(DriveMap::defaultPrefix(), home + "/.wine");
    }

    void toHost_data() {
        QTest::addColumn<QString>("win");
        QTest::addColumn<QString>("host"); // relative to drive_c
        QTest::newRow("exact") << "C:\\Program Files\\Mail Client\\Inbox.mbx"
                               << "/Program Files/Mail Client/Inbox.mbx";
        QTest::newRow("other case") << "c:\\PROGRAM FILES\\mail client\\INBOX.MBX"
                                    << "/Program Files/Mail Client/Inbox.mbx";
        QTest::newRow("slashes") << "C:/windows/system32"
                                 << "/Windows/System32";
        QTest::newRow("missing kept as written") << "C:\\windows\\New Folder\\Sub"
                                                 << "/Windows/New Folder/Sub";
        QTest::newRow("dot-dot") << "C:\\users\\ann\\..\\ann\\Documents"
                                 << "/users/ann/Documents";
        QTest::newRow("dot-dot above root") << "C:\\..\\..\\..\\etc\\passwd"
                                            << "/etc/passwd";
        QTest::newRow("dot-dot at root") << "C:\\.."
                                         << "";
        QTest::newRow("dot") << "C:\\.\\users\\.\\ann"
                             << "/users/ann";
        QTest::newRow("trailing dot in folder") << "C:\\windows.\\system32"
                                                << "/Windows/System32";
        QTest::newRow("trailing dots and blanks") << "C:\\users\\ann\\Documents. . "
                                                  << "/users/ann/Documents";
        QTest::newRow("doubled separators") << "C:\\\\users\\\\\\ann\\"
                                            << "/users/ann";
        QTest::newRow("root") << "C:\\"
                              << "";
        QTest::newRow("drive alone") << "C:"
                                     << "";
        QTest::newRow("long form") << "\\\\?\\C:\\Windows"
                                   << "/Windows";
    }
    void toHost() {
        QFETCH(QString, win);
        QFETCH(QString, host);
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        const auto r = map.toHost(win);
        QVERIFY2(r.isOk(), qPrintable(r.error().message));
        QCOMPARE(*r, driveC_ + host);
    }

    void toHostFailures() {
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        QCOMPARE(map.toHost("Q:\\x").code(), int(kPathNotFound));
        QCOMPARE(map.toHost("relative\\path").code(), int(kInvalidName));
        QCOMPARE(map.toHost("\\\\server\\share\\x").code(), int(kInvalidName));
        QCOMPARE(map.toHost("").code(), int(kInvalidName));
        QCOMPARE(map.toHost(QString("C:\\a") + QChar(0) + "b").code(), int(kInvalidName));
        QCOMPARE(map.toHost("C:\\a:b").code(), int(kInvalidName));
    }

    void namesDifferingOnlyInCase() {
        const QString dir = driveC_ + "/case";
        QDir().mkpath(dir + "/Mail");
        QDir().mkpath(dir + "/mail");
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        // The exact name wins; otherwise one of the two, never a made-up third.
        QCOMPARE(*map.toHost("C:\\case\\Mail"), dir + "/Mail");
        QCOMPARE(*map.toHost("C:\\case\\mail"), dir + "/mail");
        const QString other = *map.toHost("C:\\case\\MAIL");
        QVERIFY2(other == dir + "/Mail" || other == dir + "/mail", qPrintable(other));
    }

    void dotDotCannotLeaveTheDrive() {
        // However the path is spelled, the result stays below the drive root.
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        const QStringList paths = {"D:\\..", "D:\\a\\..\\..\\..", "D:\\..\\data\\..\\x",
                                   "D:/../../", "D:\\.\\..\\.\\..\\secret"};
        for (const QString& p : paths) {
            const QString host = *map.toHost(p);
            QVERIFY2(host == tmp_.path() + "/data" || host.startsWith(tmp_.path() + "/data/"),
                     qPrintable(p + " -> " + host));
        }
    }

    void toWindows() {
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        QCOMPARE(map.toWindows(driveC_ + "/users/ann"), QString("C:\\users\\ann"));
        QCOMPARE(map.toWindows(driveC_), QString("C:\\"));
        QCOMPARE(map.toWindows(driveC_ + "/"), QString("C:\\"));
        QCOMPARE(map.toWindows(tmp_.path() + "/data/x.txt"), QString("D:\\x.txt"));
        QCOMPARE(map.toWindows("/usr/share"), QString("Z:\\usr\\share"));
        QCOMPARE(map.toWindows("/"), QString("Z:\\"));
        // A sibling whose name only starts like a drive root is not on that drive.
        QCOMPARE(map.toWindows(driveC_ + "x/file"),
                 "Z:" + QString(driveC_ + "x/file").replace('/', '\\'));
        // Round trip through both directions.
        const QString win = "C:\\Program Files\\Mail Client\\Inbox.mbx";
        QCOMPARE(map.toWindows(*map.toHost(win)), win);
    }

    void toWindowsThroughALinkedPrefix() {
        // The prefix is reached through a symbolic link; a resolved path still maps to C:.
        const QString alias = tmp_.path() + "/alias";
        QVERIFY(QFile::link(prefix_, alias));
        const DriveMap map = DriveMap::fromPrefix(alias);
        const QString canonical = QFileInfo(driveC_ + "/users").canonicalFilePath();
        QCOMPARE(map.toWindows(canonical), QString("C:\\users"));
        QCOMPARE(map.toWindows(alias + "/drive_c/users"), QString("C:\\users"));
    }

    void textHelpers() {
        QCOMPARE(includeTrailingBackslash("C:\\a"), QString("C:\\a\\"));
        QCOMPARE(includeTrailingBackslash("C:\\a\\"), QString("C:\\a\\"));
        QCOMPARE(excludeTrailingBackslash("C:\\a\\"), QString("C:\\a"));
        QCOMPARE(excludeTrailingBackslash("C:\\a"), QString("C:\\a"));
        QCOMPARE(extractFilePath("C:\\a\\b.txt"), QString("C:\\a\\"));
        QCOMPARE(extractFilePath("C:b.txt"), QString("C:"));
        QCOMPARE(extractFilePath("b.txt"), QString());
        QCOMPARE(extractFileName("C:\\a\\b.txt"), QString("b.txt"));
        QCOMPARE(extractFileName("C:\\a\\"), QString());
    }

    void folders() {
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        QCOMPARE(windowsFolder(map), QString("C:\\Windows")); // as the prefix spells it
        const QString program = programFolder(map);
        QVERIFY(program.endsWith('\\'));
        QCOMPARE(*map.toHost(program), programHostFolder());
        QCOMPARE(programHostFolder(), QCoreApplication::applicationDirPath());
    }

    void documentsFallback() {
        EnvGuard h("HOME"), x("XDG_CONFIG_HOME");
        const QString home = tmp_.path() + "/dochome";
        const QString config = tmp_.path() + "/docconfig";
        QDir().mkpath(home);
        QDir().mkpath(config);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        QCOMPARE(documentsFallbackHost(), home); // no user-dirs file

        QFile f(config + "/user-dirs.dirs");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
        f.close();
        QCOMPARE(documentsFallbackHost(), home); // named, but not there
        QDir().mkpath(home + "/Dokumente");
        QCOMPARE(documentsFallbackHost(), home + "/Dokumente");
    }

    void stagingFolder() {
        EnvGuard t("TMPDIR");
        qputenv("TMPDIR", tmp_.path().toUtf8());
        const DriveMap map = DriveMap::fromPrefix(prefix_);
        const QString outside = tmp_.path() + "/precious.txt";
        touch(outside);
        QString host;
        {
            StagingFolder staging(map);
            QVERIFY(staging.isValid());
            host = staging.hostPath();
            QCOMPARE(QFileInfo(host).path(), tmp_.path());
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(host).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 0777), 0700);
            QCOMPARE(staging.windowsPath(), map.toWindows(host));
            QVERIFY(!staging.windowsPath().endsWith('\\'));
            // Content that is awkward to remove: a read-only folder, and a link
            // to a file outside that must survive.
            touch(host + "/sub/deep/file.reg");
            QVERIFY(QFile::link(outside, host + "/sub/link"));
            QVERIFY(QFile::link(tmp_.path(), host + "/dirlink"));
            QVERIFY(QFile::setPermissions(host + "/sub/deep", QFile::ReadOwner | QFile::ExeOwner));
        }
        QVERIFY(!QFileInfo::exists(host));
        QVERIFY(QFileInfo::exists(outside));
        QVERIFY(QFileInfo::exists(driveC_));
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
