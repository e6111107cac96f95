// The unattended run in a desktop session: Outlook runs with a real X window,
// the guard window lists that window's title, "Cancel" skips Outlook, and
// Outlook Express is still backed up and its older archives thinned out.

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/gui/GuiInteraction.h"
#include "base/Settings.h"
#include "lang/Localization.h"
#include "schedule/AutoRunFixture.h"
#include "support/WhenModal.h"

#include "clients/gui/FakeClient.h"
#include "clients/gui/XServer.h"

#include <QApplication>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {

using support::whenModal;

} // namespace

class TstAutoRunDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void guardWindowThenBackup();
};

void TstAutoRunDesktop::guardWindowThenBackup() {
    testx::XServer x;
    if (!x.isRunning()) QSKIP("Xvfb is not installed");
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", x.display());
    qunsetenv("WAYLAND_DISPLAY");
    auto restore = qScopeGuard([&] {
        if (oldDisplay.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", oldDisplay);
        if (!oldWayland.isEmpty()) qputenv("WAYLAND_DISPLAY", oldWayland);
    });

    autorun::Fixture fx;
    fx.writeOldArchives();
    const QString programHost = fx.prefix.root() + QStringLiteral("/program");
    QVERIFY(QDir().mkpath(programHost));

    testx::FakeClient outlook(fx.prefix.root(), QStringLiteral("outlook.exe"));
    QVERIFY(outlook.isRunning());
    testx::WindowMaker maker(x.display());
    QVERIFY(maker.isOk());
    testx::WindowMaker::Spec spec;
    spec.title = "Inbox - Microsoft Outlook";
    spec.pid = outlook.pid();
    maker.make(spec);

    // Start-up as the program does it, with the windows' interaction.
    app::GuiInteraction gui;
    app::AppContext ctx(gui);
    ctx.settingsStore().InitFolders();
    ctx.settings().programFolder =
        platform::includeTrailingBackslash(ctx.files().windowsPath(programHost));
    ctx.settingsStore().LoadOptionSettings();
    ctx.settingsStore().LoadMainSettings();
    (void)ctx.localization().SelectLanguageFile({});
    QVERIFY(ctx.InitBackupEngine(QStringLiteral(POSTORA_BIN_DIR)));

    QStringList listed;
    QString title;
    whenModal([&](QWidget* w) {
        title = w->windowTitle();
        QListWidget* box = w->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        for (int i = 0; i < box->count(); ++i)
            listed << box->item(i)->text();
        w->findChild<QPushButton*>(QStringLiteral("Button4"))->click(); // Cancel
    });
    QCOMPARE(app::RunAutoCommand(ctx), 1); // Outlook was skipped
    QCOMPARE(title, QStringLiteral("Active windows:"));
    QCOMPARE(listed, QStringList{QStringLiteral("Inbox - Microsoft Outlook")});
    QVERIFY(outlook.isRunning());

    const QString archive = fx.expectedArchive();
    QVERIFY2(QFile::exists(archive), qPrintable(archive));
    // Keep 1: the new archive and the newest older one remain.
    QVERIFY(!QFile::exists(fx.oldest));
    QVERIFY(QFile::exists(fx.older));
    QCOMPARE(QDir(fx.backupsHost).entryList(QDir::Files).size(), 2);

    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (!sevenZip.isEmpty()) {
        QProcess test;
        test.start(sevenZip, {QStringLiteral("t"), archive});
        QVERIFY(test.waitForFinished(30000));
        QCOMPARE(test.exitCode(), 0);
    }
}

QTEST_MAIN(TstAutoRunDesktop)
#include "tst_autorun_desktop.moc"
