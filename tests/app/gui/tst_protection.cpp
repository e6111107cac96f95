// "Protect backup file with password" on every way a backup is written: off
// writes no encrypted entry whatever password is kept; on with no password is
// refused and writes nothing. 7-Zip reads the archives.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/SamplePrefix.h"
#include "support/ScopedEnv.h"
#include "support/clients/EudoraSample.h"

#include "app/Password.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "app/gui/Wizard.h"
#include "backup/BackupFiles.h"
#include "backup/gui/ProgressWindow.h"
#include "clients/Clients.h"
#include "platform/Files.h"
#include "schedule/ScheduleStore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

using testsupport::Start;

namespace {

void store(support::SamplePrefix& prefix, bool protect, const QString& password) {
    auto reg = prefix.registry();
    auto key = reg->open(platform::HKEY_CURRENT_USER, app::SettingsStore::kKeyPath, true).value();
    QVERIFY(key.writeInt(QStringLiteral("BackupUsePsw"), protect ? 1 : 0));
    QVERIFY(key.writeString(QStringLiteral("BackupPsw"), app::EncodePassword(password)));
}

// The wizard's backup pages up to the last one; the page's box and fields
// set as given when setOnPage. The archive's host path.
QString wizardBackup(Start& s, bool setOnPage, bool protect, const QString& password) {
    auto next = [&] { s.child<QToolButton>("SpeedButton5")->click(); };
    s.child<QToolButton>("SpeedButton7")->click();
    s.child<QRadioButton>("RadioButton7")->click();
    next();
    next();
    const QString target = s.child<QLineEdit>("Edit8")->text();
    if (setOnPage) {
        s.child<QCheckBox>("CheckBox1")->setChecked(protect);
        s.child<QLineEdit>("Edit9")->setText(password);
        s.child<QLineEdit>("Edit10")->setText(password);
    }
    next();
    if (s.child<QTabWidget>("PageControl2")->currentIndex() == app::Wizard::Ready) {
        next();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(s.child<QTabWidget>("PageControl2")->currentIndex(),
                                      int(app::Wizard::Done), 20000);
        }();
    }
    return *s.ctx.files().hostPath(target);
}

QString backupTab(Start& s) {
    s.form->SetViewMode(false);
    s.click(QStringLiteral("Eudora"));
    const QString target = s.child<QLineEdit>("Edit1")->text();
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        QWidget* progress = s.hooks.progressWindow();
        auto* close = progress->findChild<QPushButton*>(QStringLiteral("Button1"));
        if (!progress->isVisible() || close->property("Tag").toInt() != 1) return;
        closer.stop();
        close->click();
    });
    closer.start();
    QTest::mouseClick(s.child<QPushButton>("Button2"), Qt::LeftButton);
    return *s.ctx.files().hostPath(target);
}

// "/b" or "/auto" run in this process; status receives the exit status.
QString commandLine(support::SamplePrefix& prefix, const QString& how, int& status) {
    const QString folder = prefix.root() + QStringLiteral("/out");
    QDir().mkpath(folder);
    QStringList args{QStringLiteral("/b"), QStringLiteral("/c:eudora"), "/p:" + folder};
    QString name = backup::BackupFileName(clients::kEudora);
    if (how == QLatin1String("/auto")) {
        auto reg = prefix.registry();
        auto files = prefix.files();
        clients::ClientCatalogue catalogue(*reg, *files);
        QStringList identities, items;
        catalogue.GetIdentitiesAndItems(clients::kEudora, identities, items);
        std::vector<schedule::NamedCheck> ids, its;
        for (const QString& i : identities)
            ids.emplace_back(i, true);
        for (const QString& i : items)
            its.emplace_back(i, true);
        schedule::ScheduleStore schedule(*reg);
        schedule.SaveLists(clients::kEudora, ids, its);
        schedule.WriteSelected(clients::kEudora, true);
        reg->open(platform::HKEY_CURRENT_USER, schedule::ScheduleStore::kSettingsKey, true)
            .value()
            .writeString(QStringLiteral("ZuveDizizoDir"), files->windowsPath(folder));
        args = QStringList{QStringLiteral("/auto")};
        name.clear();
    }
    // No desktop to tell of a failed scheduled backup.
    support::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    testsupport::FakeInteraction ui;
    app::AppContext ctx{ui};
    app::StartupHooks hooks;
    status =
        app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), args, testsupport::binDir());
    const QStringList written = QDir(folder).entryList({QStringLiteral("*.ebk")}, QDir::Files);
    return written.isEmpty() ? folder + QStringLiteral("/none.ebk")
                             : folder + QLatin1Char('/') + written.first();
}

} // namespace

class TestProtection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveTool(QStringLiteral("7z")))
            QFAIL("7z is needed: tools/install-deps.sh installs it");
    }
    void everyWayOfWriting_data();
    void everyWayOfWriting();
    void hostPathsInTheFields_data();
    void hostPathsInTheFields();
};

void TestProtection::everyWayOfWriting_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("protect");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected"); // "plain", "encrypted" or "refused"
    const QString kept = QStringLiteral("secret1");
    QTest::newRow("wizard page off") << "wizard page" << false << kept << "plain";
    QTest::newRow("wizard page on") << "wizard page" << true << kept << "encrypted";
    QTest::newRow("wizard page empty") << "wizard page" << true << QString() << "refused";
    QTest::newRow("wizard page short") << "wizard page" << true << "abcd"
                                       << "refused";
    QTest::newRow("Backup tab off") << "Backup tab" << false << kept << "plain";
    QTest::newRow("/b off") << "/b" << false << kept << "plain";
    QTest::newRow("/b empty") << "/b" << true << QString() << "refused";
    QTest::newRow("/auto off") << "/auto" << false << kept << "plain";
    QTest::newRow("/auto empty") << "/auto" << true << QString() << "refused";
    QTest::newRow("safety backup off") << "safety backup" << false << kept << "plain";
}

void TestProtection::everyWayOfWriting() {
    QFETCH(QString, how);
    QFETCH(bool, protect);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    if (how != QLatin1String("wizard page")) store(prefix, protect, password);
    QString archive;
    int status = 0;
    QStringList errors;
    if (how.startsWith(u'/')) {
        archive = commandLine(prefix, how, status);
    } else {
        Start s;
        if (how == QLatin1String("Backup tab")) {
            archive = backupTab(s);
        } else {
            archive = wizardBackup(s, how == QLatin1String("wizard page"), protect, password);
            if (how == QLatin1String("safety backup")) {
                // A direct restore of that backup writes the safety archive first.
                s.child<QToolButton>("SpeedButton11")->click();
                s.form->wizard().openRestore(archive);
                for (int page : {app::Wizard::RestoreLocation, app::Wizard::RestoreReady,
                                 app::Wizard::RestoreRunning})
                    if (s.child<QTabWidget>("PageControl2")->currentIndex() < page)
                        s.child<QToolButton>("SpeedButton5")->click();
                QTRY_COMPARE_WITH_TIMEOUT(s.child<QTabWidget>("PageControl2")->currentIndex(),
                                          int(app::Wizard::RestoreDone), 60000);
                archive = *s.ctx.files().hostPath(s.form->wizard().restoreReport().safetyArchive);
            }
        }
        errors = s.ui.errors;
        s.form->close();
    }
    if (expected == QLatin1String("refused")) {
        QVERIFY2(!QFile::exists(archive), qPrintable(archive));
        if (how == QLatin1String("wizard page"))
            QCOMPARE(errors, QStringList{QStringLiteral("The password must be at least 5 "
                                                        "characters long")});
        else
            QCOMPARE(status, 1);
        return;
    }
    const QString flags = testsupport::sevenZipEncryption(archive);
    QVERIFY2(!flags.isEmpty(), qPrintable(archive));
    QCOMPARE(flags.contains(u'+'), expected == QLatin1String("encrypted"));
}

// A host path typed into a file or folder field is taken as the folder it
// names (never "Disk is full"), and the field keeps showing it that way.
void TestProtection::hostPathsInTheFields_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("wizard backup file") << "Edit8";
    QTest::newRow("Backup tab file") << "Edit1";
    QTest::newRow("wizard restore folder") << "Edit11";
}

void TestProtection::hostPathsInTheFields() {
    QFETCH(QString, field);
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    Start s;
    auto* edit = s.form->findChild<QLineEdit*>(field);
    auto next = [&] { s.child<QToolButton>("SpeedButton5")->click(); };
    const QString folder = prefix.root() + QStringLiteral("/typed/");
    QString written;
    if (field == QLatin1String("Edit8")) {
        s.child<QToolButton>("SpeedButton7")->click();
        s.child<QRadioButton>("RadioButton7")->click();
        next();
        next();
        edit->setText(folder);
        Q_EMIT edit->editingFinished();
        written = folder + backup::BackupFileName(clients::kEudora);
        QCOMPARE(edit->text(), written);
        next();
        next();
    } else if (field == QLatin1String("Edit1")) {
        s.form->SetViewMode(false);
        s.click(QStringLiteral("Eudora"));
        edit->setText(folder);
        s.click(QStringLiteral("Eudora"));
        written = folder + backup::BackupFileName(clients::kEudora);
        QCOMPARE(edit->text(), written);
        QDir().mkpath(folder);
        backupTab(s);
    } else {
        const QString archive = wizardBackup(s, false, false, QString());
        s.child<QToolButton>("SpeedButton11")->click();
        s.form->wizard().openRestore(archive);
        next();
        s.child<QRadioButton>("RadioButton20")->click();
        edit->setText(folder);
        next();
        next();
        QTRY_COMPARE_WITH_TIMEOUT(s.child<QTabWidget>("PageControl2")->currentIndex(),
                                  int(app::Wizard::RestoreDone), 60000);
        written = s.form->wizard().restoreReport().placed.value(0);
        QVERIFY2(written.startsWith(folder), qPrintable(written));
    }
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(written), qPrintable(s.ui.errors.join(u'\n')), 20000);
    QCOMPARE(s.ui.errors, QStringList());
    s.form->close();
}

QTEST_MAIN(TestProtection)
#include "tst_protection.moc"
