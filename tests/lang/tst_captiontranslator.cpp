#include "LangTestSupport.h"
#include "support/SamplePrefix.h"

#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageFiles.h"
#include "platform/Files.h"

#include <QTest>

#include <memory>

using lang::ControlKind;
using langtest::FakeWindow;

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files\\Postora\\");
const QString kFile = kFolder + QStringLiteral("Test.lng");

// Three windows in creation order, with controls of every kind.
struct Tree {
    langtest::SetLog log;
    FakeWindow form1{"Form1", log};
    FakeWindow form5{"Form5", log};
    FakeWindow form9{"Form9", log};
    Tree() {
        form1.add("Label1", ControlKind::Label);
        form1.add("Edit1", ControlKind::Other);
        form1.add("Button2", ControlKind::Button);
        form1.add("GroupBox1", ControlKind::GroupBox);
        form1.add("StatusBar1", ControlKind::StatusBar, 4);
        form1.add("TabSheet1", ControlKind::TabSheet);
        form1.add("N1", ControlKind::MenuItem);
        form1.add("OpenDialog1", ControlKind::OpenDialog);
        form1.add("ComboBox2", ControlKind::Other);
        form1.add("SpeedButton7", ControlKind::SpeedButton);
        form5.add("Label1", ControlKind::Label);
        form5.add("Button1", ControlKind::Button);
        form9.add("Button1", ControlKind::Button);
        form9.add("Label7", ControlKind::Label);
    }
    std::vector<lang::CaptionWindow*> windows() { return {&form1, &form5, &form9}; }
};

} // namespace

class TestLngINISupp : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> prefix;
    std::unique_ptr<platform::Files> fs;
    testsupport::FakeInteraction ui;
    lang::LanguageFlags flags;

    // Translates the tree with a file of these lines; returns what was set.
    langtest::SetLog translate(const QByteArray& lines) {
        prefix->writeFile(kFile, lines);
        Tree tree;
        lang::CaptionTranslator captions(*fs, ui, flags);
        captions.SetFileName(kFile);
        if (!captions.Translate(tree.windows())) return {"not translated"};
        return tree.log;
    }

private Q_SLOTS:
    // One prefix for all cases: each writes the file it reads.
    void initTestCase() {
        prefix = std::make_unique<support::SamplePrefix>();
        prefix->makeDir(kFolder);
        fs = prefix->files();
    }
    void cleanupTestCase() {
        fs.reset();
        prefix.reset();
    }
    void init() {
        ui.clear();
        flags = {};
    }

    // Every kind with a caption gets the value; edits and combo boxes keep theirs.
    void setsByKind() {
        const auto log = translate("[Form1]\r\nLabel1=L\r\nEdit1=E\r\nButton2=B\r\n"
                                   "GroupBox1= Restore Location \r\nTabSheet1='T'\r\nN1=M\r\n"
                                   "OpenDialog1=Open\r\nComboBox2=C\r\nSpeedButton7=\"S\"\r\n");
        QCOMPARE(log,
                 QStringList({"Form1.Label1=L", "Form1.Button2=B",
                              "Form1.GroupBox1=Restore Location", "Form1.TabSheet1=T", "Form1.N1=M",
                              "Form1.OpenDialog1=Open", "Form1.SpeedButton7=S"}));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());
    }

    // Sections, then keys, in file order; a key applies only on the window its
    // section names; the first of repeated keys counts.
    void fileOrder() {
        const auto log =
            translate("[Form9]\r\nLabel7=nine\r\nButton1=save\r\n[Form1]\r\nStatusBar1.Panels[2]="
                      "p2\r\nLabel1=one\r\nLabel1=again\r\nStatusBar1.Other[2]=p2 again\r\n"
                      "[Form5]\r\nButton1=ok\r\nLabel1=five\r\n");
        QCOMPARE(log,
                 QStringList({"Form9.Label7=nine", "Form9.Button1=save", "Form1.StatusBar1[2]=p2",
                              "Form1.Label1=one", "Form1.StatusBar1[2]=p2 again",
                              "Form5.Button1=ok", "Form5.Label1=five"}));
    }

    void namesMatchExactly() {
        QCOMPARE(translate("[form1]\r\nLabel1=lower section\r\n"), QStringList());
        QCOMPARE(translate("[Form1]\r\nlabel1=lower key\r\n"), QStringList());
        QCOMPARE(translate("[Form7]\r\nLabel1=no window\r\n[Form5]\r\nNothing=no control\r\n"
                           "[Language]\r\nLanguage=X\r\n[Form1]\r\n Label1 = spaced \r\n"),
                 QStringList{"Form1.Label1=spaced"});
    }

    void statusBarKeys_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // empty: nothing set
        QTest::newRow("panel 3") << "StatusBar1.Panels[3]"
                                 << "Form1.StatusBar1[3]=v";
        QTest::newRow("first digit only") << "StatusBar1.Panels[12]"
                                          << "Form1.StatusBar1[1]=v";
        QTest::newRow("no suffix") << "StatusBar1"
                                   << "Form1.StatusBar1[0]=v";
        QTest::newRow("other word") << "StatusBar1.Items[2]"
                                    << "Form1.StatusBar1[2]=v";
        QTest::newRow("last bracket") << "StatusBar1.Panels[1][2]"
                                      << "Form1.StatusBar1[2]=v";
        QTest::newRow("up to first dot") << "StatusBar1.x.Panels[0]"
                                         << "Form1.StatusBar1[0]=v";
        QTest::newRow("no bracket after dot") << "StatusBar1.Text"
                                              << "Form1.StatusBar1[0]=v";
        QTest::newRow("beyond panels") << "StatusBar1.Panels[7]"
                                       << "";
        QTest::newRow("not a digit") << "StatusBar1.Panels[x]"
                                     << "";
        QTest::newRow("nothing after bracket") << "StatusBar1.Panels["
                                               << "";
        QTest::newRow("longer name") << "StatusBar12.Panels[1]"
                                     << "";
        QTest::newRow("other case") << "statusbar1.Panels[1]"
                                    << "";
    }
    void statusBarKeys() {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const auto log = translate("[Form1]\r\n" + key.toLatin1() + "=v\r\n");
        QCOMPARE(log, expected.isEmpty() ? QStringList() : QStringList{expected});
    }

    void withoutFileName() {
        Tree tree;
        lang::CaptionTranslator captions(*fs, ui, flags);
        QVERIFY(!captions.Translate(tree.windows()));
        QCOMPARE(ui.errors, QStringList{QString::fromUtf16(lang::kFileNotPresetText)});
        QVERIFY(ui.warnings.isEmpty());
        QVERIFY(flags.lngFileNameMissing);
        QVERIFY(tree.log.isEmpty());
    }

    void missingFile() {
        Tree tree;
        lang::CaptionTranslator captions(*fs, ui, flags);
        captions.SetFileName(kFolder + "Missing.lng");
        QVERIFY(captions.Translate(tree.windows()));
        QCOMPARE(ui.warnings, QStringList{QString::fromUtf16(lang::kFileNotFoundText)});
        QVERIFY(tree.log.isEmpty());
        captions.Reset();
        QVERIFY(captions.FileName().isEmpty());
    }

    // The built-in file over windows named as the program names them: the
    // same control name on two windows gets each window's own text.
    void englishFile() {
        const auto log = translate(lang::englishLanguageFileBytes());
        QVERIFY(log.contains("Form1.GroupBox1=Restore Location"));
        QVERIFY(log.contains("Form1.TabSheet1=Backup"));
        QVERIFY(log.contains("Form1.SpeedButton7=Backup"));
        QVERIFY(log.contains("Form5.Button1=OK"));
        QVERIFY(log.contains("Form5.Label1=To backup you must close these programs:"));
        QVERIFY(log.contains("Form9.Button1=Save"));
        QVERIFY(log.contains("Form9.Label7=Language"));
        QCOMPARE(log.size(), 9);
    }

    void damagedFiles() {
        QRandomGenerator rng(5);
        const QByteArray english =
            lang::englishLanguageFileBytes() + "[Form1]\r\nStatusBar1.Panels[3]=x\r\n";
        for (int i = 0; i < 300; ++i) {
            const auto log = translate(i % 3 == 0 ? langtest::randomBytes(rng, 4096)
                                                  : langtest::mutate(rng, english));
            for (const QString& entry : log)
                QVERIFY2(!entry.contains(": no panel"), qPrintable(entry));
        }
    }
};

QTEST_GUILESS_MAIN(TestLngINISupp)
#include "tst_captiontranslator.moc"
