// The options tab and the options dialog: Save's two refusals, what Save
// writes, unsaved changes kept out of backups, the keep field, and the
// language list switching the captions of an open window.

#include "app/gui/MainWindowStart.h"
#include "backup/BackupTestSupport.h"
#include "support/clients/EveryClient.h"

#include "app/Password.h"
#include "app/SettingsStore.h"
#include "backup/gui/ProgressWindow.h"
#include "base/Settings.h"
#include "clients/gui/WidgetCaptionControl.h"
#include "lang/LanguageFiles.h"
#include "lang/Localization.h"
#include "options/gui/OptionsDialog.h"
#include "options/gui/OptionsTab.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/FakeInteraction.h"
#include "support/FindChild.h"
#include "support/SamplePrefix.h"
#include "support/WhenModal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using platform::HKEY_CURRENT_USER;

namespace {

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

// A program hive with options already saved once, and a program folder with
// English and a second language.
struct Rig {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Files> fs = prefix.files();
    std::unique_ptr<platform::Registry> reg = prefix.registry();
    testsupport::FakeInteraction ui;
    app::SettingsStore store{*reg, *fs};
    QString programHost = prefix.root() + QStringLiteral("/program");

    Rig() {
        QDir().mkpath(programHost);
        QFile de(programHost + QStringLiteral("/Deutsch.lng"));
        if (de.open(QIODevice::WriteOnly))
            de.write("[Language]\r\nLanguage=Deutsch\r\n[Form9]\r\nLabel7=Sprache\r\n"
                     "Button7=Vorgaben\r\n");
        de.close();
        store.InitFolders();
        store.settings().programFolder =
            platform::includeTrailingBackslash(fs->windowsPath(programHost));
        (void)lang::writeEnglishLanguageFile(*fs, store.settings().programFolder);
        store.LoadOptionSettings();
        store.LoadMainSettings();
    }
    std::function<QString(const QString&)> message() {
        return [](const QString& key) { return key; };
    }
    platform::RegKey key() {
        return reg->open(HKEY_CURRENT_USER, app::SettingsStore::kKeyPath).value();
    }
    // Every value of the settings key, as a person could compare them.
    QMap<QString, QByteArray> values() {
        QMap<QString, QByteArray> out;
        const platform::RegKey k = key();
        for (const QString& name : k.valueNames())
            out[name] = k.readString(name).value_or(QString()).toUtf8() +
                        QByteArray::number(k.readInt(name).value_or(-1));
        return out;
    }
};

void setPassword(QWidget* editor, bool protect, const QString& first, const QString& second) {
    child<QCheckBox>(editor, "CheckBox5")->setChecked(protect);
    child<QLineEdit>(editor, "Edit6")->setText(first);
    child<QLineEdit>(editor, "Edit7")->setText(second);
}

} // namespace

class TstOptionsEditors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void passwordRefusalsWriteNothing();
    void saveWritesModeKeepAndFormerMode();
    void unsavedOptionsNeverReachABackup();
    void keepFieldAndFormerModeTick();
    void languageListSwitchesOpenWindow();
};

void TstOptionsEditors::passwordRefusalsWriteNothing() {
    Rig rig;
    base::Settings& s = rig.store.settings();
    s.backupPassword = QStringLiteral("former1");
    s.backupUsePsw = true;
    QVERIFY(rig.store.SaveOptionSettings({false, true, false, 3}));
    const auto before = rig.values();

    // On the tab: four characters with protection on.
    options::OptionsTab tab(rig.store, rig.ui, rig.message());
    tab.fill();
    tab.showTab();
    setPassword(&tab, true, QStringLiteral("abcd"), QStringLiteral("abcd"));
    child<QPushButton>(&tab, "Button1")->click();
    QCOMPARE(rig.ui.errors, QStringList{QStringLiteral("Message23")});
    QCOMPARE(s.backupPassword, QStringLiteral("former1"));
    QCOMPARE(rig.values(), before);

    // Fields that differ: refused even with protection off; the repetition is emptied.
    rig.ui.clear();
    setPassword(&tab, false, QStringLiteral("abcdef"), QStringLiteral("abcdeg"));
    child<QPushButton>(&tab, "Button1")->click();
    QCOMPARE(rig.ui.errors, QStringList{QStringLiteral("Message6")});
    QCOMPARE(child<QLineEdit>(&tab, "Edit7")->text(), QString());
    QCOMPARE(child<QLineEdit>(&tab, "Edit6")->text(), QStringLiteral("abcdef"));
    QCOMPARE(rig.values(), before);

    // The dialog refuses the same, then closes showing the password in memory.
    rig.ui.clear();
    s.backupUsePsw = true;
    options::OptionsDialog dialog(rig.store, rig.ui, rig.message());
    support::whenModal([](QWidget* w) {
        setPassword(w, true, QStringLiteral("abcd"), QStringLiteral("abcd"));
        child<QPushButton>(w, "Button1")->click();
    });
    dialog.exec();
    QCOMPARE(rig.ui.errors, QStringList{QStringLiteral("Message23")});
    QVERIFY(!dialog.isVisible());
    QCOMPARE(child<QLineEdit>(&dialog, "Edit6")->text(), QStringLiteral("former1"));
    QCOMPARE(s.backupPassword, QStringLiteral("former1"));
    QCOMPARE(rig.values(), before);
}

void TstOptionsEditors::saveWritesModeKeepAndFormerMode() {
    Rig rig;
    rig.store.settings().backupMode = base::BackupMode::Overwrite;
    options::OptionsDialog dialog(rig.store, rig.ui, rig.message());
    support::whenModal([](QWidget* w) {
        child<QRadioButton>(w, "RadioButton4")->click();
        child<QCheckBox>(w, "CheckBox4")->setChecked(true);
        child<QLineEdit>(w, "Edit5")->setText(QStringLiteral("5"));
        setPassword(w, false, QStringLiteral("x1"), QStringLiteral("x1"));
        child<QRadioButton>(w, "RadioButton15")->click();
        child<QComboBox>(w, "ComboBox4")->setCurrentIndex(1);
        child<QPushButton>(w, "Button1")->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(rig.ui.errors.isEmpty());
    platform::RegKey key = rig.key();
    QCOMPARE(key.readInt(QStringLiteral("BackupMode")), 3);
    QCOMPARE(key.readInt(QStringLiteral("BackupKeep")), 5);
    QCOMPARE(key.readInt(QStringLiteral("OldBackupMode")), 1);
    QCOMPARE(key.readInt(QStringLiteral("MultipleVolumes")), 1);
    QCOMPARE(key.readInt(QStringLiteral("Volumes")), 1);

    // The next start reads back what was saved, the short unprotected password included.
    app::SettingsStore next(*rig.reg, *rig.fs);
    next.LoadOptionSettings();
    QCOMPARE(next.settings().backupPassword, QStringLiteral("x1"));
    QCOMPARE(int(next.settings().backupMode), 3);
}

// Options changed on the tab or in the dialog but not saved never reach a
// backup: "Restore to default" left unsaved on the tab, or followed by Cancel in
// the dialog, and a refused short password all leave the stored password in
// use, and the next backup is encrypted with it.
void TstOptionsEditors::unsavedOptionsNeverReachABackup() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    {
        auto reg = prefix.registry();
        auto key = reg->open(HKEY_CURRENT_USER, app::SettingsStore::kKeyPath, true).value();
        QVERIFY(key.writeInt(QStringLiteral("BackupUsePsw"), 1));
        QVERIFY(key.writeString(QStringLiteral("BackupPsw"),
                                app::EncodePassword(QStringLiteral("secret1"))));
        QVERIFY(key.writeInt(QStringLiteral("MultipleVolumes"), 0));
    }
    testsupport::Start start;
    start.form->SetViewMode(false);
    const base::Settings& s = start.ctx.settings();
    QCOMPARE(s.backupPassword, QStringLiteral("secret1"));
    auto* tabs = start.child<QTabWidget>("PageControl1");
    QWidget* tab = &start.form->optionsTab();

    // The tab: defaults shown, not saved, tab left.
    tabs->setCurrentIndex(3);
    child<QRadioButton>(tab, "RadioButton15")->click();
    child<QPushButton>(tab, "Button7")->click();
    QCOMPARE(child<QLineEdit>(tab, "Edit6")->text(), QString());
    QVERIFY(!child<QCheckBox>(tab, "CheckBox5")->isChecked());
    tabs->setCurrentIndex(0);
    QCOMPARE(s.backupPassword, QStringLiteral("secret1"));
    QVERIFY(s.backupUsePsw && !s.multipleVolumes);

    // A short password refused: the fields show the one still in use.
    tabs->setCurrentIndex(3);
    setPassword(tab, true, QStringLiteral("abcd"), QStringLiteral("abcd"));
    child<QPushButton>(tab, "Button1")->click();
    QCOMPARE(start.ui.errors, QStringList{start.ctx.message(QStringLiteral("Message23"))});
    QCOMPARE(child<QLineEdit>(tab, "Edit6")->text(), QStringLiteral("secret1"));
    QCOMPARE(child<QLineEdit>(tab, "Edit7")->text(), QStringLiteral("secret1"));
    tabs->setCurrentIndex(0);

    // The dialog: defaults, then Cancel.
    options::OptionsDialog* dialog = start.hooks.optionsWindow();
    support::whenModal([](QWidget* w) {
        child<QRadioButton>(w, "RadioButton15")->click();
        child<QPushButton>(w, "Button7")->click();
        child<QPushButton>(w, "Button2")->click();
    });
    QCOMPARE(dialog->exec(), int(QDialog::Rejected));
    QCOMPARE(s.backupPassword, QStringLiteral("secret1"));
    QVERIFY(s.backupUsePsw && !s.multipleVolumes);
    QCOMPARE(int(s.backupMode), 2);

    // The next backup: one archive, every entry encrypted, as 7-Zip lists it.
    start.click(QStringLiteral("Outlook Express"));
    const QString target = start.child<QLineEdit>("Edit1")->text();
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, &closer, [&] {
        QWidget* progress = start.hooks.progressWindow();
        auto* close = progress->findChild<QPushButton*>(QStringLiteral("Button1"));
        if (!progress->isVisible() || close->property("Tag").toInt() != 1) return;
        closer.stop();
        close->click();
    });
    closer.start();
    QTest::mouseClick(start.child<QPushButton>("Button2"), Qt::LeftButton);
    const QString host = *start.ctx.files().hostPath(target);
    const testsupport::ToolResult listed = testsupport::runTool(
        QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-ba"),
                               QStringLiteral("-psecret1"), host});
    QCOMPARE(listed.exitCode, 0);
    const QString& text = listed.output;
    QVERIFY2(text.count(QStringLiteral("Encrypted = +")) >= 2, qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("Encrypted = -")), qPrintable(text));
    start.form->close();
}

void TstOptionsEditors::keepFieldAndFormerModeTick() {
    Rig rig;
    base::Settings& s = rig.store.settings();
    s.backupMode = base::BackupMode::Overwrite;
    s.oldBackupMode = base::BackupMode::KeepLast;
    s.volumes = base::VolumeMedia(9); // out of range in memory: the list shows the default

    options::OptionsTab tab(rig.store, rig.ui, rig.message());
    tab.show();
    tab.fill();
    tab.showTab();
    // The tab shows the former mode's tick under "Overwrite", disabled.
    QVERIFY(child<QRadioButton>(&tab, "RadioButton3")->isChecked());
    QVERIFY(child<QCheckBox>(&tab, "CheckBox4")->isChecked());
    QVERIFY(!child<QCheckBox>(&tab, "CheckBox4")->isEnabled());
    QCOMPARE(child<QComboBox>(&tab, "ComboBox4")->currentIndex(), 4);

    // The keep field takes digits only and turns empty into 1 when left.
    child<QRadioButton>(&tab, "RadioButton4")->click();
    QLineEdit* keep = child<QLineEdit>(&tab, "Edit5");
    QVERIFY(QTest::qWaitForWindowActive(&tab));
    keep->setFocus();
    keep->clear();
    QTest::keyClicks(keep, QStringLiteral("a-7x"));
    QCOMPARE(keep->text(), QStringLiteral("7"));
    keep->clear();
    child<QLineEdit>(&tab, "Edit6")->setEnabled(true);
    child<QLineEdit>(&tab, "Edit6")->setFocus();
    QTRY_COMPARE(keep->text(), QStringLiteral("1"));
}

void TstOptionsEditors::languageListSwitchesOpenWindow() {
    Rig rig;
    lang::Localization loc(*rig.fs, rig.ui, rig.store.settings());
    options::OptionsDialog dialog(rig.store, rig.ui, rig.message());
    options::OptionsTab tab(rig.store, rig.ui, rig.message());
    QObject::connect(&tab, &options::OptionsTab::languageChosen, [&](const QString& name) {
        loc.SwitchLanguage(name, clients::CaptionWindows());
    });
    (void)loc.SelectLanguageFile(clients::CaptionWindows());
    QCOMPARE(child<QLabel>(&dialog, "Label7")->text(), QStringLiteral("Language"));
    tab.fill();

    QComboBox* list = child<QComboBox>(&tab, "ComboBox2");
    const int deutsch = list->findText(QStringLiteral("Deutsch"));
    QVERIFY(deutsch >= 0);
    QVERIFY(rig.ui.warnings.isEmpty());
    list->setCurrentIndex(deutsch);
    QCOMPARE(child<QLabel>(&dialog, "Label7")->text(), QStringLiteral("Sprache"));
    QCOMPARE(child<QPushButton>(&dialog, "Button7")->text(), QStringLiteral("Vorgaben"));
    QCOMPARE(rig.store.settings().language, QStringLiteral("Deutsch"));
    // Filling the list again from memory switches nothing.
    tab.fill();
    QCOMPARE(list->currentText(), QStringLiteral("Deutsch"));
    QVERIFY(rig.ui.warnings.isEmpty());
}

QTEST_MAIN(TstOptionsEditors)
#include "tst_optionseditors.moc"
