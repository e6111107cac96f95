// Client codes, the default client, installed clients and their versions,
// over sample prefixes.

#include "clients/Clients.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/SamplePrefix.h"

#include <QTest>

using namespace clients;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

const QString kMail = QStringLiteral("Software\\Clients\\Mail");

struct Machine {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Registry> reg;
    std::unique_ptr<platform::Files> fs;
    std::unique_ptr<ClientCatalogue> cat;
    ClientCatalogue& ready() {
        prefix.save();
        reg = prefix.registry();
        fs = prefix.files();
        cat = std::make_unique<ClientCatalogue>(*reg, *fs);
        return *cat;
    }
    QList<int> installed() {
        QList<int> codes;
        for (int c = 1; c <= 10; ++c)
            if (cat->IsClientInstalled(c)) codes.append(c);
        return codes;
    }
};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void variantsMapToTheirBase() {
        for (int v : {72, 73, 720})
            QCOMPARE(BaseCode(v), 7);
        for (int v : {86, 87})
            QCOMPARE(BaseCode(v), 8);
        for (int v : {94, 967})
            QCOMPARE(BaseCode(v), 9);
        for (int c : {0, 1, 7, 10, 11, 74, -3})
            QCOMPARE(BaseCode(c), c);
        QCOMPARE(ManifestName(73), QStringLiteral("PocoMail3"));
        QCOMPARE(ManifestName(72), QStringLiteral("PocoMail2"));
        QCOMPARE(ManifestName(720), QStringLiteral("PocoMail20"));
        QCOMPARE(ManifestName(86), QStringLiteral("Opera"));
        QCOMPARE(ManifestName(87), QStringLiteral("Opera7"));
        QCOMPARE(ManifestName(94), QStringLiteral("Netscape4"));
        QCOMPARE(ManifestName(967), QStringLiteral("Netscape"));
        for (int c : {0, 7, 8, 9, 11})
            QVERIFY(ManifestName(c).isEmpty());
        QCOMPARE(ClientCaption(87), QStringLiteral("Opera Mail"));
        QCOMPARE(ClientCaption(6), QStringLiteral("The Bat"));
    }

    void defaultClient_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("code");
        QTest::newRow("any case") << "OUTLOOK Express" << 1;
        QTest::newRow("with a version") << "Outlook Express 6" << 0;
        QTest::newRow("outlook") << "Microsoft Outlook" << 2;
        QTest::newRow("bat with mark") << "The Bat!" << 6;
        QTest::newRow("bat without mark") << "The Bat" << 0;
        QTest::newRow("poco") << "Poco" << 7;
        QTest::newRow("netscape") << "Netscape" << 9;
        QTest::newRow("favorites never") << "Internet Explorer Favorites" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void defaultClient() {
        QFETCH(QString, value);
        QFETCH(int, code);
        Machine m;
        m.prefix.setString(HKEY_LOCAL_MACHINE, kMail, QString(), value);
        QCOMPARE(m.ready().GetDefaultClient(), code);
    }

    void noMailKeyAtAll() {
        Machine m;
        ClientCatalogue& cat = m.ready();
        QCOMPARE(cat.GetDefaultClient(), 0);
        QCOMPARE(m.installed(), QList<int>{10});
        QVERIFY(!cat.IsClientInstalled(0));
        QVERIFY(!cat.IsClientInstalled(11));
        for (int base : {7, 8, 9})
            QVERIFY(cat.GetClientVersions(base).isEmpty());
    }

    void registeredClientsBySubstring() {
        Machine m;
        for (const char* name : {"Netscape Messenger", "The Bat!", "Hotmail", "Eudora Pro"})
            m.prefix.addKey(HKEY_LOCAL_MACHINE, kMail + QLatin1Char('\\') + QLatin1String(name));
        m.ready();
        QCOMPARE(m.installed(), (QList<int>{3, 6, 9, 10}));
    }

    void unrelatedKeysInstallNothing() {
        Machine m;
        m.prefix.addKey(HKEY_LOCAL_MACHINE, kMail + QStringLiteral("\\Hotmail"));
        m.ready();
        QCOMPARE(m.installed(), QList<int>{10});
    }

    void furtherKeys_data() {
        QTest::addColumn<uint>("root");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("code");
        QTest::newRow("pegasus") << uint(HKEY_LOCAL_MACHINE)
                                 << "SOFTWARE\\Classes\\software\\pegasus mail" << 5;
        QTest::newRow("poco uninstall") << uint(HKEY_CURRENT_USER)
                                        << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                           "Uninstall\\pocomail2moe_is1"
                                        << 7;
        QTest::newRow("poco") << uint(HKEY_CURRENT_USER) << "Software\\Poco" << 7;
        QTest::newRow("poco systems")
            << uint(HKEY_CURRENT_USER) << "Software\\Poco Systems Inc" << 7;
        QTest::newRow("opera") << uint(HKEY_CURRENT_USER) << "Software\\Opera Software" << 8;
        // The same keys under the other root do not count.
        QTest::newRow("pegasus under the user")
            << uint(HKEY_CURRENT_USER) << "SOFTWARE\\Classes\\software\\pegasus mail" << 0;
        QTest::newRow("poco uninstall under the machine")
            << uint(HKEY_LOCAL_MACHINE)
            << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2moe_is1" << 0;
    }
    void furtherKeys() {
        QFETCH(uint, root);
        QFETCH(QString, key);
        QFETCH(int, code);
        Machine m;
        m.prefix.addKey(root, key);
        m.ready();
        QList<int> expected;
        if (code) expected.append(code);
        expected.append(10);
        QCOMPARE(m.installed(), expected);
    }

    void pocoVersionsInOrder() {
        Machine m;
        m.prefix.addKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\"
                                                           "CurrentVersion\\Uninstall\\"
                                                           "pocomail2moe_is1"));
        m.prefix.addKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail"));
        m.prefix.addKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco Systems Inc"));
        QCOMPARE(m.ready().GetClientVersions(7),
                 (QList<VersionVariant>{{"3.x", 73}, {"2.x", 72}, {"2.x PE", 720}}));
    }

    void pocoTwoOnly() {
        Machine m;
        m.prefix.addKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail"));
        // The uninstall key counts for the versions only under the machine.
        m.prefix.addKey(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\"
                                                          "CurrentVersion\\Uninstall\\"
                                                          "pocomail2moe_is1"));
        QCOMPARE(m.ready().GetClientVersions(7), (QList<VersionVariant>{{"2.x", 72}}));
    }

    void operaVersions() {
        Machine m;
        const QString key = QStringLiteral("Software\\Opera Software");
        m.prefix.setString(HKEY_CURRENT_USER, key, QStringLiteral("Last CommandLine"),
                           QStringLiteral("C:\\Opera6\\Opera.exe"));
        m.prefix.setString(HKEY_CURRENT_USER, key, QStringLiteral("Last CommandLine v2"),
                           QStringLiteral("C:\\Opera7\\Opera.exe"));
        QCOMPARE(m.ready().GetClientVersions(8), (QList<VersionVariant>{{"7.x", 87}, {"6.x", 86}}));
        QVERIFY(m.cat->GetClientVersions(1).isEmpty());

        Machine bare;
        bare.prefix.addKey(HKEY_CURRENT_USER, key);
        QVERIFY(bare.ready().GetClientVersions(8).isEmpty());
        QVERIFY(bare.cat->IsClientInstalled(8));
    }

    void netscapeVersions() {
        Machine m;
        const QString appData = QStringLiteral("C:\\users\\jane\\AppData\\Roaming");
        m.prefix.setString(HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                          "Shell Folders"),
                           QStringLiteral("AppData"), appData);
        m.prefix.writeFile(appData + QStringLiteral("\\Mozilla\\registry.dat"), "x");
        m.prefix.addKey(HKEY_CURRENT_USER,
                        QStringLiteral("Software\\Netscape\\Netscape Navigator"));
        QCOMPARE(m.ready().GetClientVersions(9),
                 (QList<VersionVariant>{{"6.x/7.x", 967}, {"4.x", 94}}));

        Machine folderOnly;
        folderOnly.prefix.setString(HKEY_CURRENT_USER,
                                    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\"
                                                   "Explorer\\Shell Folders"),
                                    QStringLiteral("AppData"), appData);
        // A folder of that name is no profile registry.
        folderOnly.prefix.makeDir(appData + QStringLiteral("\\Mozilla\\registry.dat"));
        QVERIFY(folderOnly.ready().GetClientVersions(9).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
