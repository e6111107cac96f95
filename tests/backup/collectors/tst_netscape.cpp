// The Netscape 4 and Netscape 6/7 collectors over the sample installation:
// what reaches the archive per user, the folder maps, the profile folders
// derived from odd mail state paths, and profile lists that do not match.

#include "support/BackupRig.h"
#include "support/clients/NetscapeSample.h"

#include "clients/Clients.h"

using namespace backup;
using testsupport::BackupRig;
namespace netscape = support::netscape;

class TestNetscape : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\netscape.ebk")) {
            support::addNetscape(prefix);
        }
        bool backup4(const QList<int>& unticked = {0}) {
            return run(clients::kNetscape4, ticked(netscape::users(), unticked),
                       ticked(clients::ClientItems(clients::kNetscape4)));
        }
        // The identities as the screens get them, which also fills the profile paths.
        QStringList enumerate67() {
            QStringList ids;
            QStringList items;
            catalogue.GetIdentitiesAndItems(clients::kNetscape67, ids, items);
            return ids;
        }
        bool backup67(const QStringList& ids, const QList<int>& unticked = {}) {
            return run(clients::kNetscape67, ticked(ids, unticked),
                       ticked(clients::ClientItems(clients::kNetscape67)));
        }
        void setPopstate(const QString& value) {
            prefix.setString(platform::HKEY_CURRENT_USER,
                             netscape::usersKey() +
                                 QStringLiteral("\\jane\\servers\\pop.example.com"),
                             QStringLiteral("popstatePath"), value);
            prefix.save();
        }
        QStringList values(const QString& file, const QString& name) {
            QStringList out;
            for (const QString& line : extractedSection(file, name))
                out << line.section(QLatin1Char('='), 1);
            return out;
        }
        // Archive names below prefix, without it.
        QStringList namesBelow(const QString& prefix) const {
            QStringList out;
            for (const QString& n : names())
                if (n.startsWith(prefix)) out << n.mid(prefix.size());
            return out;
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void netscape4TwoUsers() {
        Rig rig;
        QStringList ids;
        QStringList items;
        rig.catalogue.GetIdentitiesAndItems(clients::kNetscape4, ids, items);
        QCOMPARE(ids, netscape::users());

        QVERIFY(!rig.backup4());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QStringList expected{
            // jane: address books, the shared nsreg.dat, preferences, the whole
            // mail folder under "Mailbox", each ".sbd" folder's files again,
            // then the maps and the registry key
            "jane/Address/abook.na2", "jane/Address/pab.na2", "jane/nsreg.dat", "jane/prefs.js",
            "jane/liprefs.js", "jane/Mailbox/popstate.dat", "jane/Mailbox/Inbox",
            "jane/Mailbox/Inbox.snm", "jane/Mailbox/Sent", "jane/Mailbox/Sent.snm",
            "jane/Mailbox/Trash", "jane/Mailbox/Trash.snm", "jane/Mailbox/Inbox.sbd/Family",
            "jane/Mailbox/Inbox.sbd/Family.snm", "jane/Mailbox/Inbox.sbd/Lists",
            "jane/Mailbox/Inbox.sbd/Lists.sbd/Debian",
            "jane/Mailbox/Inbox.sbd/Lists.sbd/Debian.snm", "jane/mail/Inbox.sbd/Family",
            "jane/mail/Inbox.sbd/Family.snm", "jane/mail/Inbox.sbd/Lists",
            "jane/mail/Inbox.sbd/Lists.sbd/Debian", "jane/mail/Inbox.sbd/Lists.sbd/Debian.snm",
            "jane/directorydat.ini", "jane/identity.reg", "jane/directory.ini",
            // tom, written in capitals
            "tom/Address/pab.na2", "tom/nsreg.dat", "tom/prefs.js", "tom/liprefs.js",
            "tom/Mailbox/INBOX", "tom/Mailbox/INBOX.SNM", "tom/Mailbox/PROJECTS.SBD/ALPHA",
            "tom/MAIL/PROJECTS.SBD/ALPHA", "tom/directorydat.ini", "tom/identity.reg",
            "tom/directory.ini", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), (QStringList{"Mail Folders", "Mail Folders"}));

        // Each user's own mail map under that user's folder.
        const QStringList janeMap = rig.extractedSection("jane/directorydat.ini", "Directory");
        QCOMPARE(janeMap, (QStringList{"Dir1=Mail\\Inbox.sbd", "Dir2=Mail\\Inbox.sbd\\Lists.sbd"}));
        QCOMPARE(rig.extractedSection("tom/directorydat.ini", "Directory"),
                 QStringList{"Dir1=Mail\\PROJECTS.SBD"});
        QCOMPARE(rig.extractedSection("jane/directory.ini", "Directory"),
                 (QStringList{"Dir=" + netscape::usersFolder() + "jane\\",
                              "Dir2=" + netscape::usersFolder()}));

        const QByteArray reg = rig.extracted("jane/identity.reg");
        QVERIFY(reg.startsWith("REGEDIT4\r\n"));
        QVERIFY(reg.contains("[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape "
                             "Navigator\\biff\\users\\jane\\servers\\pop.example.com]\r\n"));
        // The registry editor reads backslashes in quoted data as escapes.
        QVERIFY(reg.contains(
            "\"popstatePath\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\jane\\\\mail"
            "\\\\popstate.dat\"\r\n"));
        QVERIFY(!reg.contains("users\\tom"));

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Netscape4"));
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities"),
                 (QStringList{"Item1=jane", "Item2=tom"}));
        QCOMPARE(info.keyNames("Items").size(), 4);
    }

    // A folder holding three files is added once and mapped once.
    void netscape4FolderWithThreeFiles() {
        Rig rig;
        QDir(rig.prefix.hostPath(netscape::usersFolder() + "jane\\mail\\Inbox.sbd\\Lists.sbd"))
            .removeRecursively();
        QVERIFY(!rig.backup4({0, 2}));
        QCOMPARE(rig.extractedSection("jane/directorydat.ini", "Directory"),
                 QStringList{"Dir1=Mail\\Inbox.sbd"});
        QCOMPARE(rig.namesBelow("jane/mail/"),
                 (QStringList{"Inbox.sbd/Family", "Inbox.sbd/Family.snm", "Inbox.sbd/Lists"}));
    }

    // Pf and Up from the first server's mail state path; a path with fewer
    // than two '\', or one without a drive, reads no profile files.
    void netscape4MailStatePaths_data() {
        QTest::addColumn<QString>("popstate");
        QTest::addColumn<QString>("pf");
        QTest::addColumn<QString>("up");
        QTest::newRow("elsewhere") << "C:\\NS\\Users\\jane\\mail\\popstate.dat"
                                   << "C:\\NS\\Users\\jane\\"
                                   << "C:\\NS\\Users\\";
        QTest::newRow("no backslash") << "popstate.dat"
                                      << ""
                                      << "";
        QTest::newRow("one backslash") << "C:\\popstate.dat"
                                       << ""
                                       << "";
        QTest::newRow("backslash only") << "\\"
                                        << ""
                                        << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("two backslashes") << "C:\\mail\\popstate.dat"
                                         << "C:\\"
                                         << "";
        QTest::newRow("relative") << "NS\\jane\\mail\\popstate.dat"
                                  << "NS\\jane\\"
                                  << "NS\\";
    }

    void netscape4MailStatePaths() {
        QFETCH(QString, popstate);
        QFETCH(QString, pf);
        QFETCH(QString, up);
        Rig rig;
        rig.setPopstate(popstate);
        QVERIFY(!rig.backup4({0, 2}));
        QCOMPARE(rig.extractedSection("jane/directory.ini", "Directory"),
                 (QStringList{"Dir=" + pf, "Dir2=" + up}));
        QCOMPARE(rig.names(),
                 (QStringList{"infobak.ini", "jane/directory.ini", "jane/directorydat.ini",
                              "jane/identity.reg", "jane/nsreg.dat"}));
        QCOMPARE(rig.extractedSection("jane/directorydat.ini", "Directory"), QStringList());
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), QStringList{"Mail Folders"});
    }

    // A user without servers: its registry key and maps, nothing of a profile.
    // A name that no staging folder can carry still names the user's folder.
    void netscape4OddUsers() {
        Rig rig;
        rig.prefix.setDword(platform::HKEY_CURRENT_USER,
                            netscape::usersKey() + QStringLiteral("\\ann*"),
                            QStringLiteral("checkFrequency"), 10);
        rig.prefix.save();
        QVERIFY(!rig.run(clients::kNetscape4, rig.ticked({"guest", "ann*"}),
                         rig.ticked(clients::ClientItems(clients::kNetscape4))));
        QCOMPARE(rig.names(),
                 (QStringList{"ann*/directory.ini", "ann*/directorydat.ini", "ann*/identity.reg",
                              "ann*/nsreg.dat", "guest/directory.ini", "guest/directorydat.ini",
                              "guest/identity.reg", "guest/nsreg.dat", "infobak.ini"}));
        QCOMPARE(rig.extractedSection("guest/directory.ini", "Directory"),
                 (QStringList{"Dir=", "Dir2="}));
        QVERIFY(rig.extracted("ann*/identity.reg").contains("biff\\users\\ann*]"));
    }

    void netscape67TwoProfiles() {
        Rig rig;
        QCOMPARE(rig.enumerate67(), (QStringList{"default", "work", "test"}));
        const QStringList paths = netscape::profilePaths(rig.prefix);
        QVERIFY(!rig.backup67({"default", "work", "test"}, {2}));
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));

        const QString d = "Mozilla/Profiles/default/k3l9x2ab.slt/Mail/";
        const QString w = "Mozilla/Profiles/work/a1b2c3d4.slt/Mail/";
        QStringList expected{
            // every mail folder's files once, relative to the application-data folder
            d + "accounts.ini", d + "pop.example.com/Inbox", d + "pop.example.com/Inbox.msf",
            d + "pop.example.com/Sent", d + "pop.example.com/Sent.msf", d + "pop.example.com/Trash",
            d + "pop.example.com/Trash.msf", d + "pop.example.com/Inbox.sbd/Lists",
            d + "pop.example.com/Inbox.sbd/Lists.msf", d + "Local Folders/Drafts",
            d + "Local Folders/Unsent Messages", d + "Local Folders/Templates",
            // the map and the profile's own files under the identity
            "default/directory.ini", "default/prefs.js", "default/abook.mab", "default/history.mab",
            "default/panacea.dat", "default/xul.mfl", "default/localstore.rdf",
            "default/panels.rdf", "accounts.ini", w + "accounts.ini", w + "MAIL.WORK.EXAMPLE/INBOX",
            w + "MAIL.WORK.EXAMPLE/INBOX.msf", w + "Local Folders/Drafts",
            w + "Local Folders/Unsent Messages", w + "Local Folders/Templates",
            "work/directory.ini", "work/prefs.js", "work/abook.mab", "work/history.mab",
            "work/panacea.dat", "work/xul.mfl", "work/localstore.rdf",
            // the profile registry and the manifest
            "registry.dat", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), (QStringList{"Mail Folders", "Mail Folders"}));
        // The one copy of accounts.ini at the top is the first profile's.
        QCOMPARE(rig.extracted("accounts.ini"), QByteArray("[Accounts]\r\nCount=1\r\n"));

        // Each folder once, the Mail folder first (its own entries come first).
        const QString m = QStringLiteral("default\\k3l9x2ab.slt\\Mail");
        QStringList map = rig.values("default/directory.ini", "Directory");
        QCOMPARE(map.first(), m);
        map.sort();
        QCOMPARE(map, (QStringList{m, m + "\\Local Folders", m + "\\pop.example.com",
                                   m + "\\pop.example.com\\Inbox.sbd"}));
        QCOMPARE(rig.extractedSection("work/directory.ini", "Directory").size(), 3);

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items", "Directory"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Netscape"));
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities"),
                 (QStringList{"Item1=default", "Item2=work"}));
        QCOMPARE(info.keyNames("Items").size(), 4);
        QCOMPARE(rig.extractedSection("infobak.ini", "Directory"),
                 (QStringList{"Dir1=" + paths[0], "Dir2=" + paths[1]}));
    }

    void netscape67NothingTicked() {
        Rig rig;
        const QStringList ids = rig.enumerate67();
        QVERIFY(!rig.backup67(ids, {0, 1, 2}));
        QCOMPARE(rig.names(), (QStringList{"infobak.ini", "registry.dat"}));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), QStringList());
        QVERIFY(rig.extracted("registry.dat").contains("directory"));
    }

    // A stored choice may list the profiles in another order than the
    // profile registry: each name keeps its own profile.
    void netscape67ProfilesInAnotherOrder() {
        Rig rig;
        rig.enumerate67();
        const QStringList paths = netscape::profilePaths(rig.prefix);
        QVERIFY(!rig.backup67({"work", "default"}));
        QCOMPARE(rig.extractedSection("infobak.ini", "Directory"),
                 (QStringList{"Dir1=" + paths[1], "Dir2=" + paths[0]}));
        QVERIFY(rig.extracted("work/prefs.js").contains("MAIL.WORK.EXAMPLE"));
        QVERIFY(rig.extracted("default/prefs.js").contains("pop.example.com"));
        QCOMPARE(rig.names().count(QStringLiteral("accounts.ini")), 1);
    }

    // No enumeration, or a name the profile registry no longer gives: the
    // identity gets its empty map and an empty folder in the manifest.
    void netscape67UnknownProfile() {
        Rig rig;
        QVERIFY(!rig.backup67({"default", "gone"}));
        QCOMPARE(rig.names(), (QStringList{"default/directory.ini", "gone/directory.ini",
                                           "infobak.ini", "registry.dat"}));
        QCOMPARE(rig.extractedSection("infobak.ini", "Directory"), (QStringList{"Dir1=", "Dir2="}));
        QCOMPARE(rig.extractedSection("default/directory.ini", "Directory"), QStringList());
        QCOMPARE(rig.taskNames().size(), 2);
    }

    // A profile outside the application-data folder is stored relative to its
    // drive, and mapped by its full folder.
    void netscape67ProfileElsewhere() {
        Rig rig;
        const QString pp = QStringLiteral("C:\\Profiles\\ann\\x1y2z3.slt");
        netscape::writeProfileRegistry(rig.prefix, {pp});
        rig.prefix.writeFile(pp + "\\prefs.js", "user_pref(\"x\", 1);\r\n");
        rig.prefix.writeFile(pp + "\\Mail\\Local Folders\\Drafts", "");
        QCOMPARE(rig.enumerate67(), QStringList{"ann"});
        QVERIFY(!rig.backup67({"ann"}));
        QCOMPARE(rig.names(),
                 (QStringList{"Profiles/ann/x1y2z3.slt/Mail/Local Folders/Drafts",
                              "ann/directory.ini", "ann/prefs.js", "infobak.ini", "registry.dat"}));
        QCOMPARE(rig.extractedSection("ann/directory.ini", "Directory"),
                 (QStringList{"Dir1=" + pp + "\\Mail", "Dir2=" + pp + "\\Mail\\Local Folders"}));
    }

    void netscape67WithoutApplicationData() {
        Rig rig;
        rig.enumerate67();
        rig.prefix.removeValue(
            platform::HKEY_CURRENT_USER,
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
            QStringLiteral("AppData"));
        rig.prefix.save();
        QVERIFY(!rig.backup67({"default"}));
        QVERIFY(rig.sevenZipTests());
        const QStringList names = rig.names();
        QVERIFY(!names.contains(QStringLiteral("registry.dat")));
        QVERIFY(names.contains(QStringLiteral("default/prefs.js")));
    }
};

QTEST_GUILESS_MAIN(TestNetscape)
#include "tst_netscape.moc"
