// Start-up in its order, through hooks that stand in for the windows: the
// settings, the language file, the backup engine, then the command line or
// the main window.

#include "backup/BackupTestSupport.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/SamplePrefix.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT

    // Records what start-up asks of the windows, in order.
    struct Hooks : app::StartupHooks {
        QStringList calls;
        int mainWindowRuns = 0;
        QString target;
        void splashStatus(int percent) override { calls << QStringLiteral("%1%").arg(percent); }
        void createMainWindow(app::AppContext&) override { calls << QStringLiteral("main"); }
        void fillOptionsTab(app::AppContext& ctx) override {
            // The option set is read by now, the main set not yet.
            calls << QStringLiteral("options:%1")
                         .arg(ctx.settings().backupDir.isEmpty() ? "-" : "dir");
        }
        void createSharedWindow(app::AppContext&) override { calls << QStringLiteral("shared"); }
        void fillMainWindow(app::AppContext& ctx) override {
            calls << QStringLiteral("fill:%1").arg(ctx.engine() ? "engine" : "-");
        }
        void createWindow(app::AppContext&, int percent) override {
            calls << QStringLiteral("window%1").arg(percent);
        }
        void hideSplash() override { calls << QStringLiteral("hide"); }
        int runMainWindow(app::AppContext&, const QString& targetPath) override {
            ++mainWindowRuns;
            target = targetPath;
            return 0;
        }
        QStringList restoresOpened;
        int openRestore(app::AppContext&, const QString& archive) override {
            restoresOpened << archive;
            return 0;
        }
    };

    static QString binDir() {
        return qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR));
    }
    static app::CommandHandlers handlers(QStringList* log) {
        app::CommandHandlers h;
        h.runAuto = [log](app::AppContext&) {
            *log << QStringLiteral("auto");
            return 0;
        };
        h.runUninstall = [log](app::AppContext&) {
            *log << QStringLiteral("uninstall");
            return 0;
        };
        h.trayIcon = [log](bool shown) {
            *log << (shown ? QStringLiteral("tray+") : QStringLiteral("tray-"));
        };
        return h;
    }

private Q_SLOTS:
    void orderWithoutArguments();
    void firstStartWritesDefaults();
    void openWizardWithTarget();
    void backupNamedAloneOpensItsRestore();
    void commandsEndTheProgram();
    void missingLibrary();
};

void TestStartup::orderWithoutArguments() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    Hooks hooks;
    QStringList log;
    QCOMPARE(app::RunProgram(ctx, hooks, handlers(&log), {}, binDir()), 0);
    const QStringList expected = {"0%",       "main",     "options:-", "10%",      "shared",
                                  "15%",      "fill:-",   "20%",       "25%",      "window25",
                                  "35%",      "window35", "65%",       "window65", "80%",
                                  "window80", "90%",      "window90",  "100%",     "hide"};
    QCOMPARE(hooks.calls, expected);
    QCOMPARE(hooks.mainWindowRuns, 1);
    QVERIFY(log.isEmpty()); // no command line, no tray icon
    QVERIFY(ctx.engine());
    QVERIFY(ctx.engine()->library().isLoaded());
    QVERIFY(ctx.staging() && ctx.staging()->isValid());
    QVERIFY(ui.errors.isEmpty());
}

void TestStartup::firstStartWritesDefaults() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    Hooks hooks;
    QStringList log;
    app::RunProgram(ctx, hooks, handlers(&log), {}, binDir());
    auto reg = prefix.registry();
    auto key = reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"));
    QVERIFY(key);
    for (const char* name :
         {"X", "Y", "BackupDir", "Wizard mode", "ZuveDizizo", "ZuveDizizoDir", "Language",
          "MultipleVolumes", "Volumes", "BackupMode", "BackupKeep", "BackupUsePsw", "BackupPsw"})
        QVERIFY2(key->valueExists(QLatin1String(name)), name);
    QVERIFY(ctx.settings().backupDir.endsWith(QLatin1Char('\\')));
    // The language file the message table reads was written to the program folder.
    QVERIFY(ctx.files().fileExists(ctx.settings().programFolder + QStringLiteral("English.lng")));
    QCOMPARE(ctx.message(QStringLiteral("Message16")), QStringLiteral("Access denied!"));
}

void TestStartup::openWizardWithTarget() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    ctx.settings().wizardMode = false;
    Hooks hooks;
    QStringList log;
    QCOMPARE(app::RunProgram(ctx, hooks, handlers(&log), {"/O", "C:\\Backups\\a.ebk"}, binDir()),
             0);
    QCOMPARE(hooks.mainWindowRuns, 1);
    QCOMPARE(hooks.target, QStringLiteral("C:\\Backups\\a.ebk"));
    QVERIFY(ctx.settings().wizardMode);
    QCOMPARE(log, (QStringList{"tray+", "tray-"}));
}

void TestStartup::backupNamedAloneOpensItsRestore() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"Mail 7-12-2026.ebk", "Set.ebk.001"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QStringList log;
    struct Run {
        QString arg;
        int status;
        QString opened;
    };
    // What the file manager passes (a full path) and what a user types (a
    // name in the current folder) open the same archive; nothing else opens.
    const QList<Run> runs = {
        {dir.filePath("Mail 7-12-2026.ebk"), 0, dir.filePath("Mail 7-12-2026.ebk")},
        {"Set.ebk.001", 0, dir.filePath("Set.ebk.001")},
        {"missing.ebk", 1, {}},
        {".", 1, {}},
    };
    for (const Run& run : runs) {
        Hooks hooks;
        QCOMPARE(app::RunProgram(ctx, hooks, handlers(&log), {run.arg}, binDir()), run.status);
        QCOMPARE(hooks.restoresOpened,
                 run.opened.isEmpty() ? QStringList() : QStringList{run.opened});
        QCOMPARE(hooks.mainWindowRuns, 0);
    }
    Hooks hooks;
    QCOMPARE(app::RunProgram(ctx, hooks, handlers(&log), {"Set.ebk.001", "/p:x"}, binDir()), 2);
    QVERIFY(hooks.restoresOpened.isEmpty());
    QVERIFY(QDir::setCurrent(before));

    // A mounted Windows installation is read, never restored into.
    QStringList args = {QStringLiteral("/w:") + dir.path(), dir.filePath("Set.ebk.001")};
    QStringList reported;
    std::optional<platform::WindowsInstallation> chosen;
    QCOMPARE(app::SelectWindowsSource(
                 args, [&](const QString& l) { reported << l; }, chosen),
             2);
    QCOMPARE(reported.size(), 1);
}

void TestStartup::commandsEndTheProgram() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    QStringList log;
    const QList<QPair<QStringList, int>> runs = {
        {{"/AUTO"}, 0},
        {{"/uninstall", "more"}, 0},
        // Naming no known client backs up nothing, and a script must learn it.
        {{"/b", "/c:", "/p:C:\\x"}, 1}};
    for (const auto& [args, status] : runs) {
        Hooks hooks;
        log.clear();
        QCOMPARE(app::RunProgram(ctx, hooks, handlers(&log), args, binDir()), status);
        QCOMPARE(hooks.mainWindowRuns, 0);
        QCOMPARE(log.first(), QStringLiteral("tray+"));
        QCOMPARE(log.last(), QStringLiteral("tray-"));
    }
    QCOMPARE(log.size(), 2); // "/b" naming no client backs up nothing
}

void TestStartup::missingLibrary() {
    support::SamplePrefix prefix;
    testsupport::FakeInteraction ui;
    app::AppContext ctx(ui);
    Hooks hooks;
    QStringList log;
    const int status = app::RunProgram(ctx, hooks, handlers(&log), {}, prefix.root());
    QCOMPARE(status, 1);
    QCOMPARE(ui.errors, QStringList{QStringLiteral("SQX.DLL not found! Reinstall Quorvel!")});
    // Start-up goes through its steps, then the program ends without its window.
    QVERIFY(hooks.calls.contains(QStringLiteral("hide")));
    QCOMPARE(hooks.mainWindowRuns, 0);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
