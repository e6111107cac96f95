// "Protect backup file with password" on every way a backup is written, read back
// with 7-Zip: off encrypts nothing, on without a usable password writes nothing.
// The file fields are given a host path.

#include "MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/ScopedEnv.h"
#include "support/clients/EudoraSample.h"

#include "app/Password.h"
#include "app/SettingsStore.h"
#include "app/gui/Wizard.h"
#include "backup/BackupFiles.h"
#include "backup/gui/ProgressWindow.h"
#include "clients/Clients.h"
#include "platform/Files.h"
#include "schedule/LastRun.h"
#include "schedule/ScheduleStore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

using Page = app::Wizard::Page;
constexpr int kPlain = 0, kEncrypted = 1, kRefused = 2; // no entry encrypted, some, no archive

class TestProtection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWayOfWriting_data();
    void everyWayOfWriting();
};

void TestProtection::everyWayOfWriting_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("protect");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("expected");
    QTest::newRow("wizard page off") << "wizard page" << false << "secret1" << kPlain;
    QTest::newRow("wizard page on") << "wizard page" << true << "secret1" << kEncrypted;
    QTest::newRow("wizard page empty") << "wizard page" << true << "" << kRefused;
    QTest::newRow("wizard page short") << "wizard page" << true << "abcd" << kRefused;
    QTest::newRow("Backup tab off") << "Backup tab" << false << "secret1" << kPlain;
    QTest::newRow("/b off") << "/b" << false << "secret1" << kPlain;
    QTest::newRow("/b empty") << "/b" << true << "" << kRefused;
    QTest::newRow("/auto off") << "/auto" << false << "secret1" << kPlain;
    QTest::newRow("/auto empty") << "/auto" << true << "" << kRefused;
    QTest::newRow("safety backup off") << "safety backup" << false << "secret1" << kPlain;
}

void TestProtection::everyWayOfWriting() {
    QFETCH(QString, how);
    QFETCH(bool, protect);
    QFETCH(QString, password);
    QFETCH(int, expected);
    support::SamplePrefix prefix;
    support::addEudora(prefix);
    const bool onPage = how == QLatin1String("wizard page");
    auto reg = prefix.registry();
    auto key = reg->open(platform::HKEY_CURRENT_USER, app::SettingsStore::kKeyPath, true).value();
    key.writeInt(QStringLiteral("BackupUsePsw"), protect && !onPage);
    key.writeString(QStringLiteral("BackupPsw"), app::EncodePassword(onPage ? "" : password));
    const QString folder = prefix.root() + QStringLiteral("/typed/");
    for (const char* name : {"ZuveDizizoDir", "BackupDir"})
        key.writeString(QLatin1String(name), prefix.files()->windowsPath(folder) + u'\\');
    schedule::ScheduleStore(*reg).WriteSelected(clients::kEudora, true);
    support::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");

    QStringList args;
    if (how.startsWith(u'/'))
        args = how == QLatin1String("/b") ? QStringList{how, "/c:eudora", "/p:" + folder.chopped(1)}
                                          : QStringList{how};
    testsupport::Start s(args);
    auto next = [&] { s.child<QToolButton>("SpeedButton5")->click(); };
    auto page = [&] { return s.child<QTabWidget>("PageControl2")->currentIndex(); };
    if (how == QLatin1String("Backup tab")) {
        s.form->SetViewMode(false);
        s.click(QStringLiteral("Eudora"));
        s.child<QLineEdit>("Edit1")->setText(folder);
        QTimer closer; // the progress window, once its run is over
        closer.callOnTimeout([&] {
            auto* close = s.hooks.progressWindow()->findChild<QPushButton*>("Button1");
            if (close->isVisible() && close->property("Tag").toInt() == 1) close->click();
        });
        closer.start(20);
        s.child<QPushButton>("Button2")->click();
    } else if (args.isEmpty()) {
        s.child<QToolButton>("SpeedButton7")->click();
        s.child<QRadioButton>("RadioButton7")->click();
        next();
        next();
        auto* field = s.child<QLineEdit>("Edit8");
        field->setText(folder); // the automatic name follows the host path's separator
        Q_EMIT field->editingFinished();
        QCOMPARE(field->text(), folder + backup::BackupFileName(clients::kEudora));
        if (onPage) {
            s.child<QCheckBox>("CheckBox1")->setChecked(protect);
            s.child<QLineEdit>("Edit9")->setText(password);
            s.child<QLineEdit>("Edit10")->setText(password);
        }
        next();
        if (page() == Page::Ready) next();
        if (how == QLatin1String("safety backup")) { // "Before restore - ..." sorts first
            QTRY_COMPARE_WITH_TIMEOUT(page(), int(Page::Done), 20000);
            s.child<QToolButton>("SpeedButton11")->click();
            s.form->wizard().openRestore(folder + backup::BackupFileName(clients::kEudora));
            while (page() < Page::RestoreRunning)
                next();
            QTRY_COMPARE_WITH_TIMEOUT(page(), int(Page::RestoreDone), 60000);
        }
    }
    const QStringList written = QDir(folder).entryList({QStringLiteral("*.ebk")}, QDir::Files);
    const QString flags = testsupport::sevenZipEncryption(folder + written.value(0));
    QCOMPARE(written.isEmpty() ? kRefused : flags.contains(u'+') ? kEncrypted : kPlain, expected);
    if (expected == kRefused && onPage)
        QCOMPARE(s.ui.errors, QStringList{s.ctx.message(QStringLiteral("Message23"))});
    else if (expected == kRefused) // told, never taken for a backup made
        QCOMPARE(s.status, 1);
    if (how == QLatin1String("/auto") && expected == kRefused)
        QVERIFY(schedule::ReadLastRun(*reg, clients::kEudora).failure.contains("password"));
    if (s.form) s.form->close();
}

QTEST_MAIN(TestProtection)
#include "tst_protection.moc"
