// The prompts of a run in a desktop session: the password prompt, the error
// and warning boxes and the confirmation boxes of the volume prompt.

#include "app/gui/GuiInteraction.h"
#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "lang/MessageTable.h"
#include "options/gui/PasswordPrompt.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "support/WhenModal.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using support::whenModal;

void typeAndPress(QWidget* w, const QString& text) {
    QLineEdit* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    QTest::keyClicks(edit, text);
    w->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
}

class Quiet : public base::ConsoleInteraction {
public:
    void showError(const QString&) override {}
    void showWarning(const QString&) override {}
};

} // namespace

class TstPrompts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void passwordPrompt();
    void passwordPromptTranslated();
    void boxes_data();
    void boxes();

private:
    QTemporaryDir dir_;
    QString lngWin_;
};

void TstPrompts::initTestCase() {
    const QString host = dir_.filePath(QStringLiteral("Test.lng"));
    QFile f(host);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Messages]\r\nMessage33=\"Kennwort ...\"\r\n"
            "[passwordform1]\r\nLabel1=Sicherungskennwort:\r\nButton1=Gut\r\nEdit1=never\r\n");
    f.close();
    lngWin_ = platform::Files(platform::DriveMap()).windowsPath(host);
}

void TstPrompts::passwordPrompt() {
    options::PasswordPrompt form([](const QString& key) { return key + QStringLiteral("!"); });
    QCOMPARE(form.objectName(), QStringLiteral("passwordform1"));
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Backup password:"));
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->echoMode(), QLineEdit::Password);

    QString title;
    whenModal([&](QWidget* w) {
        title = w->windowTitle();
        typeAndPress(w, QStringLiteral("secret"));
    });
    QCOMPARE(form.AskPassword(), std::optional<QString>(QStringLiteral("secret")));
    QCOMPARE(title, QStringLiteral("Message33!"));

    // The field is empty at every showing; OK with nothing typed gives an empty password.
    QString atShow = QStringLiteral("unset");
    whenModal([&](QWidget* w) {
        atShow = w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
        typeAndPress(w, QString());
    });
    QCOMPARE(form.AskPassword(), std::optional<QString>(QString()));
    QCOMPARE(atShow, QString());

    // Closed without OK: no password was given.
    whenModal([](QWidget* w) { w->close(); });
    QCOMPARE(form.AskPassword(), std::nullopt);

    // At most 50 characters.
    whenModal([](QWidget* w) { typeAndPress(w, QString(60, QLatin1Char('x'))); });
    QCOMPARE(form.AskPassword()->size(), 50);
}

void TstPrompts::passwordPromptTranslated() {
    platform::Files fs{platform::DriveMap()};
    Quiet ui;
    lang::LanguageFlags flags;
    lang::CaptionTranslator lng(fs, ui, flags);
    lng.SetFileName(lngWin_);
    lang::MessageTable messages(fs, ui, flags);
    messages.SetLngINISupp(&lng);
    QVERIFY(messages.Open());

    options::PasswordPrompt form([&](const QString& key) { return messages.GetMessage(key); },
                                 nullptr, &lng);
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Sicherungskennwort:"));
    QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
             QStringLiteral("Gut"));

    // Through the windowed interaction, titled from the message table.
    app::GuiInteraction gui;
    gui.setPasswordWindow(&form);
    QString title;
    whenModal([&](QWidget* w) {
        title = w->windowTitle();
        typeAndPress(w, QStringLiteral("abc12"));
    });
    QCOMPARE(gui.askPassword(), QStringLiteral("abc12"));
    QCOMPARE(title, QStringLiteral("Kennwort ..."));
    whenModal([](QWidget* w) { w->close(); });
    QCOMPARE(gui.askPassword(), QString());

    // A prompt of its own when none was handed over.
    app::GuiInteraction plain;
    plain.setMessages(&messages);
    whenModal([&](QWidget* w) {
        title = w->windowTitle();
        typeAndPress(w, QStringLiteral("xyz"));
    });
    QCOMPARE(plain.askPassword(), QStringLiteral("xyz"));
    QCOMPARE(title, QStringLiteral("Kennwort ..."));
}

void TstPrompts::boxes_data() {
    QTest::addColumn<int>("kind"); // 0 error, 1 warning, 2 confirm with Cancel, 3 confirm OK only
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("result");
    const int ok = QMessageBox::Ok;
    const int okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    QTest::newRow("error") << 0 << true << int(QMessageBox::Critical) << ok << true;
    QTest::newRow("warning") << 1 << true << int(QMessageBox::Warning) << ok << true;
    QTest::newRow("confirm, OK") << 2 << true << int(QMessageBox::Question) << okCancel << true;
    QTest::newRow("confirm, Cancel")
        << 2 << false << int(QMessageBox::Question) << okCancel << false;
    QTest::newRow("confirm OK only, closed")
        << 3 << false << int(QMessageBox::Question) << ok << false;
}

void TstPrompts::boxes() {
    QFETCH(int, kind);
    QFETCH(bool, pressOk);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(bool, result);
    app::GuiInteraction gui;
    QString text;
    int seenIcon = -1;
    int seenButtons = -1;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        text = box->text();
        seenIcon = int(box->icon());
        seenButtons = int(box->standardButtons());
        if (pressOk)
            box->button(QMessageBox::Ok)->click();
        else if (box->button(QMessageBox::Cancel))
            box->button(QMessageBox::Cancel)->click();
        else
            box->done(0); // the close box
    });
    bool answer = true;
    switch (kind) {
    case 0:
        gui.showError(QStringLiteral("Disk is full."));
        break;
    case 1:
        gui.showWarning(QStringLiteral("Disk is full."));
        break;
    default:
        answer = gui.confirm(QStringLiteral("Disk is full."), kind == 2);
    }
    QCOMPARE(text, QStringLiteral("Disk is full."));
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, buttons);
    QCOMPARE(answer, result);
}

QTEST_MAIN(TstPrompts)
#include "tst_prompts.moc"
