// Identity and item lists of every client, from sample prefixes holding each
// client's registry keys and files.

#include "base/Interaction.h"
#include "clients/Clients.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/FakeInteraction.h"
#include "support/SamplePrefix.h"

#include <QTest>

using namespace clients;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

const QString kAppData = QStringLiteral("C:\\users\\jane\\AppData\\Roaming");

struct Machine {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Registry> reg;
    std::unique_ptr<platform::Files> fs;
    testsupport::FakeInteraction ui;
    std::unique_ptr<ClientCatalogue> cat;

    void ready() {
        prefix.save();
        reg = prefix.registry();
        fs = prefix.files();
        cat = std::make_unique<ClientCatalogue>(*reg, *fs, &ui);
    }
    QStringList identities(int code, bool* changeable = nullptr, QStringList* items = nullptr) {
        if (!cat) ready();
        QStringList ids, its;
        const bool c = cat->GetIdentitiesAndItems(code, ids, its);
        if (changeable) *changeable = c;
        if (items) *items = its;
        return ids;
    }
    void setAppData() {
        prefix.setString(HKEY_CURRENT_USER,
                         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                        "Shell Folders"),
                         QStringLiteral("AppData"), kAppData);
    }
};

} // namespace

class TestIdentities : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemLists_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("changeable");
        QTest::newRow("oe") << 1 << QStringList{"Accounts Settings", "Mail Folders", "Signatures",
                                                "Message Rules",     "Address Book", "Stationery"}
                            << true;
        QTest::newRow("outlook") << 2 << QStringList{"Accounts Settings", "Mail Folders",
                                                     "Personal Store",    "Message Rules",
                                                     "Address Book",      "Signatures"}
                                 << false;
        QTest::newRow("pegasus") << 5
                                 << QStringList{"Accounts Settings", "Mail Folders", "Signatures",
                                                "Address Book"}
                                 << false;
        QTest::newRow("poco 2 pe")
            << 720 << QStringList{"Accounts Settings", "Mail Folders", "Filters",
                                  "Signatures",        "Address Book", "Scripts"}
            << true;
        QTest::newRow("opera 6") << 86
                                 << QStringList{"Accounts Settings", "Mail Folders", "Filters",
                                                "Signatures", "Address Book"}
                                 << true;
        QTest::newRow("opera 7") << 87
                                 << QStringList{"Accounts Settings", "Mail Folders", "Filters",
                                                "Signatures", "Address Book"}
                                 << false;
        QTest::newRow("netscape 4")
            << 94 << QStringList{"Accounts Settings", "Mail Folders", "Filters", "Address Book"}
            << false;
        QTest::newRow("favorites") << 10 << QStringList{"Favorites"} << true;
        for (int none : {0, 7, 8, 9, 11, 95})
            QTest::newRow(qPrintable(QStringLiteral("none %1").arg(none)))
                << none << QStringList() << false;
    }
    void itemLists() {
        QFETCH(int, code);
        QFETCH(QStringList, items);
        QFETCH(bool, changeable);
        Machine m;
        bool c = !changeable;
        QStringList got;
        const QStringList ids = m.identities(code, &c, &got);
        QCOMPARE(got, items);
        QCOMPARE(c, changeable);
        if (items.isEmpty()) QVERIFY(ids.isEmpty());
    }

    void listsAreAppended() {
        Machine m;
        m.ready();
        QStringList ids{"keep"}, items{"keep"};
        m.cat->GetIdentitiesAndItems(3, ids, items);
        QCOMPARE(ids, (QStringList{"keep", "Default"}));
        QCOMPARE(items.first(), QStringLiteral("keep"));
        QCOMPARE(items.size(), 6);
    }

    void singleIdentities() {
        Machine m;
        QCOMPARE(m.identities(2), QStringList{"Default user"});
        QCOMPARE(m.identities(3), QStringList{"Default"});
        QCOMPARE(m.identities(10), QStringList{"Default"});
        QCOMPARE(m.identities(87), QStringList{"Default User"});
    }

    void outlookExpress() {
        Machine m;
        const QString ids = QStringLiteral("Identities");
        m.prefix.setString(HKEY_CURRENT_USER, ids + QStringLiteral("\\{B2A1}"),
                           QStringLiteral("Username"), QStringLiteral("Work"));
        m.prefix.setString(HKEY_CURRENT_USER, ids + QStringLiteral("\\{a1F0}"),
                           QStringLiteral("Username"), QStringLiteral("Main Identity"));
        m.prefix.addKey(HKEY_CURRENT_USER, ids + QStringLiteral("\\{C000}"));
        QCOMPARE(m.identities(1), (QStringList{"Main Identity", "Work", ""}));
    }

    void incrediMailUnderTheUser() {
        Machine m;
        const QString base = QStringLiteral("SOFTWARE\\IncrediMail\\Identities\\");
        m.prefix.setDword(HKEY_CURRENT_USER, base + "A", "IsValid", 1);
        m.prefix.setString(HKEY_CURRENT_USER, base + "A", "Identity", "Home");
        m.prefix.setDword(HKEY_CURRENT_USER, base + "B", "IsValid", 0);
        m.prefix.setString(HKEY_CURRENT_USER, base + "B", "Identity", "");
        m.prefix.setString(HKEY_CURRENT_USER, base + "C", "Identity", "");
        m.prefix.setString(HKEY_CURRENT_USER, base + "D", "Identity", "Office");
        // Machine-wide identities are not read when the user has the key.
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "Z", "Identity", "Machine");
        QCOMPARE(m.identities(4), (QStringList{"Home", "[Identity2]", "Office"}));
    }

    void incrediMailUnderTheMachine() {
        Machine m;
        const QString base = QStringLiteral("SOFTWARE\\IncrediMail\\Identities\\");
        m.prefix.setDword(HKEY_LOCAL_MACHINE, base + "A", "IsValid", 1);
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "A", "Identity", "Home");
        m.prefix.setDword(HKEY_LOCAL_MACHINE, base + "B", "IsValid", 0);
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "B", "Identity", "");
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "C", "Identity", "");
        QCOMPARE(m.identities(4), (QStringList{"Home", ""}));
    }

    void pegasusUsers() {
        Machine m;
        const QString base = QStringLiteral("SOFTWARE\\Classes\\software\\pegasus mail\\");
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "MailBox", QString(),
                           QStringLiteral("C:\\PMAIL\\MAIL\\"));
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "Username", QString(),
                           QStringLiteral("Multi-user"));
        m.prefix.writeFile(QStringLiteral("C:\\PMAIL\\MAIL\\PMAIL.USR"),
                           "Y;Jane Doe;JDOE\r\n\r\nN;Tom;TOM\r\nX\r\nY;\r\n");
        QCOMPARE(m.identities(5), (QStringList{"Jane Doe", "Tom", "X", ""}));
    }

    void pegasusSingleUser() {
        Machine m;
        const QString base = QStringLiteral("SOFTWARE\\Classes\\software\\pegasus mail\\");
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "MailBox", QString(),
                           QStringLiteral("C:\\PMAIL\\MAIL\\"));
        m.prefix.setString(HKEY_LOCAL_MACHINE, base + "Username", QString(),
                           QStringLiteral("Single-User Mode"));
        m.prefix.writeFile(QStringLiteral("C:\\PMAIL\\MAIL\\pmail.usr"), "Y;Jane;J\r\n");
        QCOMPARE(m.identities(5), QStringList{"Default User"});
    }

    void pegasusWithoutUserFile() {
        Machine m;
        m.prefix.setString(HKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Classes\\software\\pegasus mail\\MailBox"),
                           QString(), QStringLiteral("C:\\PMAIL\\MAIL"));
        QCOMPARE(m.identities(5), QStringList());
    }

    void theBat() {
        const QString depot = QStringLiteral("Software\\RIT\\The Bat!\\Users Depot");
        Machine none;
        none.prefix.setString(HKEY_CURRENT_USER, depot, "User #1", "Ann");
        QCOMPARE(none.identities(6), QStringList());

        Machine two;
        two.prefix.setDword(HKEY_CURRENT_USER, depot, "Count", 2);
        two.prefix.setString(HKEY_CURRENT_USER, depot, "User #2", "Bob");
        two.prefix.setString(HKEY_CURRENT_USER, depot, "User #1", "Ann");
        two.prefix.setString(HKEY_CURRENT_USER, depot, "User #3", "Cid");
        QCOMPARE(two.identities(6), (QStringList{"Ann", "Bob"}));

        // A wild count cannot stall the list.
        Machine wild;
        wild.prefix.setDword(HKEY_CURRENT_USER, depot, "Count", 0x7fffffff);
        wild.prefix.setString(HKEY_CURRENT_USER, depot, "User #1", "Ann");
        QCOMPARE(wild.identities(6).first(), QStringLiteral("Ann"));
        QVERIFY(wild.identities(6).size() <= 2);
    }

    void pocoMailUsersFolder() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Poco Systems Inc\\PocoMail 3"), "Path",
                           QStringLiteral("C:\\Program Files\\PocoMail3"));
        m.prefix.makeDir(QStringLiteral("C:\\Program Files\\PocoMail3\\Users\\Jane"));
        m.prefix.makeDir(QStringLiteral("C:\\Program Files\\PocoMail3\\Users\\Tom"));
        m.prefix.writeFile(QStringLiteral("C:\\Program Files\\PocoMail3\\Users\\list.txt"), "x");
        m.prefix.makeDir(QStringLiteral("C:\\Program Files\\PocoMail3\\Users\\.hidden"));
        const QStringList ids = m.identities(73);
        QCOMPARE(ids.first(), QStringLiteral("Default User"));
        QStringList rest = ids.mid(1);
        rest.sort();
        QCOMPARE(rest, (QStringList{"Jane", "Tom", "list.txt"}));
        // Each layout reads its own folder value.
        QCOMPARE(m.identities(72), QStringList{"Default User"});
    }

    void pocoMailLayouts() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail"), "Path",
                           QStringLiteral("C:\\Poco2\\"));
        m.prefix.makeDir(QStringLiteral("C:\\Poco2\\users\\Ann"));
        m.prefix.setString(
            HKEY_LOCAL_MACHINE,
            QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                           "pocomail2moe_is1"),
            "Inno Setup: App Path", QStringLiteral("C:\\PocoPE"));
        m.prefix.makeDir(QStringLiteral("C:\\PocoPE\\users\\Bea"));
        QCOMPARE(m.identities(72), (QStringList{"Default User", "Ann"}));
        QCOMPARE(m.identities(720), (QStringList{"Default User", "Bea"}));
    }

    void opera6Accounts() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                           "Last CommandLine",
                           QStringLiteral("C:\\Program Files\\Opera\\Opera.exe"));
        m.prefix.writeFile(QStringLiteral("C:\\Program Files\\Opera\\Mail\\accounts.ini"),
                           "[Accounts]\r\nCount=2\r\n\r\n[Account1]\r\nName=x\r\n");
        QCOMPARE(m.identities(86), (QStringList{"Count=2", ""}));
    }

    void opera6MarksAndAccents() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                           "Last CommandLine", QStringLiteral("C:\\Opera\\Opera.exe"));
        m.prefix.writeFile(QStringLiteral("C:\\Opera\\Mail\\accounts.ini"),
                           "[accounts]\nAccount1=POP?Ren\xe9XY\nab?\n?\n");
        QCOMPARE(m.identities(86), (QStringList{QStringLiteral("Ren\u00e9"), "a", ""}));
    }

    void opera6WithoutFile() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                           "Last CommandLine", QStringLiteral("Opera.exe"));
        QCOMPARE(m.identities(86), QStringList());
    }

    void netscape4Users() {
        Machine m;
        const QString users =
            QStringLiteral("Software\\Netscape\\Netscape Navigator\\biff\\users\\");
        m.prefix.addKey(HKEY_CURRENT_USER, users + "tom\\servers");
        m.prefix.addKey(HKEY_CURRENT_USER, users + "Jane");
        QCOMPARE(m.identities(94), (QStringList{"Jane", "tom"}));
    }

    void mozillaProfiles() {
        Machine m;
        m.setAppData();
        const QString profiles = kAppData + QStringLiteral("\\Mozilla\\Profiles\\");
        QByteArray dat("\x76\x44\x01\x00 header ", 12);
        for (const char* p : {"default\\k3l9.slt", "work\\a1b2.slt"})
            dat += "directory" + QByteArray(1, '\x07') + (profiles + QLatin1String(p)).toLatin1() +
                   QByteArray(1, '\0') + QByteArray("\x10\x00\x00\x00", 4);
        m.prefix.writeFile(kAppData + QStringLiteral("\\Mozilla\\registry.dat"), dat);
        bool changeable = true;
        QCOMPARE(m.identities(967, &changeable), (QStringList{"default", "work"}));
        QVERIFY(!changeable);
        QCOMPARE(m.cat->NetscapeProfilePaths(),
                 (QStringList{profiles + "default\\k3l9.slt", profiles + "work\\a1b2.slt"}));
        QCOMPARE(m.ui.events, 2);
        // A second enumeration starts the list afresh.
        QCOMPARE(m.identities(967).size(), 2);
        QCOMPARE(m.cat->NetscapeProfilePaths().size(), 2);
    }

    void mozillaWithoutRegistry() {
        Machine m;
        m.setAppData();
        QCOMPARE(m.identities(967), QStringList());
        QVERIFY(m.cat->NetscapeProfilePaths().isEmpty());
    }

    void mozillaGarbageRegistries() {
        for (const QByteArray& dat :
             {QByteArray(), QByteArray(4096, '\xff'), QByteArray("directory"),
              QByteArray("directory=C:\\no\\zero\\byte"), QByteArray(3 << 20, '\0')}) {
            Machine m;
            m.setAppData();
            m.prefix.writeFile(kAppData + QStringLiteral("\\Mozilla\\registry.dat"), dat);
            const QStringList ids = m.identities(967);
            QCOMPARE(ids.size(), m.cat->NetscapeProfilePaths().size());
            QVERIFY(ids.size() <= 1);
        }
    }

    void detectedNothingForBaseCodes() {
        Machine m;
        m.prefix.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                           "Last CommandLine", QStringLiteral("C:\\Opera\\Opera.exe"));
        bool changeable = true;
        QStringList items;
        QCOMPARE(m.identities(8, &changeable, &items), QStringList());
        QVERIFY(items.isEmpty());
        QVERIFY(!changeable);
    }
};

QTEST_GUILESS_MAIN(TestIdentities)
#include "tst_identities.moc"
