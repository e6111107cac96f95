// The settings store over a sample prefix and program hive: first start,
// values already there, unusable values, saves and the last client.

#include "app/Password.h"
#include "app/SettingsStore.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/OleDate.h"
#include "platform/Registry.h"
#include "support/SamplePrefix.h"

#include <QTest>

using namespace app;
using namespace base;
using platform::HKEY_CURRENT_USER;

namespace {

const QString kShellFolders =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kDocs = QStringLiteral("C:\\users\\jane\\Documents");

// A prefix, its registry and files, and a store over them.
struct Fixture {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Registry> reg;
    std::unique_ptr<platform::Files> fs;
    std::unique_ptr<SettingsStore> store;

    explicit Fixture(bool withPersonal = true) {
        if (withPersonal)
            prefix.setString(HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Personal"), kDocs);
        else
            prefix.removeValue(HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Personal"));
        prefix.save();
        reg = prefix.registry();
        fs = prefix.files();
        store = std::make_unique<SettingsStore>(*reg, *fs);
    }
    // The program's key as a later run sees it.
    platform::RegKey stored() {
        fresh = prefix.registry();
        return fresh->open(HKEY_CURRENT_USER, SettingsStore::kKeyPath).value();
    }
    void preset(const platform::RegValue& v) {
        auto key = reg->open(HKEY_CURRENT_USER, SettingsStore::kKeyPath, true);
        QVERIFY(key);
        QVERIFY(key.value().writeValue(v));
    }
    void startUp() {
        store->InitFolders();
        store->LoadOptionSettings();
        store->LoadMainSettings();
    }
    std::unique_ptr<platform::Registry> fresh;
};

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWritesEveryDefault() {
        Fixture f;
        f.startUp();
        const Settings& s = f.store->settings();
        QCOMPARE(s.documentsFolder, kDocs + QLatin1Char('\\'));
        QVERIFY(s.programFolder.endsWith(QLatin1Char('\\')));

        platform::RegKey key = f.stored();
        QCOMPARE(key.readInt(QStringLiteral("X")), 227);
        QCOMPARE(key.readInt(QStringLiteral("Y")), 161);
        QCOMPARE(key.readString(QStringLiteral("BackupDir")), kDocs + QStringLiteral("\\"));
        QCOMPARE(key.readInt(QStringLiteral("Wizard mode")), 1);
        QCOMPARE(key.readInt(QStringLiteral("ZuveDizizo")), 0);
        QCOMPARE(key.readString(QStringLiteral("ZuveDizizoDir")),
                 kDocs + QStringLiteral("\\ZuveDizizo\\"));
        QCOMPARE(key.readInt(QStringLiteral("BackupPeriod")), 3);
        QCOMPARE(key.readInt(QStringLiteral("BackupInterval")), 2);
        QCOMPARE(key.readString(QStringLiteral("Language")), QStringLiteral("English"));
        QCOMPARE(key.readInt(QStringLiteral("MultipleVolumes")), 0);
        QCOMPARE(key.readInt(QStringLiteral("Volumes")), 4);
        QCOMPARE(key.readInt(QStringLiteral("BackupMode")), 2);
        QCOMPARE(key.readInt(QStringLiteral("OldBackupMode")), 3);
        QCOMPARE(key.readInt(QStringLiteral("BackupKeep")), 3);
        QCOMPARE(key.readInt(QStringLiteral("BackupUsePsw")), 0);
        QCOMPARE(key.readString(QStringLiteral("BackupPsw")), QString());
        QVERIFY(!key.valueExists(QStringLiteral("LastBackupDate")));

        // The time is stored without the day, the day without the time.
        const auto time = key.readBinary(QStringLiteral("BackupTime"));
        const auto day = key.readBinary(QStringLiteral("BackupDate"));
        QVERIFY(time && time->size() == 8 && day && day->size() == 8);
        const double t = platform::toOleDate(*platform::oleDateFromBytes(*time));
        const double d = platform::toOleDate(*platform::oleDateFromBytes(*day));
        QVERIFY(t >= 0.0 && t < 1.0);
        QCOMPARE(d, double(qint64(d)));
        QCOMPARE(platform::fromOleDate(d).date(), QDate::currentDate());
    }

    void documentsFallBackToTheHost() {
        Fixture f(false);
        f.startUp();
        const QString docs = f.store->settings().documentsFolder;
        QCOMPARE(docs, f.prefix.drives().toWindows(platform::documentsFallbackHost()) +
                           QLatin1Char('\\'));
        QVERIFY(docs.size() > 3);
        QCOMPARE(f.stored().readString(QStringLiteral("BackupDir")), docs);
    }

    void storedValuesAreKept() {
        Fixture f;
        f.preset(platform::RegValue::dword(QStringLiteral("X"), 10));
        f.preset(platform::RegValue::dword(QStringLiteral("Wizard mode"), 0));
        f.preset(platform::RegValue::dword(QStringLiteral("MultipleVolumes"), 7));
        f.preset(
            platform::RegValue::string(QStringLiteral("BackupDir"), QStringLiteral("D:\\B\\")));
        f.preset(platform::RegValue::dword(QStringLiteral("BackupMode"), 3));
        f.preset(platform::RegValue::string(QStringLiteral("Language"), QStringLiteral("Deutsch")));
        f.startUp();
        const Settings& s = f.store->settings();
        QCOMPARE(s.x, 10);
        QCOMPARE(s.wizardMode, false);
        QCOMPARE(s.multipleVolumes, true); // any non-zero number is true
        QCOMPARE(s.backupDir, QStringLiteral("D:\\B\\"));
        QCOMPARE(int(s.backupMode), 3);
        QCOMPARE(s.language, QStringLiteral("Deutsch"));
        QCOMPARE(f.stored().readInt(QStringLiteral("MultipleVolumes")), 7);
    }

    void emptyFoldersAreReplaced() {
        Fixture f;
        f.preset(platform::RegValue::string(QStringLiteral("BackupDir"), QString()));
        f.preset(platform::RegValue::string(QStringLiteral("ZuveDizizoDir"), QString()));
        f.startUp();
        QCOMPARE(f.store->settings().backupDir, kDocs + QStringLiteral("\\"));
        QCOMPARE(f.stored().readString(QStringLiteral("BackupDir")), kDocs + QStringLiteral("\\"));
        QCOMPARE(f.stored().readString(QStringLiteral("ZuveDizizoDir")),
                 kDocs + QStringLiteral("\\ZuveDizizo\\"));
    }

    void scheduleFolderGetsItsBackslashInMemoryOnly() {
        Fixture f;
        f.preset(platform::RegValue::string(QStringLiteral("ZuveDizizoDir"),
                                            QStringLiteral("E:\\Nightly")));
        f.startUp();
        QCOMPARE(f.store->settings().scheduleDir, QStringLiteral("E:\\Nightly\\"));
        QCOMPARE(f.stored().readString(QStringLiteral("ZuveDizizoDir")),
                 QStringLiteral("E:\\Nightly"));
        QVERIFY(f.store->SaveMainSettings(300, 40));
        QCOMPARE(f.stored().readString(QStringLiteral("ZuveDizizoDir")),
                 QStringLiteral("E:\\Nightly\\"));
        QCOMPARE(f.stored().readInt(QStringLiteral("X")), 300);
        QCOMPARE(f.stored().readInt(QStringLiteral("Y")), 40);
    }

    void unusableValuesAreReset() {
        Fixture f;
        f.preset(platform::RegValue::string(QStringLiteral("X"), QStringLiteral("12")));
        f.preset(platform::RegValue::dword(QStringLiteral("BackupKeep"), 0));
        f.preset(platform::RegValue::dword(QStringLiteral("Volumes"), 9));
        f.preset(platform::RegValue::binary(QStringLiteral("BackupTime"), QByteArray("\1\2\3")));
        f.startUp();
        const Settings& s = f.store->settings();
        QCOMPARE(s.x, 227);
        QCOMPARE(s.backupKeep, 3);
        QCOMPARE(int(s.volumes), 4);
        QVERIFY(s.backupTime.isValid());
        platform::RegKey key = f.stored();
        QCOMPARE(key.readInt(QStringLiteral("X")), 227);
        QCOMPARE(key.readInt(QStringLiteral("BackupKeep")), 3);
        QCOMPARE(key.readBinary(QStringLiteral("BackupTime"))->size(), 8);
    }

    void garbagePasswordIsLeftUntilSaved_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("not hex") << QStringLiteral("hello world!");
        QTest::newRow("too long") << QStringLiteral("AB").repeated(400);
        QTest::newRow("inconsistent") << QStringLiteral("0D616E7B000000000000000000000700");
    }
    void garbagePasswordIsLeftUntilSaved() {
        QFETCH(QString, stored);
        Fixture f;
        f.preset(platform::RegValue::string(QStringLiteral("BackupPsw"), stored));
        f.startUp();
        QCOMPARE(f.store->settings().backupPassword, QString());
        QCOMPARE(f.stored().readString(QStringLiteral("BackupPsw")), stored);
        f.store->settings().backupPassword = QStringLiteral("secret1");
        QVERIFY(f.store->SaveOptionSettings({false, true, false, 3}));
        const QString saved = *f.stored().readString(QStringLiteral("BackupPsw"));
        QCOMPARE(DecodePassword(saved), QStringLiteral("secret1"));
    }

    void savingOptions() {
        Fixture f;
        f.startUp();
        Settings& s = f.store->settings();
        QCOMPARE(int(s.backupMode), 2);
        s.backupPassword = QStringLiteral("Tr0ub4dor");
        s.backupUsePsw = true;
        s.volumes = VolumeMedia::Zip100;
        QVERIFY(f.store->SaveOptionSettings({false, true, true, 5}));
        platform::RegKey key = f.stored();
        QCOMPARE(key.readInt(QStringLiteral("BackupMode")), 3);
        QCOMPARE(key.readInt(QStringLiteral("OldBackupMode")), 2);
        QCOMPARE(key.readInt(QStringLiteral("BackupKeep")), 5);
        QCOMPARE(key.readInt(QStringLiteral("BackupUsePsw")), 1);
        QCOMPARE(key.readInt(QStringLiteral("Volumes")), 1);
        const QString first = *key.readString(QStringLiteral("BackupPsw"));
        QCOMPARE(int(s.oldBackupMode), 2);

        QVERIFY(f.store->SaveOptionSettings({true, false, false, 0}));
        key = f.stored();
        QCOMPARE(key.readInt(QStringLiteral("BackupMode")), 1);
        QCOMPARE(key.readInt(QStringLiteral("OldBackupMode")), 3);
        QCOMPARE(key.readInt(QStringLiteral("BackupKeep")), 1);
        const QString second = *key.readString(QStringLiteral("BackupPsw"));
        QVERIFY(first != second);
        QCOMPARE(DecodePassword(first), QStringLiteral("Tr0ub4dor"));
        QCOMPARE(DecodePassword(second), QStringLiteral("Tr0ub4dor"));

        // A later start reads back what was saved.
        auto reg = f.prefix.registry();
        SettingsStore again(*reg, *f.fs);
        again.InitFolders();
        again.LoadOptionSettings();
        QCOMPARE(again.settings().backupPassword, QStringLiteral("Tr0ub4dor"));
        QCOMPARE(int(again.settings().backupMode), 1);
        QCOMPARE(int(again.settings().volumes), 1);
    }

    void languageListComesFromTheProgramFolder() {
        Fixture f;
        f.prefix.writeFile(QStringLiteral("C:\\Postora\\English.lng"),
                           "[Language]\r\nLanguage=English\r\n");
        f.prefix.writeFile(QStringLiteral("C:\\Postora\\Deutsch.lng"),
                           "[Language]\r\nLanguage=Deutsch\r\n");
        f.prefix.writeFile(QStringLiteral("C:\\Postora\\notes.txt"), "x");
        f.preset(platform::RegValue::string(QStringLiteral("Language"), QStringLiteral("deutsch")));
        f.store->InitFolders();
        f.store->settings().programFolder = QStringLiteral("C:\\Postora\\");
        f.store->LoadOptionSettings();
        const Settings& s = f.store->settings();
        QCOMPARE(s.languages.size(), 2);
        QVERIFY(s.languages.contains(QStringLiteral("English")));
        QCOMPARE(s.languageIndex, int(s.languages.indexOf(QStringLiteral("Deutsch"))));
    }

    void lastClientRoundTrip() {
        Fixture f;
        f.startUp();
        QCOMPARE(f.store->RestoreLastClient().code, 0);
        QVERIFY(f.store->RestoreLastClient().identities.isEmpty());

        QVERIFY(f.store->SaveLastClient(
            967, {{QStringLiteral("default"), true}, {QStringLiteral("work"), false}},
            {{QStringLiteral("Accounts Settings"), true},
             {QStringLiteral("Mail Folders"), false}}));
        LastClient lc = f.store->RestoreLastClient();
        QCOMPARE(lc.code, 967);
        QCOMPARE(lc.identities, (QList<TickedName>{{QStringLiteral("default"), true},
                                                   {QStringLiteral("work"), false}}));
        QCOMPARE(lc.items.size(), 2);

        // A later save replaces the lists; nothing of the former client stays.
        QVERIFY(f.store->SaveLastClient(1, {{QStringLiteral("Main Identity"), true}},
                                        {{QStringLiteral("Stationery"), false}}));
        auto reg = f.prefix.registry();
        SettingsStore later(*reg, *f.fs);
        lc = later.RestoreLastClient();
        QCOMPARE(lc.code, 1);
        QCOMPARE(lc.identities, (QList<TickedName>{{QStringLiteral("Main Identity"), true}}));
        QCOMPARE(lc.items, (QList<TickedName>{{QStringLiteral("Stationery"), false}}));
    }

    void readingTheLastClientCreatesNothing() {
        Fixture f;
        (void)f.store->RestoreLastClient();
        QVERIFY(!f.reg->keyExists(HKEY_CURRENT_USER,
                                  SettingsStore::kKeyPath + QStringLiteral("\\LastClient")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
