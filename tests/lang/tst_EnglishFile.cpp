#include "EnglishExpected.h"
#include "LangTestSupport.h"
#include "support/SamplePrefix.h"

#include "lang/EnglishLanguage.h"
#include "lang/LanguageFiles.h"
#include "lang/TMsgINISupp.h"
#include "platform/fs.h"
#include "platform/ini.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Postora\\");

QByteArray expectedBytes() {
    QByteArray text(kExpectedEnglishFile + 1); // the literal opens with a line break
    return text.replace("\n", "\r\n");
}

} // namespace

class TestEnglishFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writtenByteForByte() {
        support::SamplePrefix prefix;
        prefix.makeDir(kProgramFolder);
        const auto fs = prefix.files();
        QVERIFY(lang::writeEnglishLanguageFile(*fs, kProgramFolder).isOk());
        QFile written(prefix.hostPath(kProgramFolder + "English.lng"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QCOMPARE(bytes, expectedBytes());
    }

    // The layout rules on their own, so a fault shows what is wrong.
    void layout() {
        const QByteArray bytes = lang::englishLanguageFileBytes();
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));
        QCOMPARE(bytes.count("\r"), bytes.count("\r\n"));
        QVERIFY(!bytes.contains("%%APPNAME%%"));
        QVERIFY(!bytes.contains("\r\n\r\n\r\n\r\n"));

        const QStringList lines = QString::fromLatin1(bytes).split("\r\n");
        QStringList sections;
        QList<int> blanksBefore;
        int blanks = 0;
        for (const QString& line : lines.mid(0, lines.size() - 1)) {
            if (line.isEmpty()) {
                ++blanks;
            } else if (line.startsWith('[')) {
                sections << line;
                blanksBefore << blanks;
                blanks = 0;
            } else {
                QVERIFY2(blanks == 0, qPrintable(line));
                QVERIFY2(line.contains('='), qPrintable(line));
                QVERIFY2(!line.contains(" ="), qPrintable(line));
            }
        }
        QCOMPARE(sections, QStringList({"[Language]", "[Messages]", "[Form1]", "[Form2]", "[Form3]",
                                        "[Form5]", "[passwordform1]", "[Form9]", "[Form10]"}));
        QCOMPARE(blanksBefore, QList<int>({0, 1, 1, 1, 1, 1, 1, 2, 1}));
    }

    void messagesInNumericOrder() {
        const platform::IniFile ini = platform::IniFile::parse(lang::englishLanguageFileBytes());
        const QStringList keys = ini.keyNames("Messages");
        QList<int> numbers;
        for (const QString& key : keys) {
            QVERIFY2(QRegularExpression("^Message[1-9][0-9]*$").match(key).hasMatch(),
                     qPrintable(key));
            numbers << key.mid(7).toInt();
        }
        QList<int> expected;
        for (int n = 1; n <= 49; ++n)
            if (n < 9 || n > 13) // the table has no texts 9 to 13
                expected << n;
        QCOMPARE(numbers, expected);
        for (const QString& line : ini.sectionLines("Messages")) {
            if (line.contains('='))
                QVERIFY2(QRegularExpression("^Message\\d+=\".*\"$").match(line).hasMatch(),
                         qPrintable(line));
        }
    }

    // What a reader of the file sees: quotes and surrounding blanks gone, the
    // product name in place.
    void readsBack() {
        support::SamplePrefix prefix;
        prefix.makeDir(kProgramFolder);
        const auto fs = prefix.files();
        QVERIFY(lang::writeEnglishLanguageFile(*fs, kProgramFolder).isOk());
        const QString file = kProgramFolder + "English.lng";
        langtest::RecordingInteraction ui;
        lang::TMsgINISupp messages(*fs, ui);
        messages.SetFileName(file);
        QCOMPARE(messages.GetMessage("Message6"), QStringLiteral("Incorect password!"));
        QCOMPARE(messages.GetMessage("Message20"), QStringLiteral("There was an error: "));
        QCOMPARE(messages.GetMessage("Message25"),
                 QStringLiteral("Postora is backing up your e-mail data to:"));
        QCOMPARE(messages.GetMessage("Message9"), QStringLiteral("ERROR"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());

        auto read = [&](const char* section, const char* key) {
            return platform::readProfileString(*fs, file, section, key, "ERROR");
        };
        QCOMPARE(read("Language", "Language"), QStringLiteral("English"));
        QCOMPARE(read("Form1", "GroupBox1"), QStringLiteral("Restore Location"));
        QCOMPARE(read("Form1", "Label19"), QStringLiteral("Welcome to Postora!"));
        QCOMPARE(read("Form2", "Label1"),
                 QStringLiteral("Postora is backing up your e-mail data to:"));
        QCOMPARE(read("Form9", "Button1"), QStringLiteral("Save"));
        QCOMPARE(read("Form10", "Button1"), QStringLiteral("OK"));
    }

    void builtInLinesKeepThePlaceholder() {
        const QStringList raw = lang::builtInEnglishLines();
        const QStringList written = lang::englishLanguageLines();
        QCOMPARE(raw.size(), written.size());
        int expanded = 0;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == written[i]) continue;
            ++expanded;
            QCOMPARE(QString(raw[i]).replace("%%APPNAME%%", "Postora"), written[i]);
        }
        QCOMPARE(expanded, 9);
    }
};

QTEST_GUILESS_MAIN(TestEnglishFile)
#include "tst_EnglishFile.moc"
