// postora-inspect over a sample prefix: what a person sees, and the exit codes.
#include "platform/Registry.h"
#include "support/InspectRun.h"
#include "support/SamplePrefix.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace platform;

namespace {

using Run = testsupport::InspectRun;
const auto inspect = [](const QStringList& args) { return testsupport::runInspect(args); };

} // namespace

class TestInspect : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> sample_;

private Q_SLOTS:
    void initTestCase() {
        sample_ = std::make_unique<support::SamplePrefix>();
        sample_->setDword(HKEY_CURRENT_USER, "Software\\Test\\Mail", "Port", 110);
        sample_->setString(HKEY_CURRENT_USER, "Software\\Test\\Mail", "Server", "pop.example.org");
        sample_->setValue(HKEY_CURRENT_USER, "Software\\Test\\Mail",
                          RegValue::binary("Blob", QByteArray("\x01\xAB", 2)));
        sample_->addKey(HKEY_CURRENT_USER, "Software\\Test\\Mail\\Accounts");
        sample_->save();
        sample_->writeFile("C:\\Mail\\In.mbx", "12345");
        sample_->writeFile("C:\\Mail\\.hidden", "");
        sample_->makeDir("C:\\Mail\\In.fol");
    }

    void drives() {
        const Run r = inspect({"drives"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("C:  fixed"), qPrintable(r.out));
        QVERIFY(r.out.contains(sample_->prefixDir() + "/drive_c\n"));
        QVERIFY(r.out.contains("Z:  "));
    }

    void registryKey() {
        const Run r = inspect({"reg", "hkey_current_user\\software\\TEST\\Mail"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("\"Port\" REG_DWORD 0x0000006e (110)"), qPrintable(r.out));
        QVERIFY(r.out.contains("\"Server\" REG_SZ \"pop.example.org\""));
        QVERIFY(r.out.contains("\"Blob\" REG_BINARY 01 ab"));
        QVERIFY(r.out.contains("Sub-keys:\n  Accounts\n"));
    }

    void listing() {
        const Run r = inspect({"find", "C:\\MAIL\\*.*"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 6, qPrintable(r.out));
        QVERIFY(lines.at(0).endsWith("  ."));
        QVERIFY(lines.at(1).endsWith("  .."));
        QVERIFY(r.out.contains(QRegularExpression("----A +5  [0-9-]+ [0-9:]+  In.mbx\n")));
        QVERIFY(r.out.contains(QRegularExpression("-H--A +0  [0-9-]+ [0-9:]+  .hidden\n")));
        QVERIFY(r.out.contains(QRegularExpression("---D- +<DIR>  [0-9-]+ [0-9:]+  In.fol\n")));
        QCOMPARE(lines.last(), QString("2 file(s), 3 folder(s)"));
    }

    void exportDump() {
        const QString file = sample_->root() + "/mail.reg";
        Run r = inspect({"export", "HKEY_CURRENT_USER", "\\Software\\Test", file});
        QCOMPARE(r.code, 0);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QVERIFY2(all.startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n"),
                 all.constData());
        QVERIFY(all.contains("[HKEY_CURRENT_USER\\Software\\Test\\Mail\\Accounts]\r\n"));
        QVERIFY(all.contains("\"Port\"=dword:0000006E\r\n"));

        r = inspect({"export", "HKEY_CURRENT_USER", "Software\\Test", file, "--no-subkeys"});
        QCOMPARE(r.code, 0);
        f.close();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("Mail"));
    }

    void search() {
        sample_->writeFile("C:\\Mail\\In.fol\\Sub.fol\\a.mbx", "x");
        Run r = inspect({"search", "C:\\Mail\\*.mbx"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("C:\\Mail\\\nC:\\Mail\\In.fol\\Sub.fol\\\n"));
        r = inspect({"search", "C:\\Mail\\*.mbx", "--level", "1"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("C:\\Mail\\\n"));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no command") << QStringList{} << 2;
        QTest::newRow("unknown command") << QStringList{"bogus"} << 2;
        QTest::newRow("missing argument") << QStringList{"reg"} << 2;
        QTest::newRow("extra argument") << QStringList{"drives", "x"} << 2;
        QTest::newRow("unknown root") << QStringList{"reg", "HKXX\\Software"} << 2;
        QTest::newRow("no drive") << QStringList{"find", "*.*"} << 2;
        QTest::newRow("missing key") << QStringList{"reg", "HKCU\\Software\\Nothing"} << 1;
        QTest::newRow("export root") << QStringList{"export", "HKCU", "x", "y"} << 2;
        QTest::newRow("export option") << QStringList{"export", "HKEY_USERS", "x", "y", "-z"} << 2;
        QTest::newRow("search level") << QStringList{"search", "C:\\*.*", "--level", "x"} << 2;
        QTest::newRow("no match") << QStringList{"find", "C:\\Mail\\*.xyz"} << 1;
        QTest::newRow("missing folder") << QStringList{"find", "C:\\Nowhere\\*"} << 1;
    }
    void failures() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        const Run r = inspect(args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.err.count('\n'), 1); // one line
        QVERIFY(r.err.startsWith("postora-inspect: "));
    }
};

QTEST_GUILESS_MAIN(TestInspect)
#include "tst_fs_inspect.moc"
