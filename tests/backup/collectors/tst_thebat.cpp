// The Bat! collector over the sample installation: message bases, account
// files and filters per user, each user's own folder map, the address books,
// and registry values that are missing or odd.

#include "support/BackupRig.h"
#include "support/clients/TheBatSample.h"

#include "backup/collectors/TheBatCollector.h"
#include "clients/Clients.h"

using namespace backup;
using testsupport::BackupRig;
namespace thebat = support::thebat;

class TestTheBat : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\thebat.ebk")) { support::addTheBat(prefix); }
        bool backup(const QList<int>& untickedIdentities = {},
                    const QList<int>& untickedItems = {}) {
            return run(clients::kTheBat, ticked(thebat::users(), untickedIdentities),
                       ticked(clients::ClientItems(clients::kTheBat), untickedItems));
        }
        void setDepot(const QString& name, const QString& value) {
            prefix.setString(platform::HKEY_CURRENT_USER, thebat::usersKey(), name, value);
            prefix.save();
        }
        // "DirN=value" lines of a user's map.
        QStringList map(const QString& user) {
            return extractedSection(user + QStringLiteral("/directory.ini"),
                                    QStringLiteral("Directory"));
        }
    };

    // What the sample stores for one user with the mail folders, the accounts
    // and the filters ticked, or some of them.
    static QStringList userFiles(int position, bool mail = true, bool accounts = true,
                                 bool filters = true) {
        const QString user = thebat::users().at(position) + QLatin1Char('/');
        const QString f = thebat::userFolder(position) + QLatin1Char('\\');
        QStringList out;
        if (mail) {
            for (const QString& g : thebat::mailFolders(position)) {
                QString rel = g.mid(f.size()).replace(QLatin1Char('\\'), QLatin1Char('/'));
                const bool lower = rel.startsWith(QLatin1String("outbox"));
                out << user + rel + (lower ? "messages.tbi" : "Messages.tbi");
                out << user + rel + (lower ? "messages.tbb" : "Messages.tbb");
            }
            for (const char* ext : {"flx", "m_d", "m_r", "pfx", "sce"})
                out << user + QStringLiteral("account.") + QLatin1String(ext);
            out << user + QStringLiteral("directory.ini");
        }
        if (accounts)
            out << user + QStringLiteral("account.cfg") << user + QStringLiteral("account.vcf");
        if (filters) out << user + QStringLiteral("account.srx");
        return out;
    }
    static QStringList addressBooks() {
        return {"Address Book/Addrbook.abd", "Address Book/WORK.ABD", "Address Book/Groups.cfg",
                "Address Book/ADDRBOOK.INI"};
    }
    static QStringList sorted(QStringList l) {
        l.sort();
        return l;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void everythingTicked() {
        Rig rig;
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QCOMPARE(rig.names(), sorted(userFiles(0) + userFiles(1) + userFiles(2) + addressBooks() +
                                     QStringList{"infobak.ini"}));
        QVERIFY(rig.sevenZipTests());
        // Per user: mail folders, accounts, filters; then the address books once.
        const QStringList perUser{"Mail Folders", "Accounts Settings", "Filters"};
        QCOMPARE(rig.taskNames(), perUser + perUser + perUser + QStringList{"Address Book"});
        QCOMPARE(rig.list().task(rig.list().tasksClosed()).last, rig.list().count() - 1);

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items", "Directory"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("TheBat"));
        QCOMPARE(info.readString("Identities", "Item3"), QStringLiteral("Carol"));
        QCOMPARE(info.keyNames("Items").size(), 4);
        // Ann has no folder of her own in the registry.
        QCOMPARE(info.readString("Directory", "Item1"), QStringLiteral("default"));
        QCOMPARE(info.readString("Directory", "Item2"), thebat::userFolder(1));
        QCOMPARE(info.readString("Directory", "Item3"), thebat::userFolder(2));
    }

    // Each user's map holds that user's folders only, relative to the user's
    // folder with their trailing '\', each folder once, a parent before its
    // sub-folders.
    void folderMaps() {
        Rig rig;
        QVERIFY(!rig.backup({}, {0, 2, 3}));
        for (int position : {0, 1, 2}) {
            const QString user = thebat::users().at(position);
            const QStringList map = rig.map(user);
            QStringList values, expected;
            for (int i = 0; i < map.size(); ++i) {
                QVERIFY(map[i].startsWith(QStringLiteral("Dir%1=").arg(i + 1)));
                values << map[i].section(QLatin1Char('='), 1);
            }
            const QString f = thebat::userFolder(position) + QLatin1Char('\\');
            for (const QString& g : thebat::mailFolders(position))
                expected << g.mid(f.size());
            QCOMPARE(sorted(values), sorted(expected));
            if (position == 0)
                QVERIFY(values.indexOf(QStringLiteral("Inbox\\")) <
                        values.indexOf(QStringLiteral("Inbox\\Lists\\")));
        }
        // Each folder's two bases are listed once, though the inbox holds a second index.
        int inboxBases = 0;
        for (int n = 1; n <= rig.list().count(); ++n)
            inboxBases +=
                rig.list().entry(n).spec.endsWith(QLatin1String("Ann\\Inbox\\Messages.tbb"));
        QCOMPARE(inboxBases, 1);
    }

    // Two folders whose names differ in letter case only are two folders on the host.
    void foldersDifferingInCase() {
        Rig rig;
        // Written on the host: a Windows path would resolve to the "Inbox" that exists.
        const QString inbox = rig.prefix.hostPath(thebat::userFolder(1)) + QStringLiteral("/INBOX");
        QVERIFY(QDir().mkpath(inbox));
        for (const char* name : {"/Messages.tbi", "/Messages.tbb"}) {
            QFile f(inbox + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }
        QVERIFY(!rig.backup({0, 2}, {0, 2, 3}));
        QVERIFY(rig.names().contains(QStringLiteral("Bob/INBOX/Messages.tbb")));
        QVERIFY(rig.names().contains(QStringLiteral("Bob/Inbox/Messages.tbb")));
        QCOMPARE(rig.map(QStringLiteral("Bob")).size(), 3);
    }

    void secondUserUnticked() {
        Rig rig;
        QVERIFY(!rig.backup({1}));
        QCOMPARE(rig.names(),
                 sorted(userFiles(0) + userFiles(2) + addressBooks() + QStringList{"infobak.ini"}));
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.keyNames("Identities"), (QStringList{"Item1", "Item2"}));
        QCOMPARE(info.readString("Identities", "Item2"), QStringLiteral("Carol"));
        QCOMPARE(info.readString("Directory", "Item2"), thebat::userFolder(2));
    }

    void addressBookAlone() {
        Rig rig;
        QVERIFY(!rig.backup({}, {0, 1, 2}));
        QCOMPARE(rig.names(), sorted(addressBooks() + QStringList{"infobak.ini"}));
        QCOMPARE(rig.taskNames(), QStringList{"Address Book"});
        // Also with no user ticked: the working folder is the program's, not a user's.
        Rig none;
        QVERIFY(!none.backup({0, 1, 2}, {0, 1, 2}));
        QCOMPARE(none.names(), sorted(addressBooks() + QStringList{"infobak.ini"}));
    }

    void accountsAndFiltersOnly() {
        Rig rig;
        QVERIFY(!rig.backup({1, 2}, {1, 3}));
        QCOMPARE(rig.names(), sorted(userFiles(0, false) << "infobak.ini"));
        QCOMPARE(rig.taskNames(), (QStringList{"Accounts Settings", "Filters"}));
    }

    // A folder value with a trailing '\' names the same folder.
    void folderValueWithTrailingBackslash() {
        Rig rig;
        rig.setDepot(QStringLiteral("Dir #2"), thebat::userFolder(1) + QLatin1Char('\\'));
        QVERIFY(!rig.backup({0, 2}, {0, 2, 3}));
        QCOMPARE(rig.names(), sorted(userFiles(1, true, false, false) << "infobak.ini"));
        const QStringList map = rig.map(QStringLiteral("Bob"));
        QCOMPARE(map.size(), 2);
        QCOMPARE(sorted({map[0].mid(5), map[1].mid(5)}), (QStringList{"Inbox\\", "Sent\\"}));
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.readString("Directory", "Item1"), thebat::userFolder(1) + QLatin1Char('\\'));
    }

    // Missing or odd registry values: a valid archive, empty sections, and
    // nothing read from outside the working folder.
    void oddValues_data() {
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("user");
        QTest::newRow("no working folder") << QString() << "Ann";
        QTest::newRow("working folder without backslash") << "C:\\Program Files\\The Bat!"
                                                          << "Ann";
        QTest::newRow("user climbs out") << "C:\\Program Files\\The Bat!\\"
                                         << "..";
        QTest::newRow("user with a separator") << "C:\\Program Files\\The Bat!\\"
                                               << "..\\Bob";
        QTest::newRow("empty user") << "C:\\Program Files\\The Bat!\\"
                                    << "";
    }
    void oddValues() {
        QFETCH(QString, working);
        QFETCH(QString, user);
        Rig rig;
        const QString program = QStringLiteral("Software\\RIT\\The Bat!");
        const QString value = QStringLiteral("Working Directory");
        if (working.isNull())
            rig.prefix.removeValue(platform::HKEY_CURRENT_USER, program, value);
        else
            rig.prefix.setString(platform::HKEY_CURRENT_USER, program, value, working);
        rig.setDepot(QStringLiteral("User #1"), user);
        QVERIFY(!rig.backup({1, 2}, {3}));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 3);
        const QStringList names = rig.names();
        if (user == QLatin1String("Ann") && !working.isNull()) {
            // Only a trailing '\' is cut from the working folder.
            QCOMPARE(names, sorted(userFiles(0) << "infobak.ini"));
        } else {
            // The user's (empty) map below a name that stays inside the
            // user's archive folder, and the manifest.
            QCOMPARE(names.size(), 2);
            QCOMPARE(names.at(1), QStringLiteral("infobak.ini"));
            QVERIFY2(names.at(0).count(QLatin1Char('/')) == 1 &&
                         names.at(0).endsWith(QLatin1String("/directory.ini")),
                     qPrintable(names.at(0)));
        }
    }

    // A missing count or missing user values: the manifest keeps its numbering.
    void missingUserValues() {
        Rig rig;
        rig.prefix.removeValue(platform::HKEY_CURRENT_USER, thebat::usersKey(),
                               QStringLiteral("Dir #3"));
        rig.prefix.save();
        QVERIFY(!rig.backup({0, 1}, {0, 2, 3}));
        // No "Dir #3": Carol's folder would be below the working folder, where there is none.
        QCOMPARE(rig.names(), (QStringList{"Carol/directory.ini", "infobak.ini"}));
        QCOMPARE(rig.map(QStringLiteral("Carol")), QStringList());
        QCOMPARE(rig.extractedIni(QStringLiteral("infobak.ini")).readString("Directory", "Item1"),
                 QStringLiteral("default"));
    }

    // More mail folders than the found-folder list holds: the backup says so,
    // and writes no archive that lacks them.
    void moreFoldersThanTheListHolds() {
        Rig rig;
        for (int i = 0; i < 1003; ++i)
            rig.prefix.writeFile(
                thebat::userFolder(1) + QStringLiteral("\\Many\\F%1\\Messages.tbi").arg(i), "i");
        QVERIFY(rig.backup({0, 2}, {0, 2, 3}));
        QVERIFY2(rig.state().BackupErrorText.contains(QLatin1String("left out")),
                 qPrintable(rig.state().BackupErrorText));
        QVERIFY(!QFile::exists(rig.archive()));
    }
};

QTEST_GUILESS_MAIN(TestTheBat)
#include "tst_thebat.moc"
