// The wizard's restore pages driven as a person would, on a sample prefix:
// a backup the wizard made is chosen in its folder, restored into the client
// or below a folder, and a damaged one ends as a failure in red.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/Noise.h"
#include "support/SamplePrefix.h"
#include "support/clients/EudoraSample.h"

#include "app/gui/Wizard.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "platform/Files.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

using testsupport::Start;

namespace {

using Page = app::Wizard::Page;

struct RestoreRun : Start {
    int page() const { return child<QTabWidget>("PageControl2")->currentIndex(); }
    void next() const { child<QToolButton>("SpeedButton5")->click(); }
    void home() const { child<QToolButton>("SpeedButton11")->click(); }
    QString hostPath(const QString& winPath) const { return *ctx.files().hostPath(winPath); }
    QString eudora(const char* file) const {
        return hostPath(support::eudora::dataFolder(prefix) + QLatin1Char('\\') +
                        QLatin1String(file));
    }
    const support::SamplePrefix& prefix;
    explicit RestoreRun(const support::SamplePrefix& p, const QStringList& args = {})
        : Start(args), prefix(p) {}

    // Eudora backed up through the wizard's own backup pages; the host path
    // of the archive.
    QString backUpEudora(const QString& password = QString()) {
        child<QToolButton>("SpeedButton7")->click();
        child<QRadioButton>("RadioButton7")->click();
        next();
        next();
        const QString target = child<QLineEdit>("Edit8")->text();
        child<QCheckBox>("CheckBox1")->setChecked(!password.isEmpty());
        child<QLineEdit>("Edit9")->setText(password);
        child<QLineEdit>("Edit10")->setText(password);
        next();
        next();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(page(), int(app::Wizard::Done), 20000); }();
        home();
        return hostPath(target);
    }
    // "Restore", then the archive picked in the file list, which must open in
    // the archive's folder (the backup folder).
    void chooseArchive(const QString& host) {
        child<QToolButton>("SpeedButton8")->click();
        QCOMPARE(page(), int(Page::RestoreFile));
        auto* view = child<QListView>("ShellListView1");
        auto* model = qobject_cast<QFileSystemModel*>(view->model());
        QVERIFY(model);
        QCOMPARE(model->filePath(view->rootIndex()), QFileInfo(host).absolutePath());
        QTRY_VERIFY(model->index(host).isValid() &&
                    model->index(host).parent() == view->rootIndex());
        view->setCurrentIndex(model->index(host));
        next();
    }
    // From the ready page: the restore runs inside the click; the last page follows.
    void runRestore() {
        QCOMPARE(page(), int(Page::RestoreReady));
        next();
        QTRY_COMPARE_WITH_TIMEOUT(page(), int(Page::RestoreDone), 60000);
    }
    QString title() const { return child<QLabel>("Label63")->text(); }
    bool red(const char* label) const {
        return child<QLabel>(label)->palette().color(QPalette::WindowText) == QColor(Qt::red);
    }
};

QByteArray contents(const QString& host) {
    QFile f(host);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString& host, const QByteArray& bytes) {
    QFile f(host);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestWizardRestore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveTool(QStringLiteral("7z")))
            QFAIL("7z is needed: tools/install-deps.sh installs it");
    }
    void directRestoreOfTheTickedItems();
    void passwordProtectedIntoAFolder();
    void damagedArchiveIsAFailureInRed();
    void backupOpenedFromTheDesktop();
};

// Every identity and item comes ticked from the manifest; an unticked item
// stays as it is now, a ticked one comes back, and the safety archive is named.
void TestWizardRestore::directRestoreOfTheTickedItems() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    RestoreRun w(prefix);
    const QString archive = w.backUpEudora();
    const QByteArray mailbox = contents(w.eudora("In.mbx"));
    QFile::remove(w.eudora("In.mbx"));
    write(w.eudora("Sigs\\Standard.txt"), "changed since the backup");

    w.chooseArchive(archive);
    QCOMPARE(w.page(), int(Page::RestoreItems));
    auto* items = w.child<QListWidget>("CheckListBox10");
    for (const QString& identity : w.ticks(w.child<QListWidget>("CheckListBox9")))
        QVERIFY(identity.startsWith(u'+'));
    int signatures = -1;
    for (int i = 0; i < items->count(); ++i) {
        QCOMPARE(items->item(i)->checkState(), Qt::Checked);
        if (items->item(i)->text().contains(QLatin1String("ignature"))) signatures = i;
    }
    QVERIFY2(signatures >= 0, qPrintable(w.ticks(items).join(u' ')));
    items->item(signatures)->setCheckState(Qt::Unchecked);
    w.next();
    QCOMPARE(w.page(), int(Page::RestoreLocation));
    QVERIFY(w.child<QRadioButton>("RadioButton19")->isChecked());
    w.next();
    w.runRestore();

    QVERIFY2(!w.red("Label63"), qPrintable(w.child<QLabel>("Label67")->text()));
    QCOMPARE(w.title(), QStringLiteral("Restore completed!"));
    QCOMPARE(w.child<QLabel>("Label64")->text(),
             QStringLiteral("The items selected were succesful restored."));
    QCOMPARE(contents(w.eudora("In.mbx")), mailbox);
    QCOMPARE(contents(w.eudora("Sigs\\Standard.txt")), QByteArray("changed since the backup"));
    const QString safety = w.form->wizard().restoreReport().safetyArchive;
    QVERIFY(!safety.isEmpty());
    QVERIFY(w.child<QLabel>("Label67")->text().contains(safety));
    QVERIFY(QFile::exists(w.hostPath(safety)));
    w.home();
    QCOMPARE(w.page(), int(Page::Welcome));
    w.form->close();
}

// The password window is asked once; the entries land below the folder in
// the archive's layout and the client's files are left alone. An empty
// folder field is refused on the ready page.
void TestWizardRestore::passwordProtectedIntoAFolder() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    RestoreRun w(prefix);
    const QString archive = w.backUpEudora(QStringLiteral("s3cret!"));
    w.ctx.settings().backupPassword.clear();
    w.ui.password = QStringLiteral("s3cret!");
    write(w.eudora("NNdbase.txt"), "mine now");

    w.chooseArchive(archive);
    QCOMPARE(w.ui.passwordAsked, 1);
    QCOMPARE(w.page(), int(Page::RestoreItems));
    w.next();
    w.child<QRadioButton>("RadioButton20")->click();
    auto* field = w.child<QLineEdit>("Edit11");
    QVERIFY(field->isEnabled());
    w.next();
    w.next(); // the empty field
    QCOMPARE(w.ui.errors.takeLast(), QStringLiteral("Disk is full. Replace or select other!"));
    QVERIFY(w.page() != int(Page::RestoreRunning) && w.page() != int(Page::RestoreDone));
    const QString folder =
        QStringLiteral("C:\\users\\") + prefix.userName() + QStringLiteral("\\Documents\\Restored");
    field->setText(folder);
    if (w.page() != int(Page::RestoreReady)) w.next();
    w.runRestore();

    QVERIFY2(!w.red("Label63"), qPrintable(w.child<QLabel>("Label67")->text()));
    QCOMPARE(w.title(), QStringLiteral("Restore completed!"));
    QVERIFY(w.form->wizard().restoreReport().safetyArchive.isEmpty());
    const QStringList placed = w.form->wizard().restoreReport().placed;
    QVERIFY(!placed.isEmpty());
    for (const QString& file : placed)
        QVERIFY2(file.startsWith(w.hostPath(folder) + QLatin1Char('/')), qPrintable(file));
    QCOMPARE(contents(w.eudora("NNdbase.txt")), QByteArray("mine now"));
    w.form->close();
}

// An archive whose data was damaged after it was written: the manifest still
// reads, the check of the entries fails, and the last page says so in red with
// the reason; nothing reads as success.
void TestWizardRestore::damagedArchiveIsAFailureInRed() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    prefix.writeFile(support::eudora::dataFolder(prefix) + QStringLiteral("\\Big.mbx"),
                     support::noise(1 << 20, 3));
    RestoreRun w(prefix);
    const QString archive = w.backUpEudora();
    {
        QFile f(archive);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2);
        f.write(QByteArray(4096, '\0'));
    }
    write(w.eudora("Big.mbx"), "newer mail");

    w.chooseArchive(archive);
    QCOMPARE(w.page(), int(Page::RestoreItems));
    w.next();
    w.next();
    w.runRestore();

    QCOMPARE(w.title(), QStringLiteral("Restore completed with errors:"));
    QVERIFY(w.red("Label63"));
    QVERIFY(w.red("Label64"));
    QVERIFY(!w.child<QLabel>("Label67")->text().isEmpty());
    QVERIFY(w.red("Label67"));
    QVERIFY(!w.form->wizard().restoreReport().ok());
    QCOMPARE(contents(w.eudora("Big.mbx")), QByteArray("newer mail"));
    w.form->close();
}

// "postora <file.ebk>" as the file manager starts it: the items page of that
// archive with the manifest's lists, as "Next >" on the file page gives them;
// a file that is no backup is named in an error and stays chosen on the file page.
void TestWizardRestore::backupOpenedFromTheDesktop() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    QString archive;
    QStringList identities;
    QStringList items;
    {
        RestoreRun w(prefix);
        archive = w.backUpEudora();
        w.chooseArchive(archive);
        QCOMPARE(w.page(), int(Page::RestoreItems));
        identities = w.ticks(w.child<QListWidget>("CheckListBox9"));
        items = w.ticks(w.child<QListWidget>("CheckListBox10"));
        QVERIFY(!items.isEmpty());
        w.form->close();
    }
    {
        RestoreRun opened(prefix, {archive});
        QVERIFY(opened.form->wizardShown());
        QCOMPARE(opened.page(), int(Page::RestoreItems));
        QCOMPARE(opened.ticks(opened.child<QListWidget>("CheckListBox9")), identities);
        QCOMPARE(opened.ticks(opened.child<QListWidget>("CheckListBox10")), items);
        QVERIFY(opened.ui.errors.isEmpty());
        opened.next();
        QCOMPARE(opened.page(), int(Page::RestoreLocation));
        opened.form->close();
    }
    const QString notABackup =
        QFileInfo(archive).absolutePath() + QStringLiteral("/Not a backup.ebk");
    write(notABackup, "plain text, no archive");
    RestoreRun refused(prefix, {notABackup});
    QCOMPARE(refused.page(), int(Page::RestoreFile));
    QCOMPARE(refused.ui.errors.size(), 1);
    QVERIFY2(refused.ui.errors.front().contains(QLatin1String("Not a backup.ebk")),
             qPrintable(refused.ui.errors.front()));
    auto* view = refused.child<QListView>("ShellListView1");
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    QCOMPARE(model->filePath(view->currentIndex()), notABackup);
    refused.form->close();
}

QTEST_MAIN(TestWizardRestore)
#include "tst_wizardrestore.moc"
