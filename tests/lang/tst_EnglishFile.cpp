#include "EnglishExpected.h"
#include "LangTestSupport.h"
#include "support/SamplePrefix.h"

#include "lang/EnglishLanguage.h"
#include "lang/LanguageFiles.h"
#include "lang/MessageTable.h"
#include "platform/Files.h"
#include "platform/Ini.h"

#include <QFile>
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

    // What a reader of the file sees: quotes and surrounding blanks gone, the
    // product name in place.
    void readsBack() {
        support::SamplePrefix prefix;
        prefix.makeDir(kProgramFolder);
        const auto fs = prefix.files();
        QVERIFY(lang::writeEnglishLanguageFile(*fs, kProgramFolder).isOk());
        const QString file = kProgramFolder + "English.lng";
        testsupport::FakeInteraction ui;
        lang::MessageTable messages(*fs, ui);
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
