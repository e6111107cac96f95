// The standard mode's Restore tab on a sample prefix: a backup chosen in its
// tree fills the lists, and "Restore" runs the restore in the restore progress
// window, into the client or below a folder, or holds it back while the
// client runs.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "clients/gui/FakeClient.h"
#include "support/SamplePrefix.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OutlookSample.h"

#include "clients/RunningClientGuard.h"
#include "platform/Files.h"
#include "restore/gui/RestoreProgressWindow.h"

#include <QDirIterator>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeView>

using testsupport::Start;

namespace {

const QString kBackups = QStringLiteral("C:\\tab-backups");

// A client ("eudora") backed up from the command line; the host path of its archive.
QString backUp(const QString& client) {
    Start run(
        {QStringLiteral("/b"), QStringLiteral("/c:") + client, QStringLiteral("/p:") + kBackups});
    const QString folder = *run.ctx.files().hostPath(kBackups);
    QDirIterator it(folder, {QStringLiteral("*.ebk")}, QDir::Files);
    return it.hasNext() ? it.next() : QString();
}

QByteArray contents(const QString& host) {
    QFile f(host);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Tab : Start {
    const support::SamplePrefix& prefix;
    int form3Shown = 0;
    QString form3Status;
    explicit Tab(const support::SamplePrefix& p) : prefix(p) {
        form->SetViewMode(false);
        child<QTabWidget>("PageControl1")->setCurrentWidget(child<QWidget>("TabSheet2"));
    }
    QString hostPath(const QString& winPath) const { return *ctx.files().hostPath(winPath); }
    QString eudora(const char* file) const {
        return hostPath(support::eudora::dataFolder(prefix) + QLatin1Char('\\') +
                        QLatin1String(file));
    }
    void choose(const QString& archive) const {
        auto* tree = child<QTreeView>("ShellTreeView2");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        QVERIFY(model);
        tree->setCurrentIndex(model->index(archive));
    }
    // "Restore"; the restore progress window, if it opens, is closed once its run is over.
    void restore() {
        QTimer closer;
        closer.setInterval(50);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            auto* w =
                qobject_cast<restore::RestoreProgressWindow*>(QApplication::activeModalWidget());
            auto* close = w ? w->findChild<QPushButton*>(QStringLiteral("Button1")) : nullptr;
            if (!close || w->running() || close->text() != QLatin1String("Close")) return;
            ++form3Shown;
            form3Status = w->findChild<QLabel*>(QStringLiteral("Label1"))->text();
            close->click();
        });
        closer.start();
        child<QPushButton>("Button5")->click();
    }
};

} // namespace

class TestRestoreTab : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z"); }

    // The chosen backup's lists come all ticked; Restore puts the files back
    // into the client through the restore progress window.
    void restoresIntoTheClientWithItsWindow() {
        support::SamplePrefix prefix;
        support::addEudora(prefix);
        const QString archive = backUp(QStringLiteral("eudora"));
        QVERIFY(!archive.isEmpty());
        Tab t(prefix);
        const QByteArray mailbox = contents(t.eudora("In.mbx"));
        QVERIFY(QFile::remove(t.eudora("In.mbx")));

        t.choose(archive);
        QVERIFY(t.child<QListWidget>("CheckListBox4")->count() > 0);
        for (auto* list :
             {t.child<QListWidget>("CheckListBox3"), t.child<QListWidget>("CheckListBox4")})
            for (const QString& entry : t.ticks(list))
                QVERIFY2(entry.startsWith(u'+'), qPrintable(entry));
        QVERIFY(t.child<QRadioButton>("RadioButton1")->isChecked());
        t.restore();

        QCOMPARE(t.form3Shown, 1);
        QVERIFY2(t.form->restoreReport().ok(), qPrintable(t.form->restoreReport().error));
        QCOMPARE(contents(t.eudora("In.mbx")), mailbox);
        QVERIFY(t.ui.errors.isEmpty());
    }

    // A custom path gets the files below it; the client's own stay as they are.
    void restoresBelowACustomPath() {
        support::SamplePrefix prefix;
        support::addEudora(prefix);
        const QString archive = backUp(QStringLiteral("eudora"));
        Tab t(prefix);
        QVERIFY(QFile::remove(t.eudora("In.mbx")));

        t.choose(archive);
        t.child<QRadioButton>("RadioButton2")->click();
        QVERIFY(t.child<QLineEdit>("Edit2")->isEnabled());
        t.child<QLineEdit>("Edit2")->setText(QStringLiteral("C:\\restored"));
        t.restore();

        QCOMPARE(t.form3Shown, 1);
        QVERIFY2(t.form->restoreReport().ok(), qPrintable(t.form->restoreReport().error));
        QStringList mailboxes;
        QDirIterator it(t.hostPath(QStringLiteral("C:\\restored")), {QStringLiteral("In.mbx")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            mailboxes << it.next();
        QCOMPARE(mailboxes.size(), 1);
        QVERIFY(!QFile::exists(t.eudora("In.mbx")));
    }

    // The person scrolled the tree away from the backup folder; a folder on
    // its way read again later leaves the view there, and a click selects the
    // folder under the pointer.
    void clickAfterScrollingSelectsTheFolderUnderThePointer() {
        support::SamplePrefix prefix;
        for (int i = 0; i < 60; ++i)
            prefix.makeDir(QStringLiteral("C:\\a-folder-%1").arg(i, 2, 10, QLatin1Char('0')));
        Tab t(prefix);
        auto* tree = t.child<QTreeView>("ShellTreeView2");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        const QString driveC = QDir(prefix.hostPath(QStringLiteral("C:\\"))).absolutePath();
        QTRY_VERIFY(model->rowCount(model->index(driveC)) > 60);
        const auto inView = [tree] {
            const QRect row = tree->visualRect(tree->currentIndex());
            return row.top() >= 0 && row.bottom() < tree->viewport()->height();
        };
        QTRY_VERIFY(inView());

        QCoreApplication::processEvents();
        (void)tree->indexAt(QPoint()); // the rows laid out as they are shown
        tree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        const QPoint pointer(tree->viewport()->width() / 2, tree->viewport()->height() / 2);
        const QPersistentModelIndex under = tree->indexAt(pointer);
        QVERIFY(under.isValid() && under != tree->currentIndex());
        QSignalSpy read(model, &QFileSystemModel::directoryLoaded);
        prefix.makeDir(QStringLiteral("C:\\new folder"));
        QTRY_VERIFY(read.contains(QVariantList{driveC}));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, pointer);
        QCOMPARE(QPersistentModelIndex(tree->currentIndex()), under);
    }

    // A running client is named in the running-client window and, answered
    // with Cancel, nothing is restored and the restore window never opens:
    // also a client that may run while it is backed up.
    void runningClientHeldBack_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("program");
        QTest::newRow("Outlook") << "msoutlook" << clients::GuardedProcessName(2);
        QTest::newRow("Eudora") << "eudora"
                                << "Eudora.exe";
    }
    void runningClientHeldBack() {
        QFETCH(QString, keyword);
        QFETCH(QString, program);
        support::SamplePrefix prefix;
        support::addOutlook(prefix);
        support::addEudora(prefix);
        const QString archive = backUp(keyword);
        QVERIFY(!archive.isEmpty());
        Tab t(prefix);
        testx::FakeClient client(prefix.root(), program);
        QVERIFY(client.isRunning());

        t.choose(archive);
        t.restore();

        QCOMPARE(t.ui.shown.size(), 1);
        QVERIFY(t.ui.restoring);
        QCOMPARE(t.form3Shown, 0);
        QVERIFY(t.form->restoreReport().placed.isEmpty());
        QVERIFY(t.ui.errors.isEmpty());
    }
};

QTEST_MAIN(TestRestoreTab)
#include "tst_restoretab.moc"
