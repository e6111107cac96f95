// The main window driven as a person would: start-up with its splash, the
// Backup tab's client tree, lists and checks, and what closing keeps for the
// next start.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/FakeInteraction.h"
#include "support/SamplePrefix.h"
#include "support/clients/EveryClient.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/gui/GuiStartup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/SplashScreen.h"
#include "backup/BackupFiles.h"
#include "backup/gui/ProgressWindow.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/gui/ClientTree.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "schedule/gui/ScheduleDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using testsupport::Start;

namespace {

void writeSetting(support::SamplePrefix& prefix, const platform::RegValue& value) {
    auto reg = prefix.registry();
    auto key =
        reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"), true);
    QVERIFY(key);
    QVERIFY(key.value().writeValue(value));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartAndChoosingAClient();
    void closingKeepsTheClientForTheNextStart();
    void positionKeptOnScreen();
    void secondLanguage();
    void backupFromTheBackupTab();
    void missingLibraryEndsBeforeTheWindow();
};

void TestMainWindow::firstStartAndChoosingAClient() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    Start start;
    QStringList expected;
    for (int percent : {0, 10, 15, 20, 25, 35, 65, 80, 90, 100})
        expected << app::SplashScreen::statusTextFor(percent);
    QCOMPARE(start.hooks.splashLog(), expected);
    QVERIFY(!start.hooks.splash());
    QVERIFY(start.form->isVisible());
    QCOMPARE(start.form->height(), 344); // wizard mode by default
    start.form->SetViewMode(false);
    QCOMPARE(start.form->height(), 434);
    QCOMPARE(start.form->width(), 552);

    // The schedule tab and dialog show the same client nodes as the Backup tab.
    const int nodes = int(clients::ClientNodes(*start.tree()).size());
    QVERIFY(nodes >= 11);
    QCOMPARE(int(clients::ClientNodes(*start.child<QTreeWidget>("TreeView2")).size()), nodes);
    auto* dialogTree = start.hooks.scheduleWindow()->findChild<QTreeWidget*>();
    QVERIFY(dialogTree);
    QCOMPARE(int(clients::ClientNodes(*dialogTree).size()), nodes);

    // Nothing chosen yet: the root is selected, the lists are empty.
    QCOMPARE(start.tree()->currentItem()->text(0), QStringLiteral("Email Client"));
    QCOMPARE(start.identities()->count(), 0);
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(start.ui.errors, QStringList{QStringLiteral("Select an e-mail client!")});

    start.click(QStringLiteral("Outlook Express"));
    QCOMPARE(start.form->treeClientCode(), int(clients::kOutlookExpress));
    QCOMPARE(start.child<QLineEdit>("Edit1")->text(),
             start.ctx.settings().backupDir + backup::BackupFileName(clients::kOutlookExpress));
    QVERIFY(start.identities()->count() >= 2);
    QVERIFY(!start.ticks(start.identities()).join(' ').contains('-'));
    QVERIFY(!start.ticks(start.items()).join(' ').contains('-'));

    // Nothing ticked: the backup is refused before anything is written.
    for (int i = 0; i < start.identities()->count(); ++i)
        start.identities()->item(i)->setCheckState(Qt::Unchecked);
    start.ui.errors.clear();
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(start.ui.errors, QStringList{QStringLiteral("No identity selected!")});

    // A drive letter the prefix does not have.
    start.identities()->item(0)->setCheckState(Qt::Checked);
    start.child<QLineEdit>("Edit1")->setText(QStringLiteral("Q:\\nowhere\\a.ebk"));
    start.ui.errors.clear();
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(start.ui.errors,
             QStringList{QStringLiteral("Disk is full. Replace or select other!")});
    start.form->close();
}

// A Netscape version child carries its variant code; closing keeps it with the
// ticks, and the next start selects it again with the same ticks.
void TestMainWindow::closingKeepsTheClientForTheNextStart() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    QStringList identityTicks;
    {
        Start start;
        start.form->SetViewMode(false);
        start.click(QStringLiteral("4.x"));
        QCOMPARE(start.form->treeClientCode(), int(clients::kNetscape4));
        QVERIFY(start.identities()->count() >= 1);
        start.identities()->item(0)->setCheckState(Qt::Unchecked);
        identityTicks = start.ticks(start.identities());
        QCOMPARE(start.form->BackupRequest().clientCode, int(clients::kNetscape4));
        start.form->close();
    }
    Start again;
    QCOMPARE(again.form->treeClientCode(), int(clients::kNetscape4));
    QCOMPARE(again.tree()->currentItem()->text(0), QStringLiteral("4.x"));
    QCOMPARE(again.ticks(again.identities()), identityTicks);
    again.form->close();
}

// "X" and "Y" far off the screen, or negative, still show the whole window.
void TestMainWindow::positionKeptOnScreen() {
    support::SamplePrefix prefix;
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("X"), 100000));
    writeSetting(prefix, platform::RegValue::dword(QStringLiteral("Y"), quint32(-4000)));
    Start start;
    const QRect screen = start.form->screen()->availableGeometry();
    QVERIFY(start.form->x() > screen.width() / 4);
    QVERIFY(start.form->x() + start.form->width() <= screen.right() + 1);
    QCOMPARE(start.form->y(), 0);
    start.form->close();
}

// Captions and messages come from the chosen language file; keys it lacks
// keep the design text.
void TestMainWindow::secondLanguage() {
    support::SamplePrefix prefix;
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/Testish.lng");
    {
        QFile lng(file);
        QVERIFY(lng.open(QIODevice::WriteOnly));
        lng.write("[Language]\r\nLanguage=Testish\r\n\r\n[Messages]\r\n"
                  "Message4=\"Pick a client first\"\r\n\r\n[Form1]\r\nTabSheet1=Sichern\r\n"
                  "Button2=Los!\r\nButton8=Ende\r\n");
    }
    const auto removeFile = qScopeGuard([&] { QFile::remove(file); });
    writeSetting(prefix, platform::RegValue::string(QStringLiteral("Language"), "Testish"));
    Start start;
    start.form->SetViewMode(false);
    auto* tabs = start.child<QTabWidget>("PageControl1");
    QCOMPARE(tabs->tabText(0), QStringLiteral("Sichern"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Restore"));
    QCOMPARE(start.child<QPushButton>("Button2")->text(), QStringLiteral("Los!"));
    QCOMPARE(start.child<QPushButton>("Button8")->text(), QStringLiteral("Ende"));
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(start.ui.errors, QStringList{QStringLiteral("Pick a client first")});
    start.form->close();
}

// "Create BackUp!" opens the progress window, which runs the backup and says
// how it went; the archive is one a ZIP tool accepts.
void TestMainWindow::backupFromTheBackupTab() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    Start start;
    start.form->SetViewMode(false);
    start.click(QStringLiteral("Outlook Express"));
    const QString target = start.child<QLineEdit>("Edit1")->text();
    QString shown;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, &closer, [&] {
        backup::ProgressWindow* progress = start.hooks.progressWindow();
        auto* button1 = progress->findChild<QPushButton*>(QStringLiteral("Button1"));
        if (!progress->isVisible() || button1->property("Tag").toInt() != 1) return;
        closer.stop();
        shown = progress->findChild<QLabel*>(QStringLiteral("Label3"))->text();
        button1->click();
    });
    closer.start();
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(shown, QStringLiteral("Backup succesfully completed."));
    const QString host = *start.ctx.files().hostPath(target);
    QCOMPARE(testsupport::runTool(QStringLiteral("7z"), {QStringLiteral("t"), host}).exitCode, 0);
    start.form->close();
}

void TestMainWindow::missingLibraryEndsBeforeTheWindow() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    app::GuiStartupHooks hooks(nullptr);
    hooks.setRunEventLoop(false);
    const int status =
        app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), {}, prefix.root());
    QCOMPARE(status, 1);
    QCOMPARE(ui.errors, QStringList{QStringLiteral("SQX.DLL not found! Reinstall Quorvel!")});
    QVERIFY(!hooks.splash());
    QVERIFY(!hooks.mainWindow()->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
