// The wizard driven page by page as a person would, on a sample prefix.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/Noise.h"
#include "support/SamplePrefix.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/EveryClient.h"

#include "app/gui/Wizard.h"
#include "backup/BackupFiles.h"
#include "clients/Clients.h"
#include "platform/Files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

using testsupport::Start;

namespace {

struct WizardRun : Start {
    QTabWidget* pages() const { return child<QTabWidget>("PageControl2"); }
    int page() const { return pages()->currentIndex(); }
    void next() const { child<QToolButton>("SpeedButton5")->click(); }
    void back() const { child<QToolButton>("SpeedButton4")->click(); }
    void chooseClient(const char* radio) const {
        child<QToolButton>("SpeedButton7")->click();
        child<QRadioButton>(radio)->click();
        next();
    }
    QString title() const { return child<QLabel>("Label48")->text(); }
    bool titleRed() const {
        return child<QLabel>("Label48")->palette().color(QPalette::WindowText) == QColor(Qt::red);
    }
    // From page "6": the backup runs inside the click; page "8" follows.
    void runToTheEnd() const {
        next();
        QTRY_COMPARE_WITH_TIMEOUT(page(), int(app::Wizard::Done), 20000);
    }
    QString hostPath(const QString& winPath) const { return *ctx.files().hostPath(winPath); }
};

QStringList leftovers(const QString& hostFolder) {
    QStringList out;
    QDirIterator it(hostFolder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.contains(QLatin1String(".sqxtmp"))) out << name;
    }
    return out;
}

} // namespace

class TestWizard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z"); }
    void eudoraWithPasswordOnFloppyVolumes();
    void choicesAndGoingBack();
    void failedRunThenSuccessfulRun();
    void closingDuringTheBackup();
    void newFolderForTheArchive();
};

void TestWizard::eudoraWithPasswordOnFloppyVolumes() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    prefix.writeFile(support::eudora::dataFolder(prefix) + QStringLiteral("\\Big.mbx"),
                     support::noise(3 << 20, 11));
    WizardRun w;
    w.chooseClient("RadioButton7");
    QCOMPARE(w.page(), int(app::Wizard::Items));
    QCOMPARE(w.form->wizard().currentClientCode(), int(clients::kEudora));
    w.next();
    QCOMPARE(w.page(), int(app::Wizard::File));
    const QString target = w.child<QLineEdit>("Edit8")->text();
    QVERIFY(target.endsWith(backup::BackupFileName(clients::kEudora)));
    w.child<QCheckBox>("CheckBox1")->setChecked(true);
    w.child<QLineEdit>("Edit9")->setText(QStringLiteral("s3cret!"));
    w.child<QLineEdit>("Edit10")->setText(QStringLiteral("s3cret!"));
    w.child<QRadioButton>("RadioButton18")->click();
    w.child<QComboBox>("ComboBox1")->setCurrentIndex(0); // "Floppy Disk (1.44 Mb)"
    w.next();
    QCOMPARE(w.page(), int(app::Wizard::Ready));
    w.ui.confirmAnswers = {true, true, true, true, true}; // each next disk is put in
    w.runToTheEnd();
    QCOMPARE(w.title(), QStringLiteral("Backup completed!"));
    QVERIFY(!w.titleRed());
    QVERIFY2(w.ui.errors.isEmpty(), qPrintable(w.ui.errors.join('\n')));
    const QString first = w.hostPath(target) + QStringLiteral(".001");
    QVERIFY(QFile::exists(w.hostPath(target) + QStringLiteral(".003")));
    const auto tested = testsupport::runTool(
        QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-ps3cret!"), first});
    QVERIFY2(tested.exitCode == 0, qPrintable(tested.output));
    // Without the password the data does not come out.
    QVERIFY(testsupport::runTool(QStringLiteral("7z"),
                                 {QStringLiteral("t"), QStringLiteral("-pwrong"), first})
                .exitCode != 0);
    w.form->close();
}

// The version chooser, the ticks kept when going back, the automatic name,
// and the checks of "Next >".
void TestWizard::choicesAndGoingBack() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    WizardRun w;
    w.chooseClient("RadioButton12"); // Netscape: two layouts in the sample
    auto* versions = w.child<QComboBox>("ComboBox5");
    QCOMPARE(versions->count(), 2);
    const int first = w.form->wizard().currentClientCode();
    QCOMPARE(clients::BaseCode(first), int(clients::kNetscape));
    QVERIFY(first != int(clients::kNetscape));
    versions->setCurrentIndex(1);
    Q_EMIT versions->activated(1);
    const int second = w.form->wizard().currentClientCode();
    QVERIFY(second != first && clients::BaseCode(second) == int(clients::kNetscape));

    auto* items = w.child<QListWidget>("CheckListBox8");
    QVERIFY(items->count() >= 2);
    items->item(0)->setCheckState(Qt::Unchecked);
    w.next();
    QCOMPARE(w.page(), int(app::Wizard::File));
    w.back();
    QCOMPARE(w.page(), int(app::Wizard::Items));
    QCOMPARE(items->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(items->item(1)->checkState(), Qt::Checked);
    w.next();

    auto* file = w.child<QLineEdit>("Edit8");
    file->setText(QStringLiteral("C:\\Backups"));
    Q_EMIT file->editingFinished();
    QCOMPARE(file->text(), QStringLiteral("C:\\Backups\\") + backup::BackupFileName(second));
    file->setText(QStringLiteral("\\\\server\\share\\a.ebk"));
    w.next();
    QCOMPARE(w.page(), int(app::Wizard::File));
    QCOMPARE(w.ui.errors.takeLast(), QStringLiteral("Disk is full. Replace or select other!"));
    w.child<QLineEdit>("Edit9")->setText(QStringLiteral("one"));
    w.next();
    QCOMPARE(w.ui.errors.takeLast(), QStringLiteral("Incorect password!"));
    QVERIFY(w.child<QLineEdit>("Edit10")->text().isEmpty());

    // A client that is not installed: its lists are empty, page "4" stays.
    w.child<QLineEdit>("Edit9")->clear();
    w.back();
    w.back();
    w.child<QRadioButton>("RadioButton9")->click(); // Pegasus
    const bool pegasusInstalled = w.ctx.catalogue().IsClientInstalled(clients::kPegasus);
    if (!pegasusInstalled) {
        w.next();
        w.next();
        QCOMPARE(w.page(), int(app::Wizard::Items));
        QCOMPARE(w.ui.errors.takeLast(), QStringLiteral("You must select at least one identity!"));
    }
    w.form->close();
}

void TestWizard::failedRunThenSuccessfulRun() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    prefix.writeFile(QStringLiteral("C:\\blocker"), QByteArray("a file where a folder should be"));
    WizardRun w;
    w.chooseClient("RadioButton5");
    w.next();
    auto* file = w.child<QLineEdit>("Edit8");
    const QString good = file->text();
    file->setText(QStringLiteral("C:\\blocker\\oe.ebk"));
    w.next();
    w.runToTheEnd();
    QCOMPARE(w.title(), QStringLiteral("Backup completed with errors!"));
    QVERIFY(w.titleRed());
    QVERIFY(!w.child<QLabel>("Label50")->text().isEmpty()); // the reason

    w.child<QToolButton>("SpeedButton11")->click(); // Home
    QCOMPARE(w.page(), int(app::Wizard::Welcome));
    w.chooseClient("RadioButton5");
    w.next();
    file->setText(good);
    w.next();
    w.runToTheEnd();
    QCOMPARE(w.title(), QStringLiteral("Backup completed!"));
    QCOMPARE(w.child<QLabel>("Label49")->text(),
             QStringLiteral("The backup was successfully completed."));
    QVERIFY(!w.titleRed());
    QVERIFY(QFile::exists(w.hostPath(good)));
    w.form->close();
}

// Closing the window while page "7" runs stops the run at its next callback:
// the earlier archive of that name stays as it was, nothing is left beside it,
// and the window closes once the run has stopped.
void TestWizard::closingDuringTheBackup() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    prefix.writeFile(support::eudora::dataFolder(prefix) + QStringLiteral("\\Big.mbx"),
                     support::noise(24 << 20, 5));
    WizardRun w;
    w.chooseClient("RadioButton7");
    w.next();
    const QString target = w.child<QLineEdit>("Edit8")->text();
    const QString host = w.hostPath(target);
    QDir().mkpath(QFileInfo(host).absolutePath());
    {
        QFile earlier(host);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("the archive of an earlier day");
    }
    w.next();
    // The run lets pending events through, as the real window's does.
    w.ui.onEvents = [] { QCoreApplication::processEvents(); };
    QTimer closer;
    closer.setInterval(0);
    connect(&closer, &QTimer::timeout, &closer, [&] {
        if (!w.form->wizard().running()) return;
        closer.stop();
        QVERIFY(!w.form->close()); // refused until the run stops
    });
    closer.start();
    w.next();
    QTRY_VERIFY_WITH_TIMEOUT(!w.form->isVisible(), 20000);
    QVERIFY(!closer.isActive());
    QFile earlier(host);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("the archive of an earlier day"));
    QCOMPARE(leftovers(QFileInfo(host).absolutePath()), QStringList());
}

// A file in a folder that does not exist yet: the backup makes the folder.
void TestWizard::newFolderForTheArchive() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    WizardRun w;
    w.chooseClient("RadioButton5");
    w.next();
    const QString target = QStringLiteral("C:\\users\\") + prefix.userName() +
                           QStringLiteral("\\Documents\\WizOut\\") +
                           backup::BackupFileName(w.form->wizard().currentClientCode());
    QVERIFY(!QFileInfo::exists(QFileInfo(w.hostPath(target)).path()));
    w.child<QLineEdit>("Edit8")->setText(target);
    w.next();
    w.runToTheEnd();
    QVERIFY2(!w.titleRed(), qPrintable(w.child<QLabel>("Label50")->text()));
    QCOMPARE(w.title(), QStringLiteral("Backup completed!"));
    QVERIFY(QFile::exists(w.hostPath(target)));
    w.form->close();
}

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
