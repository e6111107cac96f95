#include "LangTestSupport.h"
#include "support/SamplePrefix.h"

#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageFiles.h"
#include "lang/MessageTable.h"
#include "platform/Files.h"

#include <QTest>

#include <memory>

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files\\Postora\\");
const QString kFile = kFolder + QStringLiteral("Test.lng");
const QString kNotPreset = QStringLiteral("ERROR!!!\r\nFile not preset!");
const QString kNotFound =
    QStringLiteral("WARNING!!!\r\n Language File Not Found! Its now creating a new!");

} // namespace

class TestMsgINISupp : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> prefix;
    std::unique_ptr<platform::Files> fs;
    testsupport::FakeInteraction ui;

    void write(const QByteArray& content, const QString& file = kFile) {
        prefix->writeFile(file, content);
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
    void init() { ui.clear(); }

    void readsAnewOnEveryLookup() {
        write("[Messages]\r\nMessage1=\"first\"\r\n");
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        QCOMPARE(table.GetMessage("Message1"), QStringLiteral("first"));
        write("[Messages]\r\nMessage1=\"second\"\r\nMessage2=added\r\n");
        QCOMPARE(table.GetMessage("Message1"), QStringLiteral("second"));
        QCOMPARE(table.GetMessage("Message2"), QStringLiteral("added"));
        QVERIFY(QFile::remove(prefix->hostPath(kFile)));
        QCOMPARE(table.GetMessage("Message1"), QStringLiteral("ERROR"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty()); // already open: no warning
    }

    void missingKeyOrSection() {
        write("[Language]\r\nLanguage=Test\r\n[Form1]\r\nMessage1=not here\r\n"
              "[Messages]\r\nMessage2=\r\nMessage3=  spaced  \r\n");
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        QCOMPARE(table.GetMessage("Message1"), QStringLiteral("ERROR"));
        QCOMPARE(table.GetMessage("Message2"), QString());
        QCOMPARE(table.GetMessage("Message3"), QStringLiteral("spaced"));
        QCOMPARE(table.GetMessage("Message"), QStringLiteral("ERROR"));
        write("[Language]\r\nLanguage=Test\r\n");
        QCOMPARE(table.GetMessage("Message2"), QStringLiteral("ERROR"));
    }

    // A missing file warns once, when the table opens, and every text reads
    // "ERROR"; closing and looking up again opens (and warns) again.
    void missingFile() {
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFolder + "Nowhere.lng");
        QCOMPARE(table.GetMessage("Message6"), QStringLiteral("ERROR"));
        QCOMPARE(table.GetMessage("Message7"), QStringLiteral("ERROR"));
        QCOMPARE(ui.warnings, QStringList{kNotFound});
        QVERIFY(table.isOpen());
        table.ShowErrorMessage("Message6");
        QCOMPARE(ui.errors, QStringList{"ERROR"});

        table.Close();
        QVERIFY(!table.isOpen());
        QVERIFY(table.FileName().isEmpty());
        table.SetFileName(kFolder + "Nowhere.lng");
        QCOMPARE(table.GetMessage("Message6"), QStringLiteral("ERROR"));
        QCOMPARE(ui.warnings.size(), 2);
    }

    void withoutFileName() {
        lang::LanguageFlags flags;
        lang::MessageTable table(*fs, ui, flags);
        QVERIFY(!table.Open());
        QCOMPARE(ui.errors, QStringList{kNotPreset});
        QVERIFY(flags.msgFileNameMissing);
        QVERIFY(!flags.lngFileNameMissing);
        QVERIFY(!table.isOpen());
        // The error box about the name is all a lookup shows.
        ui.clear();
        table.ShowErrorMessage("Message6");
        QCOMPARE(ui.errors, QStringList{kNotPreset});
        QCOMPARE(table.GetMessage("Message6"), QStringLiteral("ERROR"));
        QVERIFY(ui.warnings.isEmpty());
    }

    void takesTheLinkedFileName() {
        write("[Messages]\r\nMessage4=\"linked\"\r\n");
        lang::LanguageFlags flags;
        lang::CaptionTranslator captions(*fs, ui, flags);
        lang::MessageTable table(*fs, ui, flags);
        captions.SetFileName(kFile);
        table.SetLngINISupp(&captions); // copies the name at once
        QCOMPARE(table.FileName(), kFile);
        table.Close();
        QVERIFY(table.Open()); // and again when opened without one
        QCOMPARE(table.FileName(), kFile);
        QCOMPARE(table.GetMessage("Message4"), QStringLiteral("linked"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());
    }

    void showsErrorBox() {
        write(lang::englishLanguageFileBytes());
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        table.ShowErrorMessage("Message23");
        QCOMPARE(ui.errors, QStringList{"The password must be at least 5 characters long"});
        QVERIFY(ui.warnings.isEmpty());
    }

    void multiLineValues_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two pieces") << QByteArray("\"one\"%%/n%%\"two\"") << "one\r\ntwo";
        QTest::newRow("three pieces")
            << QByteArray("  \"a b\"%%/n%%\" c \"%%/n%%\"d\"  ") << "a b\r\n c \r\nd";
        QTest::newRow("empty piece") << QByteArray("\"\"%%/n%%\"x\"") << "\r\nx";
        QTest::newRow("ends with marker") << QByteArray("x\"%%/n%%\"") << "x\r\n";
        QTest::newRow("stray quote kept") << QByteArray("\"say \"hi\" now\"") << "say \"hi\" now";
        QTest::newRow("half a marker") << QByteArray("\"a\"%%/n") << "\"a\"%%/n";
        QTest::newRow("single quotes") << QByteArray("'a\"%%/n%%\"b'") << "a\r\nb";
    }
    void multiLineValues() {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        write("[Messages]\r\nMessage1=" + line + "\r\n");
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        QCOMPARE(table.GetMessage("Message1"), expected);
    }

    void encodings() {
        // Written in Windows-1252 by a translator's editor, and in UTF-8.
        write("[Messages]\r\nMessage6=\"Mot de passe erron\xe9 \x80\"\r\n");
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        QCOMPARE(table.GetMessage("Message6"), QString::fromUtf8("Mot de passe erroné €"));
        write("\xef\xbb\xbf[Messages]\r\nMessage6=\"Falsches Passwort \xc3\xa4\"\r\n");
        QCOMPARE(table.GetMessage("Message6"), QString::fromUtf8("Falsches Passwort ä"));
    }

    // Damaged and random files: every lookup answers, nothing crashes.
    void damagedFiles() {
        QRandomGenerator rng(11);
        const QByteArray english = lang::englishLanguageFileBytes();
        lang::MessageTable table(*fs, ui);
        table.SetFileName(kFile);
        for (int i = 0; i < 300; ++i) {
            write(i % 3 == 0 ? langtest::randomBytes(rng, 2048) : langtest::mutate(rng, english));
            const QString key = QStringLiteral("Message%1").arg(rng.bounded(1, 50));
            const QString text = table.GetMessage(key);
            QVERIFY(!text.contains(QChar(0)));
        }
        write(QByteArray());
        QCOMPARE(table.GetMessage("Message1"), QStringLiteral("ERROR"));
    }
};

QTEST_GUILESS_MAIN(TestMsgINISupp)
#include "tst_messagetable.moc"
