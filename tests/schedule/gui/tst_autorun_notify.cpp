// "postora /auto" with one client that is backed up and one that is skipped
// because it runs: the hive then holds the success moment of the first and
// the reason of the second, the schedule editor shows both, and exactly one
// desktop notification names the skipped client (on a private session bus
// with a notification service of the test's own).

#include "clients/ClientTreeModel.h"
#include "clients/Clients.h"
#include "clients/ProcessList.h"
#include "clients/gui/ClientTree.h"
#include "clients/gui/FakeClient.h"
#include "schedule/AutoRunFixture.h"
#include "schedule/CompanionControl.h"
#include "schedule/LastRun.h"
#include "schedule/gui/ScheduleTab.h"

#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTreeWidget>

namespace {

class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
    QStringList bodies;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        Q_UNUSED(app);
        Q_UNUSED(replaces);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        summaries << summary;
        bodies << body;
        return uint(summaries.size());
    }
};

// A session bus of the test's own, ended with the test.
struct PrivateBus {
    QProcess daemon;
    QString address;
    PrivateBus() {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (exe.isEmpty()) return;
        daemon.start(exe, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
        if (daemon.waitForReadyRead(5000)) address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished();
    }
};

} // namespace

class TstAutoRunNotify : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneSucceedsOneSkipped();
};

void TstAutoRunNotify::oneSucceedsOneSkipped() {
    autorun::Fixture fx;
    PrivateBus bus;
    if (bus.address.isEmpty()) QSKIP("dbus-daemon is not installed");
    // After the sample prefix, which points the bus at nothing.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());

    NotificationService service;
    QDBusConnection server = QDBusConnection::connectToBus(bus.address, QStringLiteral("server"));
    QVERIFY(server.isConnected());
    QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                  QDBusConnection::ExportAllSlots));
    QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    const QString program = fx.prefix.root() + QStringLiteral("/program");
    QDir().mkpath(program);
    for (const char* name : {"postora", "libSqx.so"}) {
        const QString from = QStringLiteral(POSTORA_BIN_DIR "/") + QLatin1String(name);
        QVERIFY(QFile::copy(from, program + QLatin1Char('/') + QLatin1String(name)));
        QFile::setPermissions(program + QLatin1Char('/') + QLatin1String(name),
                              QFile::permissions(from));
    }
    testx::FakeClient outlook(fx.prefix.root(), QStringLiteral("outlook.exe"));
    QVERIFY(outlook.isRunning());

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    run.setProcessEnvironment(env);
    run.start(program + QStringLiteral("/postora"), {QStringLiteral("/auto")});
    // The event loop runs meanwhile, so that the service can answer.
    QTRY_VERIFY_WITH_TIMEOUT(run.state() == QProcess::NotRunning, 120000);
    QCOMPARE(run.exitCode(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));

    QCOMPARE(service.bodies.size(), 1);
    // The language file written by the program lacks the new keys: English stands in.
    QVERIFY(!service.summaries[0].isEmpty() && service.summaries[0] != QLatin1String("ERROR"));
    QVERIFY(!service.bodies[0].contains(QLatin1String("ERROR")));
    const QString outlookName = clients::ClientCaption(clients::kOutlook);
    const QString expressName = clients::ClientCaption(clients::kOutlookExpress);
    QVERIFY2(service.bodies[0].contains(outlookName), qPrintable(service.bodies[0]));
    QVERIFY2(!service.bodies[0].contains(expressName), qPrintable(service.bodies[0]));

    // What the run left in the hive, read afresh.
    auto reg = fx.prefix.registry();
    const schedule::LastRun express = schedule::ReadLastRun(*reg, clients::kOutlookExpress);
    const schedule::LastRun skipped = schedule::ReadLastRun(*reg, clients::kOutlook);
    QVERIFY(express.success && !express.lastFailed());
    QVERIFY(QDateTime::currentDateTime().secsTo(*express.success) <= 0);
    QVERIFY(skipped.lastFailed() && !skipped.success);
    QVERIFY(!skipped.failure.isEmpty());
    // The schedule editor shows both.
    clients::ClientCatalogue catalogue(*reg, *fx.fs);
    clients::ProcessList procs;
    base::Settings settings;
    schedule::CompanionControl companion(*reg, *fx.fs, procs, QString(), [](const QString&) {});
    schedule::ScheduleTab tab(
        schedule::ScheduleDeps{*reg, *fx.fs, catalogue, settings, companion, {}});
    tab.resize(600, 400);
    tab.show();
    tab.buildTree(clients::ClientTreeModel(catalogue));
    tab.showTab();
    auto* tree = tab.findChild<QTreeWidget*>(QStringLiteral("TreeView2"));
    QCOMPARE(clients::FindClientNode(*tree, clients::kOutlook)->toolTip(0), skipped.failure);
    QCOMPARE(clients::FindClientNode(*tree, clients::kOutlookExpress)->toolTip(0), QString());
    tab.editor().NodeClicked(clients::FindClientNode(*tree, clients::kOutlookExpress), false);
    QVERIFY(tab.findChild<QLabel*>(QStringLiteral("LastSuccessValue"))->isVisible());
    tab.editor().NodeClicked(clients::FindClientNode(*tree, clients::kOutlook), false);
    QVERIFY(tab.findChild<QLabel*>(QStringLiteral("NoSuccessLabel"))->isVisible());
    QVERIFY(tab.findChild<QLabel*>(QStringLiteral("LastFailureValue"))
                ->text()
                .contains(skipped.failure));
}

QTEST_MAIN(TstAutoRunNotify)
#include "tst_autorun_notify.moc"
