// The IncrediMail collector over the sample installation: per-user and
// per-machine installations, identities with empty and with equal names, and
// folders that are missing or odd.

#include "support/BackupRig.h"
#include "support/clients/IncrediMailSample.h"

#include "backup/collectors/IncrediMailCollector.h"
#include "clients/Clients.h"

using namespace backup;
using testsupport::BackupRig;
namespace im = support::incredimail;

class TestIncrediMail : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\im.ebk")) {
            support::addIncrediMail(prefix);
        }
        // The identity list as the catalogue gives it.
        QStringList identities() {
            clients::ClientCatalogue catalogue(*registry, *files);
            QStringList ids, items;
            catalogue.GetIdentitiesAndItems(clients::kIncrediMail, ids, items);
            return ids;
        }
        bool backup(const QList<int>& untickedIds = {}, const QList<int>& untickedItems = {}) {
            return run(clients::kIncrediMail, ticked(identities(), untickedIds),
                       ticked(clients::ClientItems(clients::kIncrediMail), untickedItems));
        }
        // Moves the installation to the machine: HKLM only, content in A.
        void perMachine() {
            const QString a = im::applicationFolder(prefix);
            prefix.removeKey(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\IncrediMail"));
            prefix.removeValue(platform::HKEY_LOCAL_MACHINE,
                               QStringLiteral("Software\\IncrediMail"),
                               QStringLiteral("CommonDataPath"));
            prefix.setString(platform::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\IncrediMail"),
                             QStringLiteral("ApplicationPath"), a);
            im::addIdentity(prefix, platform::HKEY_LOCAL_MACHINE, im::homeKey(),
                            QStringLiteral("Home"), 1);
            im::addIdentity(prefix, platform::HKEY_LOCAL_MACHINE, im::unnamedKey(), QString(), -1);
            prefix.setString(platform::HKEY_LOCAL_MACHINE,
                             QStringLiteral("Software\\IncrediMail\\Content\\Skin"),
                             QStringLiteral("Default"), QStringLiteral("Classic"));
            prefix.writeFile(a + QStringLiteral("\\Skin\\Machine.ims"), QByteArray(10, 'm'));
            prefix.save();
        }
        static QStringList identityFiles(const QString& name, const QString& key) {
            return {name + "/identity.reg",
                    name + "/account.reg",
                    name + "/rules.reg",
                    name + "/RuleOrder.dat",
                    key + "/Message Store/Inbox.imm",
                    key + "/Message Store/Inbox.imh",
                    key + "/Message Store/Sent Items.imm",
                    key + "/Message Store/Sent Items.imh",
                    key + "/AddressBook/AddressBook.db"};
        }
        static QStringList stationery() {
            return {"Stationery/Animation/Dancing Bear.swf",
                    "Stationery/ECard/Birthday.ima",
                    "Stationery/Emoticon/smile.gif",
                    "Stationery/Letter/Summer Breeze/Letter.ima",
                    "Stationery/Letter/Summer Breeze/bg.jpg",
                    "Stationery/Notifier/Parrot.imn",
                    "Stationery/Skin/Classic.ims",
                    "Stationery/Sound/Ding.wav",
                    "Stationery/Image/Sky.jpg",
                    "stationery.reg"};
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void perUserWithOneIdentityUnticked() {
        Rig rig;
        QCOMPARE(rig.identities(), (QStringList{"Home", "[Identity2]", "Work"}));
        QVERIFY(!rig.backup({2}));
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QStringList expected = Rig::identityFiles("Home", im::homeKey()) +
                               Rig::identityFiles("[Identity2]", im::unnamedKey()) +
                               Rig::stationery() + QStringList{"infobak.ini"};
        for (const QString& key : {im::homeKey(), im::unnamedKey()}) {
            const QString doc = key == im::homeKey() ? "report home.doc" : "report user.doc";
            expected << key + "/Message Store/Attachments/" + doc << key + "/Attachments/" + doc;
        }
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        const QStringList four{"Accounts Settings", "Mail Folders", "Message Rules",
                               "Address Book"};
        QCOMPARE(rig.taskNames(), four + four + QStringList{"Stationery"});

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items", "Directory"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("IncrediMail"));
        QCOMPARE(info.keyNames("Identities"), (QStringList{"Item1", "Item2"}));
        QCOMPARE(info.readString("Identities", "Item2"), QStringLiteral("[Identity2]"));
        QCOMPARE(info.keyNames("Items").size(), 5);
        QCOMPARE(info.readString("Directory", "Item1"), im::homeKey());
        QCOMPARE(info.readString("Directory", "Item2"), im::unnamedKey());
    }

    void registryDumps() {
        Rig rig;
        QVERIFY(!rig.backup());
        const QByteArray identity = rig.extracted(QStringLiteral("Work/identity.reg"));
        QVERIFY(identity.startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\"));
        QVERIFY(identity.contains("\"Identity\"=\"Work\"\r\n"));
        QVERIFY(!identity.contains("\\Accounts")); // without sub-keys
        const QByteArray accounts = rig.extracted(QStringLiteral("Work/account.reg"));
        QVERIFY(accounts.contains("\"Email\"=\"work@example.com\""));
        QVERIFY(accounts.contains("\"POP3Port\"=dword:0000006E"));
        QVERIFY(!accounts.contains("home@example.com"));
        const QByteArray rules = rig.extracted(QStringLiteral("Home/rules.reg"));
        QVERIFY(rules.contains("\"Name\"=\"Newsletters of home\""));
        const QByteArray content = rig.extracted(QStringLiteral("stationery.reg"));
        QVERIFY(content.contains("\"Default\"=\"Summer Breeze\""));
        QVERIFY(content.contains("[HKEY_CURRENT_USER\\"));
        // The invalid identity is not listed, so nothing of it is backed up.
        for (const QString& n : rig.names())
            QVERIFY2(!n.contains(im::oldKey()), qPrintable(n));
    }

    void perMachine() {
        Rig rig;
        rig.perMachine();
        // Under HKLM an empty name is listed as it stands.
        QCOMPARE(rig.identities(), (QStringList{"Home", ""}));
        QVERIFY(!rig.backup({}, {1, 3}));
        const QStringList names = rig.names();
        QVERIFY(names.contains(QStringLiteral("Home/identity.reg")));
        QVERIFY(names.contains(QStringLiteral("_/identity.reg")));
        QVERIFY(names.contains(QStringLiteral("_/RuleOrder.dat")));
        // The content folder is the application folder.
        QVERIFY(names.contains(QStringLiteral("Stationery/Skin/Machine.ims")));
        QVERIFY(!names.contains(QStringLiteral("Stationery/Skin/Classic.ims")));
        const QByteArray accounts = rig.extracted(QStringLiteral("Home/account.reg"));
        QVERIFY(accounts.contains("[HKEY_LOCAL_MACHINE\\"));
        QVERIFY(!accounts.contains("HKEY_CURRENT_USER"));
        QVERIFY(
            rig.extracted(QStringLiteral("stationery.reg")).contains("\"Default\"=\"Classic\""));
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.readString("Directory", "Item2"), im::unnamedKey());
    }

    // Two keys with one name: both backed up, each in a folder of its own.
    void equalNames() {
        Rig rig;
        const QString second = QStringLiteral("{F0E1D2C3-4D77-4F90-B145-0A1B2C3D4E05}");
        im::addIdentity(rig.prefix, platform::HKEY_CURRENT_USER, second, QStringLiteral("Work"), 1);
        rig.prefix.save();
        QCOMPARE(rig.identities(), (QStringList{"Home", "[Identity2]", "Work", "Work"}));
        for (const QList<int>& unticked : {QList<int>{0, 1, 3}, QList<int>{0, 1}}) {
            QVERIFY(!rig.backup(unticked, {1, 3, 4}));
            QStringList expected;
            for (const QString& key : {im::workKey(), second}) {
                for (const char* f : {"identity.reg", "account.reg", "rules.reg", "RuleOrder.dat"})
                    expected << "Work/" + key + "/" + f;
            }
            expected << "infobak.ini";
            expected.sort();
            QCOMPARE(rig.names(), expected);
            // Each key once, however many ticked identities share its name.
            QCOMPARE(rig.taskNames().size(), 4);
            const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
            QCOMPARE(info.readString("Directory", "Item1"), second);
            if (unticked.size() == 2) QCOMPARE(info.readString("Directory", "Item2"), second);
        }
    }

    void stationeryAlone() {
        Rig rig;
        QVERIFY(!rig.backup({}, {0, 1, 2, 3}));
        QStringList expected = Rig::stationery();
        expected << "Home/identity.reg"
                 << "[Identity2]/identity.reg"
                 << "Work/identity.reg"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QCOMPARE(rig.taskNames(), QStringList{"Stationery"});
    }

    // Missing, empty or drive-less folders: the dumps and the manifest remain.
    void unusableFolders_data() {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("content");
        QTest::newRow("missing") << QString() << QString();
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no drive") << "IM"
                                  << "Content";
        QTest::newRow("not there") << "C:\\Gone\\IM"
                                   << "C:\\Gone\\Content";
    }

    void unusableFolders() {
        QFETCH(QString, application);
        QFETCH(QString, content);
        Rig rig;
        const QString key = QStringLiteral("Software\\IncrediMail");
        if (application.isNull()) {
            rig.prefix.removeValue(platform::HKEY_CURRENT_USER, key, "ApplicationPath");
            rig.prefix.removeValue(platform::HKEY_LOCAL_MACHINE, key, "CommonDataPath");
        } else {
            rig.prefix.setString(platform::HKEY_CURRENT_USER, key, "ApplicationPath", application);
            rig.prefix.setString(platform::HKEY_LOCAL_MACHINE, key, "CommonDataPath", content);
        }
        rig.prefix.save();
        QVERIFY(!rig.backup());
        QVERIFY(rig.sevenZipTests());
        for (const QString& n : rig.names())
            QVERIFY2(n.endsWith(QLatin1String(".reg")) || n == QLatin1String("infobak.ini"),
                     qPrintable(n));
        QCOMPARE(rig.names().size(), 3 * 3 + 2);
    }
};

QTEST_GUILESS_MAIN(TestIncrediMail)
#include "tst_incredimail.moc"
