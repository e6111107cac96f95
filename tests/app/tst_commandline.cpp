// The command line: how "/b" is parsed, and the real postora program run on a
// sample prefix (archives, exit status, lines on standard error).

#include "backup/BackupTestSupport.h"
#include "support/Noise.h"
#include "support/clients/OutlookExpressSample.h"

#include "app/CommandLine.h"
#include "app/Password.h"
#include "backup/BackupFiles.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "platform/Registry.h"

#include <QtTest>

using testsupport::runTool;

class TestCommandLine : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        QStringList errLines;
        QString out;
    };

    static QString binDir() {
        return qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR));
    }
    // postora with the test's environment, without a display.
    static Run postora(const QStringList& args,
                       const QString& program = binDir() + QStringLiteral("/postora")) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        Run r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        for (const QString& line :
             QString::fromLocal8Bit(p.readAllStandardError()).split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty()) r.errLines << line;
        return r;
    }
    static void writeSetting(support::SamplePrefix& prefix, const platform::RegValue& v) {
        auto reg = prefix.registry();
        auto key = reg->open(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Kelvarn\\Postora"), true);
        QVERIFY(key);
        QVERIFY(key.value().writeValue(v));
    }

private Q_SLOTS:
    void initTestCase();
    void parse_data();
    void parse();
    void parseRandom();
    void installedLayoutChosen();
    void backupIntoNewHostFolder();
    void upperCaseWindowsFolder();
    void badCommands_data();
    void badCommands();
    void notInstalledClientFailsTheRun();
    void noKnownClientFailsTheRun();
    void nonUtf8FolderRefused();
    void passwordFromTheSettings();
    void volumesOnFloppySize();
    void missingLibraryEndsTheProgram();
    void missingPrefixKeepsThePreviousArchive();
    void textsForPeople_data();
    void textsForPeople();
};

void TestCommandLine::initTestCase() {
    REQUIRE_TOOLS("7z");
    QVERIFY(QFile::exists(binDir() + QStringLiteral("/postora")));
}

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QList<int>>("codes");
    const QString x = QStringLiteral("C:\\x\\");
    QTest::newRow("plain") << QStringList{"/b", "/c:oexpress", "/p:C:\\x"} << true << x
                           << QList<int>{1};
    QTest::newRow("upper case keeps the folder's case")
        << QStringList{"/B", "/C:OEXPRESS", "/P:D:\\Backups"} << true << "D:\\Backups\\"
        << QList<int>{1};
    QTest::newRow("table order") << QStringList{"/b", "/c:favorites,eudora", "/p:C:\\x"} << true
                                 << x << QList<int>{3, 10};
    QTest::newRow("no separator") << QStringList{"/b", "/c:thebatmsoutlookoexpress", "/p:C:\\x\\"}
                                  << true << x << QList<int>{1, 2, 6};
    QTest::newRow("third character not examined")
        << QStringList{"/b", "/c+pocomail+opera+netscape", "/p:C:\\x"} << true << x
        << QList<int>{7, 8, 9};
    QTest::newRow("keyword in any case")
        << QStringList{"/b", "/c:IncrediMail", "/p:C:\\x"} << true << x << QList<int>{4};
    QTest::newRow("no keyword") << QStringList{"/b", "/c:mutt", "/p:C:\\x"} << true << x
                                << QList<int>{};
    QTest::newRow("empty keyword text")
        << QStringList{"/b", "/c:", "/p:C:\\x"} << true << x << QList<int>{};
    QTest::newRow("extra arguments unread")
        << QStringList{"/b", "/c:pegasus", "/p:C:\\x", "/p:D:\\y"} << true << x << QList<int>{5};
    QTest::newRow("host path") << QStringList{"/b", "/c:oexpress", "/p:/home/ann/Backups"} << true
                               << "Z:\\home\\ann\\Backups\\" << QList<int>{1};
    QTest::newRow("host path with trailing slash") << QStringList{"/b", "/c:oexpress", "/p:/srv/b/"}
                                                   << true << "Z:\\srv\\b\\" << QList<int>{1};
    QTest::newRow("equals sign") << QStringList{"/b", "/c:oexpress", "/p=C:\\x"} << false
                                 << QString() << QList<int>{};
    QTest::newRow("two arguments")
        << QStringList{"/b", "/cx"} << false << QString() << QList<int>{};
    QTest::newRow("one argument") << QStringList{"/b"} << false << QString() << QList<int>{};
    QTest::newRow("clients without /c")
        << QStringList{"/b", "/x:oexpress", "/p:C:\\x"} << false << QString() << QList<int>{};
    QTest::newRow("colon too late")
        << QStringList{"/b", "/c:oexpress", "/pa:C:\\x"} << false << QString() << QList<int>{};
    QTest::newRow("folder missing")
        << QStringList{"/b", "/c:oexpress", "/p:"} << false << QString() << QList<int>{};
    QTest::newRow("order swapped")
        << QStringList{"/b", "/p:C:\\x", "/c:oexpress"} << false << QString() << QList<int>{};
}

void TestCommandLine::parse() {
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QString, folder);
    QFETCH(QList<int>, codes);
    // Host paths as the drive map of a default prefix turns them: Z: is the root.
    const auto toWindows = [](const QString& host) {
        QString w = QStringLiteral("Z:") + host;
        return w.replace(QLatin1Char('/'), QLatin1Char('\\'));
    };
    const app::BackupCommand cmd = app::ParseBackupCommand(args, toWindows);
    QCOMPARE(cmd.ok, ok);
    if (!ok) return;
    QCOMPARE(cmd.folder, folder);
    QCOMPARE(cmd.codes, codes);
}

void TestCommandLine::parseRandom() {
    // Arguments made of the characters that matter, at random: an accepted
    // command always names a folder with one trailing backslash and its
    // clients in table order.
    QRandomGenerator rng(99);
    const QString alphabet = QStringLiteral("/\\:=+,.~ abcdeimoprstuxBCP\u00e9");
    const QStringList pieces = {"/b",     "/c:",      "/p:",  "oexpress",
                                "eudora", "netscape", "C:\\", "/tmp"};
    const auto toWindows = [](const QString& host) { return QStringLiteral("Z:") + host; };
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        QStringList args;
        const int count = rng.bounded(5);
        for (int i = 0; i < count; ++i) {
            QString a;
            const int len = rng.bounded(12);
            for (int k = 0; k < len; ++k)
                a += rng.bounded(3) ? QString(alphabet.at(rng.bounded(alphabet.size())))
                                    : pieces.at(rng.bounded(pieces.size()));
            args << a;
        }
        const app::BackupCommand cmd = app::ParseBackupCommand(args, toWindows);
        if (!cmd.ok) continue;
        ++accepted;
        QVERIFY(cmd.folder.size() >= 2);
        QVERIFY(cmd.folder.endsWith(QLatin1Char('\\')));
        QVERIFY(std::is_sorted(cmd.codes.begin(), cmd.codes.end()));
    }
    QVERIFY(accepted > 0);
}

void TestCommandLine::installedLayoutChosen() {
    support::SamplePrefix prefix;
    auto files = prefix.files();
    auto reg = prefix.registry();
    clients::ClientCatalogue catalogue(*reg, *files);
    QCOMPARE(app::ResolveClientCode(clients::kPocoMail, catalogue), 0);
    QCOMPARE(app::ResolveClientCode(clients::kOutlookExpress, catalogue), 1);
    QCOMPARE(app::ResolveClientCode(clients::kFavorites, catalogue), 10);
    prefix.addKey(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail"));
    prefix.save();
    QCOMPARE(app::ResolveClientCode(clients::kPocoMail, catalogue), int(clients::kPocoMail2));
    prefix.addKey(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Poco Systems Inc"));
    prefix.save();
    QCOMPARE(app::ResolveClientCode(clients::kPocoMail, catalogue), int(clients::kPocoMail3));
}

void TestCommandLine::backupIntoNewHostFolder() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    const QString folder = prefix.root() + QStringLiteral("/out/new/deeper");
    const Run run = postora({"/b", "/c:oexpress", "/p:" + folder});
    QVERIFY2(run.errLines.isEmpty(), qPrintable(run.errLines.join(QLatin1Char('\n'))));
    QCOMPARE(run.exitCode, 0);
    const QString archive = folder + QLatin1Char('/') + backup::BackupFileName(1);
    QVERIFY2(QFile::exists(archive), qPrintable(archive));
    const QStringList names = testsupport::sevenZipNames(archive);
    QVERIFY(names.contains(QStringLiteral("Ann/accounts.reg")));
    QVERIFY(names.contains(oe.annKey + QStringLiteral("/Inbox.dbx")));
    QVERIFY(names.contains(QStringLiteral("infobak.ini")));
    QCOMPARE(runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive}).exitCode, 0);
}

void TestCommandLine::upperCaseWindowsFolder() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    prefix.makeDir(QStringLiteral("C:\\Backups"));
    const Run run = postora({"/B", "/C:OEXPRESS", "/P:C:\\BACKUPS\\Weekly"});
    QCOMPARE(run.exitCode, 0);
    // The existing folder is found without regard to case; the new one keeps its case.
    const QString archive = prefix.hostPath(QStringLiteral("C:\\Backups\\Weekly\\")) +
                            QLatin1Char('/') + backup::BackupFileName(1);
    QVERIFY2(QFile::exists(archive), qPrintable(archive));
    const QStringList top = QDir(prefix.hostPath(QStringLiteral("C:\\"))).entryList();
    QVERIFY(top.contains(QStringLiteral("Backups")));
    QVERIFY(!top.contains(QStringLiteral("BACKUPS")));
    QVERIFY(QDir(prefix.hostPath(QStringLiteral("C:\\Backups")))
                .entryList()
                .contains(QStringLiteral("Weekly")));
}

void TestCommandLine::noKnownClientFailsTheRun() {
    support::SamplePrefix prefix;
    const Run run = postora({"/b", "/c:nothing", "/p:C:\\x"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errLines.size(), 1);
    QVERIFY(!QFileInfo::exists(prefix.hostPath(QStringLiteral("C:\\x"))));
}

// A host folder whose name is not valid UTF-8 cannot be named in Windows form;
// turning it into some other folder would put the backup where no one looks.
// The shell passes the raw byte, which a QString argument could not carry.
void TestCommandLine::nonUtf8FolderRefused() {
    support::SamplePrefix prefix;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("exec \"$0\" /b /c:oexpress \"/p:$1/$(printf 'Post\\377e')\""),
             binDir() + QStringLiteral("/postora"), dir.path()});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("not valid UTF-8"));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestCommandLine::badCommands_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("equals sign") << QStringList{"/b", "/c:oexpress", "/p=C:\\x"};
    QTest::newRow("two arguments") << QStringList{"/b", "/cx"};
    QTest::newRow("folder missing") << QStringList{"/b", "/c:oexpress", "/p:"};
    // Qt's own options are no part of the command: they are not taken out first.
    QTest::newRow("qt option") << QStringList{"/b", "-style", "fusion", "/c:favorites", "/p:C:\\x"};
}

void TestCommandLine::badCommands() {
    QFETCH(QStringList, args);
    support::SamplePrefix prefix;
    const Run run = postora(args);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.errLines.size(), 1);
    QVERIFY2(run.errLines.first().contains(QLatin1String("Invalid command!")),
             qPrintable(run.errLines.first()));
    // An unknown command is not accepted either, without the message box.
    const Run other = postora({"/backup"});
    QCOMPARE(other.exitCode, 2);
    QCOMPARE(other.errLines.size(), 1);
}

void TestCommandLine::notInstalledClientFailsTheRun() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    const QString folder = prefix.root() + QStringLiteral("/out");
    const Run run = postora({"/b", "/c:pocomail+oexpress", "/p:" + folder});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errLines.size(), 1);
    QVERIFY(run.errLines.first().contains(QLatin1String("pocomail")));
    // The other client was backed up all the same.
    QVERIFY(QFile::exists(folder + QLatin1Char('/') + backup::BackupFileName(1)));
}

void TestCommandLine::passwordFromTheSettings() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    writeSetting(prefix,
                 platform::RegValue::string(QStringLiteral("BackupPsw"),
                                            app::EncodePassword(QStringLiteral("secret55"))));
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("BackupUsePsw"), 1));
    const QString folder = prefix.root() + QStringLiteral("/out");
    QCOMPARE(postora({"/b", "/c:oexpress", "/p:" + folder}).exitCode, 0);
    const QString archive = folder + QLatin1Char('/') + backup::BackupFileName(1);
    QVERIFY(runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pnope"), archive})
                .exitCode != 0);
    QCOMPARE(
        runTool(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-psecret55"), archive})
            .exitCode,
        0);
}

void TestCommandLine::volumesOnFloppySize() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    prefix.writeFile(oe.annStore + QStringLiteral("\\Big.dbx"), support::noise(3 * 1024 * 1024, 7));
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("MultipleVolumes"), 1));
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("Volumes"), 0));
    const QString folder = prefix.root() + QStringLiteral("/out");
    const Run run = postora({"/b", "/c:oexpress", "/p:" + folder});
    QVERIFY2(run.errLines.isEmpty(), qPrintable(run.errLines.join(QLatin1Char('\n'))));
    QCOMPARE(run.exitCode, 0);
    const QString archive = folder + QLatin1Char('/') + backup::BackupFileName(1);
    QVERIFY(QFile::exists(archive + QStringLiteral(".003")));
    QCOMPARE(runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive + QStringLiteral(".001")})
                 .exitCode,
             0);
}

void TestCommandLine::missingLibraryEndsTheProgram() {
    support::SamplePrefix prefix;
    // The program alone in a folder, without the archiving library beside it.
    const QString lonely = prefix.root() + QStringLiteral("/program");
    QDir().mkpath(lonely);
    QVERIFY(
        QFile::copy(binDir() + QStringLiteral("/postora"), lonely + QStringLiteral("/postora")));
    const QString folder = prefix.root() + QStringLiteral("/out");
    const Run run =
        postora({"/b", "/c:oexpress", "/p:" + folder}, lonely + QStringLiteral("/postora"));
    QCOMPARE(run.exitCode, 1);
    QVERIFY(!run.errLines.isEmpty());
    QVERIFY2(run.errLines.first().contains(QLatin1String("SQX.DLL not found! Reinstall Quorvel!")),
             qPrintable(run.errLines.first()));
    QVERIFY(!QFile::exists(folder + QLatin1Char('/') + backup::BackupFileName(1)));
}

// A prefix that is gone (an unmounted disk, a renamed folder) holds no mail:
// a backup of it must not replace the archive of the day.
void TestCommandLine::missingPrefixKeepsThePreviousArchive() {
    support::SamplePrefix prefix;
    const support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    const QString folder = prefix.root() + QStringLiteral("/out");
    QCOMPARE(postora({"/b", "/c:oexpress", "/p:" + folder}).exitCode, 0);
    const QString archive = folder + QLatin1Char('/') + backup::BackupFileName(1);
    QFile f(archive);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    const QString gone = prefix.root() + QStringLiteral("/unmounted/prefix");
    qputenv("WINEPREFIX", QFile::encodeName(gone)); // put back by the prefix's destructor
    const Run run = postora({"/b", "/c:oexpress", "/p:" + folder});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errLines.size(), 1);
    QVERIFY2(run.errLines.first().contains(QLatin1Char('"') + gone +
                                           QStringLiteral("\" does not exist")),
             qPrintable(run.errLines.first()));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{backup::BackupFileName(1)});
}

// What a person reads: help on standard output, and failures that name Linux
// files by their Linux path, said once, without doubled blanks. "@" in an
// argument or a wanted text stands for the sample prefix's folder.
void TestCommandLine::textsForPeople_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("winePrefix"); // empty: the sample prefix
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("wanted"); // in standard output, or else standard error
    const QStringList usage{"/b /c:", "/p:", "/auto", "/uninstall", "/o ", ".ebk", "/r:"};
    for (const char* help : {"--help", "-h", "/?", "/H"})
        QTest::newRow(help) << QStringList{help} << QString() << 0 << usage;
    QTest::newRow("option, not a file")
        << QStringList{"-x.ebk"} << QString() << 2 << QStringList{"-x.ebk", "--help"};
    QTest::newRow("no display") << QStringList{} << QString() << 0
                                << QStringList{"display", "/b", "/r:", "--help"};
    QTest::newRow("prefix gone") << QStringList{"/b", "/c:oexpress", "/p:@/out"} << "@/gone" << 1
                                 << QStringList{"@/out/", "\"@/gone\" does not exist"};
    QTest::newRow("folder is a file") << QStringList{"/b", "/c:oexpress", "/p:@/file/sub"}
                                      << QString() << 1 << QStringList{"@/file/sub/"};
}

void TestCommandLine::textsForPeople() {
    QFETCH(QStringList, args);
    QFETCH(QString, winePrefix);
    QFETCH(int, status);
    QFETCH(QStringList, wanted);
    support::SamplePrefix prefix;
    support::addOutlookExpress(prefix);
    const QString root = prefix.root();
    QVERIFY(QFile(root + QStringLiteral("/file")).open(QIODevice::WriteOnly));
    for (QString& a : args)
        a.replace(QLatin1Char('@'), root);
    if (!winePrefix.isEmpty())
        qputenv("WINEPREFIX", QFile::encodeName(winePrefix.replace(QLatin1Char('@'), root)));
    const Run run = postora(args);
    QCOMPARE(run.exitCode, status);
    const QString err = run.errLines.join(QLatin1Char('\n'));
    const QString said = status == 0 && !args.isEmpty() ? run.out : err;
    for (QString w : wanted)
        QVERIFY2(said.contains(w.replace(QLatin1Char('@'), root)), qPrintable(w + " in:\n" + said));
    if (status == 0 && !args.isEmpty()) QVERIFY2(err.isEmpty(), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1String("  ")), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1String("Z:\\")), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1String("There was an error")), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
