// The main window as a person uses it: the wizard from the keyboard alone,
// what page "8" says of a split set, the boxes that say what could not be
// done, the backup folder kept for the next start, the program's icon, and a
// box of start-up that never hides under the splash.

#include "MainWindowStart.h"
#include "support/Noise.h"
#include "support/SamplePrefix.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/EveryClient.h"

#include "app/gui/Artwork.h"
#include "app/gui/SplashScreen.h"
#include "app/gui/Wizard.h"
#include "base/Settings.h"
#include "desktop/gui/TrayIcon.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using testsupport::Start;

namespace {

const QString kDiskFull = QStringLiteral("Disk is full. Replace or select other!");

QTabWidget* pages(const Start& s) {
    return s.child<QTabWidget>("PageControl2");
}

void key(Qt::Key k) {
    QTest::keyClick(QApplication::focusWidget(), k);
}

// The names of the controls that Tab visits from the focused one until it
// comes round again.
QStringList tabRound() {
    QStringList seen;
    if (const QWidget* start = QApplication::focusWidget()) seen << start->objectName();
    for (int i = 0; i < 60; ++i) {
        key(Qt::Key_Tab);
        const QWidget* focus = QApplication::focusWidget();
        const QString name = focus ? focus->objectName() : QStringLiteral("(none)");
        if (seen.contains(name)) break;
        seen << name;
    }
    return seen;
}

// a comes before b in the round, and both are in it.
bool before(const QStringList& round, const char* a, const char* b) {
    const int i = round.indexOf(QLatin1String(a));
    const int j = round.indexOf(QLatin1String(b));
    return i >= 0 && j >= 0 && i < j;
}

void writeSetting(support::SamplePrefix& prefix, const platform::RegValue& value) {
    auto reg = prefix.registry();
    auto key =
        reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"), true);
    QVERIFY(key);
    QVERIFY(key.value().writeValue(value));
}

// Records whether the splash was on the screen when a box was shown.
struct SplashWatch : testsupport::FakeInteraction {
    const app::GuiStartupHooks* hooks = nullptr;
    QList<bool> splashShown;
    void showError(const QString& text) override {
        FakeInteraction::showError(text);
        splashShown << (hooks && hooks->splash() && hooks->splash()->isVisible());
    }
};

} // namespace

class TestWindowUse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wizardFromTheKeyboard();
    void clientPageFromTheKeyboard_data();
    void clientPageFromTheKeyboard();
    void splitSetAndGoToFolder();
    void emptyFileFieldTakesTheFocus();
    void backupFolderKeptAtClose();
    void programIconInTheTray();
    void startUpBoxNotUnderTheSplash();
};

// Tab reaches every control of each page and then the bottom bar; Enter goes
// forward; Space on the page and Esc never end the program.
void TestWindowUse::wizardFromTheKeyboard() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    Start s;
    QApplication::setActiveWindow(s.form);
    QVERIFY(QTest::qWaitForWindowActive(s.form));
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::Welcome));
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("SpeedButton7"));
    const QStringList welcome = tabRound();
    for (const char* name : {"SpeedButton7", "SpeedButton8", "SpeedButton9", "SpeedButton10",
                             "SpeedButton1", "Button11", "Button9", "Button8"})
        QVERIFY2(welcome.contains(QLatin1String(name)), qPrintable(welcome.join(' ')));
    QVERIFY2(before(welcome, "SpeedButton1", "Button11"), qPrintable(welcome.join(' ')));
    // Tab goes round: from "Exit" back to the page.
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("SpeedButton7"));

    // "Backup" from the keyboard, then the client page.
    s.child<QWidget>("SpeedButton7")->setFocus();
    key(Qt::Key_Return);
    QTRY_COMPARE(pages(s)->currentIndex(), int(app::Wizard::Client));
    // The client buttons are one stop of Tab; the arrow keys choose among them.
    const QStringList clients = tabRound();
    for (const char* name : {"SpeedButton4", "SpeedButton5", "Button8"})
        QVERIFY2(clients.contains(QLatin1String(name)), qPrintable(clients.join(' ')));
    QVERIFY2(clients.front().startsWith(QLatin1String("RadioButton")),
             qPrintable(clients.join(' ')));
    QVERIFY2(before(clients, "SpeedButton4", "SpeedButton5"), qPrintable(clients.join(' ')));
    QVERIFY2(before(clients, "SpeedButton5", "Button8"), qPrintable(clients.join(' ')));
    s.child<QRadioButton>("RadioButton5")->setFocus();
    key(Qt::Key_Space);
    QVERIFY(s.child<QRadioButton>("RadioButton5")->isChecked());
    key(Qt::Key_Down);
    QVERIFY(s.child<QRadioButton>("RadioButton6")->isChecked());
    QCOMPARE(s.form->wizard().currentClientCode(), 2);
    key(Qt::Key_Up);
    QCOMPARE(s.form->wizard().currentClientCode(), 1);
    QVERIFY(s.form->isVisible());

    // Enter is "Next >" on the pages that move forward.
    key(Qt::Key_Return);
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::Items));
    QVERIFY(tabRound().contains(QStringLiteral("CheckListBox5")));
    key(Qt::Key_Return);
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::File));
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("Edit8"));
    const QStringList file = tabRound();
    for (const char* name : {"Edit8", "Button12", "CheckBox1", "RadioButton17", "SpeedButton5"})
        QVERIFY2(file.contains(QLatin1String(name)), qPrintable(file.join(' ')));
    key(Qt::Key_Escape);
    QVERIFY(s.form->isVisible());
    s.child<QWidget>("Edit8")->setFocus();
    key(Qt::Key_Return);
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::Ready));
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("SpeedButton5"));
    key(Qt::Key_Escape);
    QVERIFY(s.form->isVisible());
    s.form->close();
}

void TestWindowUse::clientPageFromTheKeyboard_data() {
    QTest::addColumn<QByteArray>("ticked"); // the radio button clicked, if any
    QTest::newRow("no client ticked") << QByteArray();
    QTest::newRow("Eudora ticked") << QByteArray("RadioButton7");
}

// From "Next >" Tab comes round to the client list whether or not a client is
// ticked; "Next >" without a client stays on the page and asks for one.
void TestWindowUse::clientPageFromTheKeyboard() {
    QFETCH(QByteArray, ticked);
    support::SamplePrefix prefix; // no client there, none the default
    Start s;
    QApplication::setActiveWindow(s.form);
    QVERIFY(QTest::qWaitForWindowActive(s.form));
    s.child<QToolButton>("SpeedButton7")->click();
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::Client));
    if (!ticked.isEmpty()) s.child<QRadioButton>(ticked.constData())->click();
    s.child<QWidget>("SpeedButton5")->setFocus();
    const QStringList round = tabRound();
    QVERIFY2(!round.filter(QStringLiteral("RadioButton")).isEmpty(), qPrintable(round.join(' ')));
    s.child<QToolButton>("SpeedButton5")->click();
    QCOMPARE(pages(s)->currentIndex(),
             int(ticked.isEmpty() ? app::Wizard::Client : app::Wizard::Items));
    QCOMPARE(s.ui.errors, ticked.isEmpty() ? QStringList{QStringLiteral("Select an e-mail client!")}
                                           : QStringList{});
    s.form->close();
}

// Page "8" names the first volume and how many were written; "Go to folder"
// without a file manager says so.
void TestWindowUse::splitSetAndGoToFolder() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    prefix.writeFile(support::eudora::dataFolder(prefix) + QStringLiteral("\\Big.mbx"),
                     support::noise(3 << 20, 11));
    Start s;
    s.child<QToolButton>("SpeedButton7")->click();
    s.child<QRadioButton>("RadioButton7")->click();
    s.child<QToolButton>("SpeedButton5")->click();
    s.child<QToolButton>("SpeedButton5")->click();
    const QString target = s.child<QLineEdit>("Edit8")->text();
    s.child<QRadioButton>("RadioButton18")->click();
    s.child<QComboBox>("ComboBox1")->setCurrentIndex(0); // floppies
    s.child<QToolButton>("SpeedButton5")->click();
    s.ui.confirmAnswers = {true, true, true, true, true}; // each next disk is put in
    s.child<QToolButton>("SpeedButton5")->click();
    QTRY_COMPARE_WITH_TIMEOUT(pages(s)->currentIndex(), int(app::Wizard::Done), 20000);
    QCOMPARE(s.child<QLabel>("Label48")->text(), QStringLiteral("Backup completed!"));
    int volumes = 0;
    while (s.ctx.files().fileExists(
        target + QStringLiteral(".%1").arg(volumes + 1, 3, 10, QLatin1Char('0'))))
        ++volumes;
    QVERIFY(volumes >= 2);
    QVERIFY(!s.ctx.files().fileExists(target));
    const QString named = s.child<QLabel>("Label50")->text();
    QVERIFY2(named.startsWith(target + QStringLiteral(".001")), qPrintable(named));
    QVERIFY2(named.contains(QStringLiteral("%1 volumes").arg(volumes)), qPrintable(named));

    s.ui.errors.clear();
    s.child<QPushButton>("Button13")->click();
    QCOMPARE(s.ui.errors.size(), 1);
    QVERIFY2(s.ui.errors.front().contains(QStringLiteral("file manager")),
             qPrintable(s.ui.errors.front()));
    s.form->close();
}

// The empty file field is refused as the disk being full, and the field gets
// the focus, in both modes.
void TestWindowUse::emptyFileFieldTakesTheFocus() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    Start s;
    QApplication::setActiveWindow(s.form);
    QVERIFY(QTest::qWaitForWindowActive(s.form));
    s.child<QToolButton>("SpeedButton7")->click();
    s.child<QRadioButton>("RadioButton5")->click();
    s.child<QToolButton>("SpeedButton5")->click();
    s.child<QToolButton>("SpeedButton5")->click();
    s.child<QLineEdit>("Edit8")->clear();
    s.child<QToolButton>("SpeedButton5")->setFocus();
    s.child<QToolButton>("SpeedButton5")->click();
    QCOMPARE(s.ui.errors.takeLast(), kDiskFull);
    QCOMPARE(pages(s)->currentIndex(), int(app::Wizard::File));
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("Edit8"));

    s.form->SetViewMode(false);
    s.click(QStringLiteral("Outlook Express"));
    s.child<QLineEdit>("Edit1")->clear();
    s.tree()->setFocus();
    s.child<QPushButton>("Button2")->click();
    QCOMPARE(s.ui.errors.takeLast(), kDiskFull);
    QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("Edit1"));
    s.form->close();
}

// The folder of the file field is the one the next start offers, and a refill
// of the field keeps offering it.
void TestWindowUse::backupFolderKeptAtClose() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    const QString other = QStringLiteral("C:\\Elsewhere\\");
    {
        Start s;
        s.form->SetViewMode(false);
        s.click(QStringLiteral("Outlook Express"));
        s.child<QLineEdit>("Edit1")->setText(other + QStringLiteral("mail.ebk"));
        s.form->FillFromSettings(); // as "OK" in the schedule dialog refills it
        QCOMPARE(s.child<QLineEdit>("Edit1")->text(), other);
        s.form->close();
    }
    auto reg = prefix.registry();
    auto key = reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"));
    QVERIFY(key);
    QCOMPARE(key.value().readString(QStringLiteral("BackupDir")).value_or(QString()), other);
    Start again;
    QCOMPARE(again.child<QLineEdit>("Edit1")->text(), other);
    again.form->close();
}

// The tray icon of the command line shows the program's icon.
void TestWindowUse::programIconInTheTray() {
    support::SamplePrefix prefix;
    Start s;
    desktop::TrayIcon tray;
    tray.Show();
    QVERIFY(!tray.Icon().isNull());
    QCOMPARE(tray.Icon().pixmap(32).toImage(), app::AppIcon().pixmap(32).toImage());
    tray.Hide();
    s.form->close();
}

// Scheduled backups switched on without the companion beside the program:
// "Message49" at start-up, shown while the splash is off the screen.
void TestWindowUse::startUpBoxNotUnderTheSplash() {
    support::SamplePrefix prefix;
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("ZuveDizizo"), 1));
    SplashWatch ui;
    app::AppContext ctx(ui);
    app::GuiStartupHooks hooks(nullptr);
    ui.hooks = &hooks;
    hooks.setRunEventLoop(false);
    app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), {}, testsupport::binDir());
    QVERIFY2(ui.errors.contains(QStringLiteral("Program execution error! ROZoveVivuda.exe.")),
             qPrintable(ui.errors.join('\n')));
    QVERIFY(!ui.splashShown.isEmpty());
    QVERIFY(!ui.splashShown.contains(true));
    hooks.mainWindow()->close();
}

QTEST_MAIN(TestWindowUse)
#include "tst_windowuse.moc"
