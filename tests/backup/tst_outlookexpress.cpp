// The Outlook Express collector end to end: a sample prefix with two
// identities, the real archiving library, and the archive read back with 7-Zip.

#include "BackupTestSupport.h"
#include "support/BackupRig.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/collectors/OutlookExpressCollector.h"
#include "clients/Clients.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Ini.h"
#include "regdump/RegistryDump.h"

#include <QtTest>

using namespace backup;

class TestOutlookExpress : public QObject {
    Q_OBJECT

    struct Rig : testsupport::BackupRig {
        support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);

        Rig() : BackupRig(QStringLiteral("C:\\Backups\\oe.ebk")) {}
        // Both identities and all six items, then the ticks the test clears.
        BackupRequest request(QList<int> untickedIdentities = {}, QList<int> untickedItems = {}) {
            return BackupRig::request(
                clients::kOutlookExpress, ticked({oe.annName, oe.bobName}, untickedIdentities),
                ticked(clients::ClientItems(clients::kOutlookExpress), untickedItems));
        }
    };

private Q_SLOTS:
    void initTestCase();
    void everythingTicked();
    void secondIdentityUnticked();
    void manifests();
    void registryDumps();
    void rulesAlone();
    void missingApplicationDataFolder();
    void failedBackupKeepsTheOldArchive();
    void requestBeyondTheArraysIsRefused();
    void placeholders_data();
    void placeholders();
    void folderParts();
    void unsafeIdentityNameStaysInStaging();
};

void TestOutlookExpress::initTestCase() {
    REQUIRE_TOOLS("7z", "bsdtar");
}

void TestOutlookExpress::everythingTicked() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request()));
    QVERIFY2(!rig.engine->state().BackupFailed, qPrintable(rig.engine->state().BackupErrorText));
    const QString user = rig.prefix.userName();
    QStringList expected;
    for (const auto& [name, key] :
         {std::pair{rig.oe.annName, rig.oe.annKey}, std::pair{rig.oe.bobName, rig.oe.bobKey}}) {
        for (const char* f :
             {"identity.reg", "identity2.reg", "settings.reg", "settings2.reg", "accounts.reg",
              "accounts2.reg", "signatures.reg", "rules.reg", "blockedsender.reg"})
            expected << name + QLatin1Char('/') + QLatin1String(f);
    }
    for (const char* f : {"Inbox.dbx", "Folders.dbx", "Sent Items.dbx"})
        expected << rig.oe.annKey + QLatin1Char('/') + QLatin1String(f);
    expected << rig.oe.bobKey + QStringLiteral("/Inbox.dbx");
    expected << QStringLiteral("address.reg")
             << QStringLiteral("Address Book/") + user + QStringLiteral(".wab")
             << QStringLiteral("Stationery/Ivy.htm") << QStringLiteral("Stationery/Ivy.gif")
             << QStringLiteral("infobak.ini") << QStringLiteral("others.ini")
             << QStringLiteral("stationery.ini");
    expected.sort();
    QCOMPARE(testsupport::sevenZipNames(rig.archive()), expected);
    QCOMPARE(
        testsupport::runTool(QStringLiteral("7z"), {QStringLiteral("t"), rig.archive()}).exitCode,
        0);
    QCOMPARE(testsupport::runTool(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), rig.archive()})
                 .exitCode,
             0);

    // Tasks: each identity's items 0 to 3, then the address book and the stationery.
    const ArchiveList& list = rig.engine->list();
    QStringList tasks;
    for (int t = 1; t <= list.tasksClosed(); ++t)
        tasks << list.task(t).name;
    const QStringList four = {"Accounts Settings", "Mail Folders", "Signatures", "Message Rules"};
    QCOMPARE(tasks, four + four + QStringList({"Address Book", "Stationery"}));
    // The manifests follow the last task.
    QCOMPARE(list.task(list.tasksClosed()).last, list.count() - 3);
    QVERIFY(list.entry(list.count()).spec.endsWith(QLatin1String("\\stationery.ini")));
}

void TestOutlookExpress::secondIdentityUnticked() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request({1})));
    const QStringList names = testsupport::sevenZipNames(rig.archive());
    QVERIFY(names.contains(rig.oe.annName + QStringLiteral("/identity.reg")));
    for (const QString& n : names) {
        QVERIFY2(!n.startsWith(rig.oe.bobName) && !n.startsWith(rig.oe.bobKey), qPrintable(n));
    }
    const auto others = platform::IniFile::parse(rig.extracted(QStringLiteral("others.ini")));
    QCOMPARE(others.keyNames(QStringLiteral("Directory")),
             (QStringList{QStringLiteral("Item1"), QStringLiteral("Item2")}));
    QCOMPARE(others.readString(QStringLiteral("Directory"), QStringLiteral("Item1")),
             rig.oe.annStoreRoot);
    QCOMPARE(others.readString(QStringLiteral("Directory"), QStringLiteral("Item2"),
                               QStringLiteral("x")),
             QString());
    const auto info = platform::IniFile::parse(rig.extracted(QStringLiteral("infobak.ini")));
    QCOMPARE(info.keyNames(QStringLiteral("Identities")), QStringList{QStringLiteral("Item1")});
    QCOMPARE(info.readString(QStringLiteral("Directory"), QStringLiteral("Item1")), rig.oe.annKey);
}

void TestOutlookExpress::manifests() {
    Rig rig;
    // Items 1 and 5 unticked: the stationery folder stays unexpanded in its manifest.
    QVERIFY(!rig.engine->RunBackup(rig.request({}, {1, 5})));
    const QByteArray infoBytes = rig.extracted(QStringLiteral("infobak.ini"));
    // Windows-1252 with CR LF: the identity name with its o-umlaut as one byte.
    QVERIFY(infoBytes.contains("Item2=Bj\xf6rn\r\n"));
    const auto info = platform::IniFile::parse(infoBytes);
    QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items", "Directory"}));
    QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("OutlookExpress"));
    QCOMPARE(info.readString("Identities", "Item1"), rig.oe.annName);
    QCOMPARE(info.readString("Identities", "Item2"), rig.oe.bobName);
    QCOMPARE(info.keyNames("Items"), (QStringList{"Item1", "Item2", "Item3", "Item4"}));
    QCOMPARE(info.readString("Items", "Item1"), QStringLiteral("Accounts Settings"));
    QCOMPARE(info.readString("Items", "Item2"), QStringLiteral("Signatures"));
    QCOMPARE(info.readString("Items", "Item4"), QStringLiteral("Address Book"));
    QCOMPARE(info.readString("Directory", "Item1"), rig.oe.annKey);
    QCOMPARE(info.readString("Directory", "Item2"), rig.oe.bobKey);

    const auto others = platform::IniFile::parse(rig.extracted(QStringLiteral("others.ini")));
    QCOMPARE(others.readString("Directory", "Item1"), rig.oe.annStoreRoot);
    QCOMPARE(others.readString("Directory", "Item2"), QStringLiteral("C:\\Mail\\Bjorn"));
    const auto stationery =
        platform::IniFile::parse(rig.extracted(QStringLiteral("stationery.ini")));
    QCOMPARE(stationery.readString("Directory", "Stationery"),
             QStringLiteral("%ProgramFiles%\\Common Files\\Microsoft Shared\\Stationery"));
    const QStringList names = testsupport::sevenZipNames(rig.archive());
    QVERIFY(!names.contains(rig.oe.annKey + QStringLiteral("/Inbox.dbx")));
    QVERIFY(!names.contains(QStringLiteral("Stationery/Ivy.htm")));

    // With item 5 the expanded folder is written.
    Rig again;
    QVERIFY(!again.engine->RunBackup(again.request()));
    const auto expanded =
        platform::IniFile::parse(again.extracted(QStringLiteral("stationery.ini")));
    QCOMPARE(expanded.readString("Directory", "Stationery"), again.oe.stationery);
}

void TestOutlookExpress::registryDumps() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request()));
    const QString ann = rig.oe.annName + QLatin1Char('/');
    const QString id = QStringLiteral("[HKEY_CURRENT_USER\\identities\\") + rig.oe.annKey;
    const QByteArray identity = rig.extracted(ann + QStringLiteral("identity.reg"));
    QVERIFY(identity.startsWith("REGEDIT4\r\n"));
    QVERIFY(identity.contains((id + QStringLiteral("]\r\n")).toLatin1()));
    QVERIFY(identity.contains("\"Username\"=\"Ann\""));
    QVERIFY(!identity.contains("\\Software")); // no sub-keys
    const QByteArray accounts = rig.extracted(ann + QStringLiteral("accounts.reg"));
    QVERIFY(accounts.contains(
        (id +
         QStringLiteral("\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]"))
            .toLatin1()));
    const QByteArray accounts2 = rig.extracted(ann + QStringLiteral("accounts2.reg"));
    QVERIFY(accounts2.contains(
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000002]"));
    const QByteArray blocked = rig.extracted(ann + QStringLiteral("blockedsender.reg"));
    QVERIFY(blocked.contains("spam@example.com"));
    const QByteArray address = rig.extracted(QStringLiteral("address.reg"));
    QVERIFY(address.contains("[HKEY_CURRENT_USER\\Software\\Microsoft\\WAB\\WAB4\\Wab File Name]"));
    // Bjorn's dumps are his own.
    const QByteArray bob = rig.extracted(rig.oe.bobName + QStringLiteral("/signatures.reg"));
    QVERIFY(bob.contains("Regards, Bj\xf6rn"));
}

void TestOutlookExpress::rulesAlone() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request({1}, {0, 1, 2, 4, 5})));
    const ArchiveList& list = rig.engine->list();
    QCOMPARE(list.tasksClosed(), 1);
    QCOMPARE(list.task(1).name, QStringLiteral("Message Rules"));
    // The identity's four dumps, then rules and blocked senders, in one task.
    QCOMPARE(list.task(1).last, 6);
    QVERIFY(list.entry(5).spec.endsWith(QLatin1String("\\rules.reg")));
    QVERIFY(list.entry(6).spec.endsWith(QLatin1String("\\blockedsender.reg")));
}

// Without the "AppData" shell folder the backup fails with 3120 and a text
// that says what was missing, before anything is written: the archive of the
// last run stays as it was.
void TestOutlookExpress::missingApplicationDataFolder() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request()));
    QFile archive(rig.archive());
    QVERIFY(archive.open(QIODevice::ReadOnly));
    const QByteArray before = archive.readAll();
    archive.close();
    rig.prefix.removeValue(
        platform::HKEY_CURRENT_USER,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        QStringLiteral("AppData"));
    rig.prefix.save();
    rig.engine->state().resetForRun();
    QVERIFY(rig.engine->RunBackup(rig.request()));
    const QString text = rig.engine->state().BackupErrorText;
    QVERIFY2(text.endsWith(QLatin1String(" Error code: 3120")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("\"AppData\" shell folder")), qPrintable(text));
    QVERIFY(archive.open(QIODevice::ReadOnly));
    QCOMPARE(archive.readAll(), before);
}

void TestOutlookExpress::failedBackupKeepsTheOldArchive() {
    Rig rig;
    QVERIFY(!rig.engine->RunBackup(rig.request()));
    QFile first(rig.archive());
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray before = first.readAll();
    first.close();
    // The same target again, on a disk that fills up.
    qputenv("SQX_FAULT_WRITE", "ENOSPC@100");
    auto unset = qScopeGuard([] { qunsetenv("SQX_FAULT_WRITE"); });
    rig.engine->state().resetForRun();
    QVERIFY(rig.engine->RunBackup(rig.request()));
    QCOMPARE(rig.engine->state().BackupErrorText,
             QStringLiteral("Disk is full. Replace or select other!"));
    QFile after(rig.archive());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestOutlookExpress::requestBeyondTheArraysIsRefused() {
    Rig rig;
    BackupRequest r = rig.request();
    r.identityCount = 25; // more than the arrays hold: refused, never cut
    QVERIFY(rig.engine->RunBackup(r));
    QVERIFY(rig.engine->state().BackupErrorText.contains(QLatin1String("25 identities")));
    QVERIFY(!QFile::exists(rig.archive()));
    // A code without a collector does nothing and is no failure.
    rig.engine->state().resetForRun();
    r = rig.request();
    r.clientCode = 8;
    QVERIFY(!rig.engine->RunBackup(r));
    QVERIFY(!rig.engine->state().BackupFailed);
    QVERIFY(!QFile::exists(rig.archive()));
}

void TestOutlookExpress::placeholders_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fromValue");
    QTest::addColumn<QString>("cumulative");
    QTest::newRow("mixed case") << "%UserProfile%\\Local"
                                << "C:\\users\\ann\\Local"
                                << "C:\\users\\ann\\Local";
    QTest::newRow("none") << "D:\\Store"
                          << "D:\\Store"
                          << "D:\\Store";
    QTest::newRow("drive") << "%SYSTEMDRIVE%\\x"
                           << "C:\\x"
                           << "C:\\x";
    QTest::newRow("program files") << "%programfiles%\\Common"
                                   << "C:\\Program Files\\Common"
                                   << "C:\\Program Files\\Common";
    QTest::newRow("windows") << "%SystemRoot%\\Web"
                             << "C:\\windows\\Web"
                             << "C:\\windows\\Web";
    // Two placeholders: the last hit on the value as read wins, or both are replaced in turn.
    QTest::newRow("two") << "%systemdrive%%systemroot%"
                         << "%systemdrive%C:\\windows"
                         << "C:C:\\windows";
}

void TestOutlookExpress::placeholders() {
    QFETCH(QString, text);
    QFETCH(QString, fromValue);
    QFETCH(QString, cumulative);
    OutlookExpressCollector::Folders f;
    f.userProfile = QStringLiteral("C:\\users\\ann");
    f.systemDrive = QStringLiteral("C:");
    f.programFiles = QStringLiteral("C:\\Program Files");
    f.windows = QStringLiteral("C:\\windows");
    using E = OutlookExpressCollector::Expansion;
    QCOMPARE(OutlookExpressCollector::ExpandPlaceholders(text, f, E::FromValue), fromValue);
    QCOMPARE(OutlookExpressCollector::ExpandPlaceholders(text, f, E::Cumulative), cumulative);
}

void TestOutlookExpress::folderParts() {
    QCOMPARE(
        OutlookExpressCollector::UserProfileOf(QStringLiteral("C:\\users\\ann\\AppData\\Roaming")),
        QStringLiteral("C:\\users\\ann"));
    QCOMPARE(
        OutlookExpressCollector::SystemDriveOf(QStringLiteral("C:\\users\\ann\\AppData\\Roaming")),
        QStringLiteral("C:"));
    QCOMPARE(OutlookExpressCollector::UserProfileOf(QStringLiteral("D:\\Data\\")),
             QStringLiteral("D:\\Data"));
    QCOMPARE(OutlookExpressCollector::UserProfileOf(QString()), QString());
    QCOMPARE(OutlookExpressCollector::SystemDriveOf(QStringLiteral("E:")), QStringLiteral("E:"));
}

void TestOutlookExpress::unsafeIdentityNameStaysInStaging() {
    QCOMPARE(Collector::SafeFolderName(QStringLiteral("..")), QStringLiteral("___"));
    QCOMPARE(Collector::SafeFolderName(QStringLiteral("a\\..\\b")), QStringLiteral("a_.._b"));
    QCOMPARE(Collector::SafeFolderName(QStringLiteral("C:x/y")), QStringLiteral("C_x_y"));
    QCOMPARE(Collector::SafeFolderName(QStringLiteral("Ann Lee")), QStringLiteral("Ann Lee"));

    Rig rig;
    rig.prefix.setString(platform::HKEY_CURRENT_USER,
                         QStringLiteral("identities\\") + rig.oe.bobKey, QStringLiteral("Username"),
                         QStringLiteral("..\\..\\evil"));
    rig.prefix.save();
    QList<Selected> ids{{true, QStringLiteral("..\\..\\evil")}};
    const auto req =
        MakeBackupRequest(rig.target, 1, ids, AllTicked({QStringLiteral("Accounts Settings")}));
    QVERIFY(!rig.engine->RunBackup(req.value()));
    const QStringList names = testsupport::sevenZipNames(rig.archive());
    QVERIFY(names.contains(QStringLiteral(".._.._evil/identity.reg")));
    // Nothing was written beside the staging folder.
    QVERIFY(!QFileInfo::exists(QFileInfo(rig.staging.hostPath()).path() + QStringLiteral("/evil")));
}

QTEST_GUILESS_MAIN(TestOutlookExpress)
#include "tst_outlookexpress.moc"
