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
#include "lang/LanguageFiles.h"
#include "lang/Localization.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "restore/gui/RestoreProgressWindow.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QGroupBox>
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

// The keys and captions of one section of a language file.
QHash<QString, QString> section(const QByteArray& file, const QString& name) {
    QHash<QString, QString> keys;
    bool inside = false;
    for (const QString& line : platform::fromAnsi(file).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'[')) inside = line == u'[' + name + u']';
        const qsizetype at = line.indexOf(u'=');
        if (inside && at > 0) keys.insert(line.left(at), line.mid(at + 1));
    }
    return keys;
}

// Every caption shown below parent, by its control's name.
QHash<QString, QString> shownCaptions(const QWidget& parent) {
    QHash<QString, QString> shown;
    for (const QWidget* w : parent.findChildren<QWidget*>()) {
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
        if (const auto* group = qobject_cast<const QGroupBox*>(w)) text = group->title();
        if (!text.isEmpty()) shown.insert(w->objectName(), text);
    }
    return shown;
}

} // namespace

class TestWizardRestore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z"); }
    void directRestoreOfTheTickedItems();
    void passwordProtectedIntoAFolder();
    void damagedArchiveIsAFailureInRed();
    void backupOpenedFromTheDesktop();
    void germanCaptions();
    void closingDuringARestoreAsks();
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

// The German language file shipped beside the program: the restore pages, the
// Restore tab and the restore window show its captions and no English one,
// also on the last page after a restore.
void TestWizardRestore::germanCaptions() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    const QString shipped = QStringLiteral(POSTORA_SHIPPING_BIN_DIR "/Deutsch.lng");
    QFile source(shipped);
    QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(shipped));
    const QByteArray german = source.readAll();
    const QString copy = QCoreApplication::applicationDirPath() + QStringLiteral("/Deutsch.lng");
    QFile::remove(copy);
    QVERIFY(QFile::copy(shipped, copy));
    const auto removeCopy = qScopeGuard([&] { QFile::remove(copy); });
    {
        auto reg = prefix.registry();
        auto key = reg->open(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Kelvarn\\Postora"), true);
        QVERIFY(key);
        QVERIFY(key.value().writeValue(
            platform::RegValue::string(QStringLiteral("Language"), QStringLiteral("Deutsch"))));
    }
    const QHash<QString, QString> form1 = section(german, QStringLiteral("Form1"));
    const QHash<QString, QString> english =
        section(lang::englishLanguageFileBytes(), QStringLiteral("Form1"));
    QCOMPARE(section(german, QStringLiteral("Language")).value(QStringLiteral("Language")),
             QStringLiteral("Deutsch"));
    QStringList keys = form1.keys(), englishKeys = english.keys();
    keys.sort();
    englishKeys.sort();
    QCOMPARE(keys, englishKeys);

    RestoreRun w(prefix);
    const auto inGerman = [&](const QWidget& parent) {
        const QHash<QString, QString> shown = shownCaptions(parent);
        QVERIFY(!shown.isEmpty());
        for (auto it = shown.begin(); it != shown.end(); ++it) {
            QVERIFY2(form1.contains(it.key()), qPrintable(it.key() + u' ' + it.value()));
            QCOMPARE(it.value().trimmed(), form1.value(it.key()).trimmed());
            QVERIFY2(it.value() != english.value(it.key()), qPrintable(it.key()));
        }
    };
    for (const char* page : {"TabSheet12", "TabSheet13", "TabSheet14", "TabSheet15", "TabSheet16",
                             "TabSheet17", "TabSheet2"})
        inGerman(*w.child<QWidget>(page));
    QCOMPARE(w.child<QTabWidget>("PageControl1")->tabText(1), form1.value("TabSheet2"));
    for (const char* button : {"SpeedButton4", "SpeedButton5", "SpeedButton11"})
        QCOMPARE(w.child<QToolButton>(button)->text(), form1.value(QLatin1String(button)));

    w.chooseArchive(w.backUpEudora());
    QCOMPARE(w.page(), int(Page::RestoreItems));
    // Items and identities read in German; the backup made in German stores them in English.
    const QHash<QString, QString> messages = section(german, QStringLiteral("Messages"));
    const struct {
        const char* list;
        const char* key;
        QString stored;
    } names[] = {{"CheckListBox9", "IdentityDefault", QStringLiteral("Default")},
                 {"CheckListBox10", "ItemAccounts", QStringLiteral("Accounts Settings")}};
    for (const auto& n : names)
        QCOMPARE(w.child<QListWidget>(n.list)->item(0)->text(),
                 QString(messages.value(QLatin1String(n.key))).remove(u'"'));
    w.next();
    w.child<QRadioButton>("RadioButton20")->click();
    w.child<QLineEdit>("Edit11")->setText(QStringLiteral("C:\\users\\") + prefix.userName() +
                                          QStringLiteral("\\Documents\\Restored"));
    w.next();
    w.runRestore();
    QCOMPARE(w.title(), form1.value("Label63"));
    const restore::RestoreReport& report = w.form->wizard().restoreReport();
    QCOMPARE(report.identities.value(0), names[0].stored);
    QCOMPARE(report.items.value(0), names[1].stored);
    QVERIFY(!report.placed.isEmpty());
    QCOMPARE(w.child<QLabel>("Label64")->text(), form1.value("Label64"));
    // The restore's own lines come from the same file.
    QString restored = section(german, QStringLiteral("Messages")).value("Message46");
    restored.remove(u'"');
    QCOMPARE(w.form->wizard().restoreReport().headline, restored);

    restore::RestoreProgressWindow form3(nullptr, &w.ctx.localization().captions());
    const QHash<QString, QString> form3Keys = section(german, QStringLiteral("Form3"));
    const QHash<QString, QString> form3Shown = shownCaptions(form3);
    for (const QString& control :
         {QStringLiteral("Button1"), QStringLiteral("Label1"), QStringLiteral("Label2")})
        QCOMPARE(form3Shown.value(control), form3Keys.value(control));
    w.form->close();
}

// Closing the window while a restore runs asks first; "No" lets it run on,
// "Yes" stops it before its next file, and the person is told where the state
// before the restore is kept.
void TestWizardRestore::closingDuringARestoreAsks() {
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    RestoreRun w(prefix);
    w.chooseArchive(w.backUpEudora());
    w.next();
    w.next();
    w.ui.confirmAnswers = {false, true};
    int closes = 0;
    w.ui.onEvents = [&] {
        if (closes < 2 && w.form->wizard().restoring() && ++closes) w.form->close();
    };
    w.next();
    QTRY_COMPARE_WITH_TIMEOUT(w.ui.warnings.size(), 1, 60000);
    QCOMPARE(w.ui.prompts.size(), 2);
    const restore::RestoreReport& r = w.form->wizard().restoreReport();
    QVERIFY(r.aborted);
    QVERIFY(!r.safetyArchive.isEmpty());
    QVERIFY2(w.ui.warnings.first().contains(r.safetyArchive), qPrintable(w.ui.warnings.first()));
}

QTEST_MAIN(TestWizardRestore)
#include "tst_wizardrestore.moc"
