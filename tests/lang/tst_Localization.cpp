#include "LangTestSupport.h"
#include "support/SamplePrefix.h"

#include "base/Settings.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageFiles.h"
#include "lang/Localization.h"
#include "platform/Files.h"

#include <QFile>
#include <QTest>

#include <memory>

using lang::ControlKind;

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files\\Postora\\");
const QString kNotFound = QString::fromUtf16(lang::kFileNotFoundText);

QByteArray languageFile(const char* name, const char* label, const char* message6) {
    return QByteArray("[Language]\r\nLanguage=") + name + "\r\n\r\n[Messages]\r\nMessage6=\"" +
           message6 + "\"\r\n\r\n[Form1]\r\nLabel1=" + label + "\r\n";
}

} // namespace

class TestLocalization : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> prefix;
    std::unique_ptr<platform::Files> fs;
    testsupport::FakeInteraction ui;
    base::Settings settings;
    langtest::SetLog log;
    std::unique_ptr<langtest::FakeWindow> form1;
    langtest::FakeControl* label1 = nullptr;

    std::vector<lang::CaptionWindow*> windows() { return {form1.get()}; }
    QByteArray hostFile(const QString& winPath) {
        QFile file(prefix->hostPath(winPath));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

private Q_SLOTS:
    void init() {
        prefix = std::make_unique<support::SamplePrefix>();
        prefix->makeDir(kFolder);
        fs = prefix->files();
        ui.clear();
        settings = base::Settings();
        settings.programFolder = kFolder;
        log.clear();
        form1 = std::make_unique<langtest::FakeWindow>("Form1", log);
        label1 = &form1->add("Label1", ControlKind::Label);
    }
    void cleanup() {
        form1.reset();
        fs.reset();
        prefix.reset();
    }

    void firstStartWritesEnglish() {
        settings.language = "Deutsch";
        const lang::LanguageList before = lang::listLanguages(*fs, kFolder, settings.language);
        QVERIFY(before.names.isEmpty());
        QCOMPARE(before.selected, -1);

        lang::Localization l10n(*fs, ui, settings);
        QVERIFY(l10n.SelectLanguageFile(windows()).isOk());
        QCOMPARE(settings.language, QStringLiteral("English"));
        QCOMPARE(hostFile(kFolder + "English.lng"), lang::englishLanguageFileBytes());
        QCOMPARE(l10n.languageFilePath(), kFolder + "English.lng");
        QCOMPARE(label1->caption, QStringLiteral("Data to backup"));
        QVERIFY(l10n.messageBox().isOpen());
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("Incorect password!"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());

        const lang::LanguageList after = lang::listLanguages(*fs, kFolder, settings.language);
        QCOMPARE(after.names, QStringList{"English"});
        QCOMPARE(after.selected, 0);
    }

    // The language's file is missing but an English file is there: English,
    // silently, and the English file as it was.
    void fallsBackToExistingEnglish() {
        const QByteArray edited = languageFile("English", "Edited", "edited text");
        prefix->writeFile(kFolder + "English.lng", edited);
        settings.language = "Deutsch";
        lang::Localization l10n(*fs, ui, settings);
        QVERIFY(l10n.SelectLanguageFile(windows()).isOk());
        QCOMPARE(settings.language, QStringLiteral("English"));
        QCOMPARE(hostFile(kFolder + "English.lng"), edited);
        QCOMPARE(label1->caption, QStringLiteral("Edited"));
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("edited text"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());
    }

    void usesTheChosenLanguage() {
        prefix->writeFile(kFolder + "Deutsch.lng", languageFile("Deutsch", "Daten", "Falsch"));
        settings.language = "Deutsch";
        lang::Localization l10n(*fs, ui, settings);
        QVERIFY(l10n.SelectLanguageFile(windows()).isOk());
        QCOMPARE(settings.language, QStringLiteral("Deutsch"));
        QVERIFY(!fs->fileExists(kFolder + "English.lng"));
        QCOMPARE(label1->caption, QStringLiteral("Daten"));
        QCOMPARE(l10n.messageBox().GetMessage("Message6"), QStringLiteral("Falsch"));
    }

    // After a switch, captions and both message tables read the new file.
    void switchReadsTheNewFile() {
        prefix->writeFile(kFolder + "Francais.lng", languageFile("Francais", "Donnees", "Faux"));
        lang::Localization l10n(*fs, ui, settings);
        QVERIFY(l10n.SelectLanguageFile(windows()).isOk());
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("Incorect password!"));
        l10n.SwitchLanguage("Francais", windows());
        QCOMPARE(settings.language, QStringLiteral("Francais"));
        QCOMPARE(label1->caption, QStringLiteral("Donnees"));
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("Faux"));
        QCOMPARE(l10n.messageBox().GetMessage("Message6"), QStringLiteral("Faux"));
        QVERIFY(ui.errors.isEmpty() && ui.warnings.isEmpty());
    }

    // Listed under its display name, the file cannot be found by that name:
    // one warning from the captions, one from the message table, nothing else.
    void displayNameDiffersFromFileName() {
        prefix->writeFile(kFolder + "Deutsch.lng", languageFile("German", "Daten", "Falsch"));
        lang::Localization l10n(*fs, ui, settings);
        QVERIFY(l10n.SelectLanguageFile(windows()).isOk());
        const lang::LanguageList list = lang::listLanguages(*fs, kFolder, "german");
        QVERIFY(list.names.contains("German"));
        QCOMPARE(list.names.value(list.selected), QStringLiteral("German"));

        log.clear();
        l10n.SwitchLanguage("German", windows());
        QCOMPARE(ui.warnings, QStringList({kNotFound, kNotFound}));
        QVERIFY(log.isEmpty());
        QCOMPARE(label1->caption, QStringLiteral("Data to backup"));
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("ERROR"));
        QCOMPARE(l10n.messageBox().GetMessage("Message6"), QStringLiteral("ERROR"));
        QCOMPARE(ui.warnings.size(), 2);
        QVERIFY(ui.errors.isEmpty());
    }

    void listing() {
        prefix->writeFile(kFolder + "English.lng", lang::englishLanguageFileBytes());
        prefix->writeFile(kFolder + "Blank.lng", "[Messages]\r\nMessage1=x\r\n");
        prefix->writeFile(kFolder + "Binary.lng", QByteArray("\0\xff\x01[Lang", 8));
        prefix->writeFile(kFolder + "Notes.txt", languageFile("Notes", "x", "x"));
        prefix->makeDir(kFolder + "Folder.lng");
        const lang::LanguageList list = lang::listLanguages(*fs, kFolder, "ENGLISH");
        QStringList sorted = list.names;
        sorted.sort();
        QCOMPARE(sorted, QStringList({"ERROR", "ERROR", "English"}));
        QCOMPARE(list.names.value(list.selected), QStringLiteral("English"));

        QCOMPARE(lang::listLanguages(*fs, kFolder, "Klingon").selected, -1);
        QVERIFY(lang::listLanguages(*fs, kFolder + "Nowhere\\", "English").names.isEmpty());
    }

    // "English.lng" cannot be written (an installed program's read-only
    // folder): the warning is shown once, and captions and messages come from
    // the built-in text instead of "ERROR", also after a switch back to English.
    void englishFileCannotBeWritten() {
        fs->setWriteFault([](const QString&) {
            return platform::Status(platform::Error{platform::kAccessDenied, "read-only folder"});
        });
        lang::Localization l10n(*fs, ui, settings);
        const platform::Status written = l10n.SelectLanguageFile(windows());
        QVERIFY(!written.isOk());
        QVERIFY(!fs->fileExists(kFolder + "English.lng"));
        QCOMPARE(settings.language, QStringLiteral("English"));
        QCOMPARE(ui.warnings, QStringList({kNotFound}));
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("Incorect password!"));
        QCOMPARE(label1->caption, QStringLiteral("Data to backup"));

        l10n.SwitchLanguage("Klingon", windows());
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("ERROR"));
        ui.clear();
        l10n.SwitchLanguage("English", windows());
        QVERIFY(ui.warnings.isEmpty());
        QCOMPARE(l10n.messages().GetMessage("Message6"), QStringLiteral("Incorect password!"));
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_Localization.moc"
