// The progress window on a sample Outlook Express: a finished backup that
// 7-Zip accepts, Abort and the close box in the middle of a large backup, and
// failures that must never read as success.

#include "support/BackupRig.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupJob.h"
#include "backup/gui/ProgressWindow.h"
#include "clients/Clients.h"
#include "lang/EnglishLanguage.h"
#include "lang/MessageTable.h"
#include "platform/Files.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

namespace {

struct Rig : testsupport::BackupRig {
    support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
    bool clientRuns = false;
    backup::BackupJob job{*engine, [this](int) { return clientRuns; }};
    lang::MessageTable messages{*files, ui};
    backup::ProgressWindow form;

    Rig() : BackupRig(QStringLiteral("C:\\Backups\\oe.ebk")) {
        prefix.writeFile(QStringLiteral("C:\\Postora\\English.lng"),
                         lang::englishLanguageLines().join(QStringLiteral("\r\n")).toUtf8());
        messages.SetFileName(QStringLiteral("C:\\Postora\\English.lng"));
        messages.Open();
        form.setJob(&job, &ui, &messages);
        form.setRequestSource([this] {
            QStringList ids;
            QStringList items;
            catalogue.GetIdentitiesAndItems(clients::kOutlookExpress, ids, items);
            backup::JobRequest r;
            r.clientCode = clients::kOutlookExpress;
            r.targetPath = target;
            r.identities = backup::AllTicked(ids);
            r.items = backup::AllTicked(items);
            return r;
        });
        // The progress callback lets the window's events run, as the desktop's does.
        ui.onEvents = [this] {
            QApplication::processEvents();
            if (duringRun) duringRun();
        };
    }

    std::function<void()> duringRun;

    // What the window showed once its backup was over.
    struct Shown {
        QString status, heading, path, button;
        QColor statusColour;
        int bar = -1;
        bool goToFolder = false;
        bool closedItself = false;
    };
    Shown show() {
        Shown s;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!form.isVisible() || form.running() ||
                !button(QStringLiteral("Button2"))->isVisible())
                return;
            poll.stop();
            s.status = label(QStringLiteral("Label3"))->text();
            s.statusColour = label(QStringLiteral("Label3"))->palette().color(QPalette::WindowText);
            s.heading = label(QStringLiteral("Label1"))->text();
            s.path = label(QStringLiteral("Label2"))->text();
            s.button = button(QStringLiteral("Button1"))->text();
            s.bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value();
            s.goToFolder = true;
            QTest::mouseClick(button(QStringLiteral("Button1")), Qt::LeftButton);
        });
        poll.start();
        // Ends the test instead of hanging when the window never finishes.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &form, [this] { form.done(0); });
        guard.start(60000);
        form.ShowModal();
        s.closedItself = !s.goToFolder;
        return s;
    }
    QLabel* label(const QString& name) { return form.findChild<QLabel*>(name); }
    QPushButton* button(const QString& name) { return form.findChild<QPushButton*>(name); }
    QString msg(const char* key) { return messages.GetMessage(QString::fromLatin1(key)); }
    QStringList backupFolder() const {
        return QDir(prefix.hostPath(QStringLiteral("C:\\Backups")))
            .entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z", "bsdtar"); }

    void finishedBackupShowsSuccessAndAnArchiveToolsAccept() {
        Rig rig;
        QCOMPARE(rig.form.objectName(), QStringLiteral("Form2"));
        QCOMPARE(rig.form.size(), QSize(532, 177));
        const Rig::Shown s = rig.show();
        QCOMPARE(s.status, rig.msg("Message18"));
        QCOMPARE(s.statusColour, QColor(Qt::black));
        QCOMPARE(s.heading, rig.msg("Message19"));
        QCOMPARE(s.path, rig.target);
        QCOMPARE(s.button, rig.msg("Message8"));
        QCOMPARE(s.bar, 100);
        QVERIFY(!rig.form.isVisible()); // Close closed it
        QVERIFY(rig.form.outcome().succeeded());
        // No file manager here: "Go to Folder" says so.
        rig.button(QStringLiteral("Button2"))->click();
        QCOMPARE(rig.ui.errors.size(), 1);
        QVERIFY2(rig.ui.errors.front().contains(QStringLiteral("file manager")),
                 qPrintable(rig.ui.errors.front()));
        rig.ui.errors.clear();
        QVERIFY(rig.sevenZipTests());
        QVERIFY(rig.names().contains(QStringLiteral("infobak.ini")));
        QCOMPARE(
            testsupport::runTool(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), rig.archive()})
                .exitCode,
            0);

        // Each showing runs one new backup, starting from the running state.
        rig.prefix.writeFile(rig.oe.annStore + QStringLiteral("\\Later.dbx"), "later");
        QCOMPARE(rig.show().status, rig.msg("Message18"));
        QCOMPARE(rig.names().filter(QStringLiteral("/Later.dbx")).size(), 1);
    }

    // Abort, the close box and Esc stop the run alike: the window stays to say
    // so, and the bar stays where the run stopped.
    void stoppedDuringALargeBackup_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Abort") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Esc") << 2;
    }
    void stoppedDuringALargeBackup() {
        QFETCH(int, how);
        Rig rig;
        // Incompressible, so the writer reports progress many times.
        QByteArray big(24 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(big.data()), big.size() / 4);
        rig.prefix.writeFile(rig.oe.annStore + QStringLiteral("\\Huge.dbx"), big);

        int stopsAsked = 0;
        rig.duringRun = [&] {
            auto* bar = rig.form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
            if (stopsAsked || !rig.form.running() || bar->value() <= 0) return;
            ++stopsAsked;
            if (how == 1)
                rig.form.close();
            else if (how == 2)
                QTest::keyClick(&rig.form, Qt::Key_Escape);
            else
                QTest::mouseClick(rig.button(QStringLiteral("Button1")), Qt::LeftButton);
            QVERIFY(rig.form.isVisible());
        };
        const Rig::Shown s = rig.show();
        QCOMPARE(stopsAsked, 1);
        QCOMPARE(rig.form.outcome().kind, backup::JobOutcome::Kind::Aborted);
        QVERIFY(!rig.form.isVisible());
        QVERIFY(!s.closedItself);
        QCOMPARE(s.status, rig.msg("Message21"));
        QCOMPARE(s.statusColour, QColor(Qt::red));
        QCOMPARE(s.heading, rig.msg("Message22"));
        QVERIFY2(s.bar > 0 && s.bar < 100, qPrintable(QString::number(s.bar)));
        QCOMPARE(rig.backupFolder(), QStringList()); // no archive, no temporary file
    }

    void failuresNeverReadAsSuccess_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("clientRuns");
        QTest::newRow("missing drive") << QStringLiteral("Q:\\Backups\\oe.ebk") << false;
        QTest::newRow("client still running") << QStringLiteral("C:\\Backups\\oe.ebk") << true;
    }
    void failuresNeverReadAsSuccess() {
        QFETCH(QString, target);
        QFETCH(bool, clientRuns);
        Rig rig;
        rig.target = target;
        rig.clientRuns = clientRuns;
        const Rig::Shown s = rig.show();
        QVERIFY(!rig.form.outcome().succeeded());
        QVERIFY2(s.status.startsWith(rig.msg("Message20")), qPrintable(s.status));
        QVERIFY(s.status.size() > rig.msg("Message20").size() + 3); // says why
        QCOMPARE(s.statusColour, QColor(Qt::red));
        QVERIFY(s.heading != rig.msg("Message19"));
        QCOMPARE(rig.backupFolder(), QStringList());
    }
};

QTEST_MAIN(TestForm2)
#include "tst_progresswindow.moc"
