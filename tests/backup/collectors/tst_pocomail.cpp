// The PocoMail collector over the sample installation in its three layouts:
// the default user's items and mail map, further users, and settings files
// that are missing, malformed or odd.

#include "support/BackupRig.h"
#include "support/clients/PocoMailSample.h"

#include "backup/collectors/PocoMailCollector.h"
#include "clients/Clients.h"
#include "platform/Ini.h"

#include <QFile>
#include <QRandomGenerator>

using namespace backup;
using testsupport::BackupRig;
namespace pocomail = support::pocomail;

class TestPocoMail : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        int code = clients::kPocoMail3;
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\poco.ebk")) { support::addPocoMail(prefix); }
        // "Default User" and the users folder's entries, as the catalogue lists them.
        QStringList identities() {
            clients::ClientCatalogue catalogue(*registry, *files);
            QStringList ids, items;
            catalogue.GetIdentitiesAndItems(code, ids, items);
            return ids;
        }
        bool backup(const QList<int>& untickedIdentities = {},
                    const QList<int>& untickedItems = {}) {
            return run(code, ticked(identities(), untickedIdentities),
                       ticked(clients::ClientItems(code), untickedItems));
        }
        // Positions of the further users, by name (the users folder lists them in its own order).
        int position(const QString& user) { return int(identities().indexOf(user)); }
        void writeSettings(const QByteArray& text) {
            prefix.writeFile(pocomail::settingsFile(), text);
        }
        QStringList mailMap() {
            return extractedSection(QStringLiteral("directory.ini"), QStringLiteral("Directory"));
        }
    };

    // The default user's entries by item, as the sample writes them.
    static QStringList defaultFiles(const QList<int>& items = {0, 1, 2, 3, 4, 5}) {
        QStringList out{"Poco.ini"};
        if (items.contains(0)) out << "accounts.ini";
        if (items.contains(1)) {
            out << "Attach/invoice.pdf"
                << "Templates/Thank you.txt"
                << "Mail/folders.dat";
            for (const char* box : {"Inbox", "Outbox", "Sent", "Deleted"})
                out << QStringLiteral("Mail/%1.mbx").arg(QLatin1String(box))
                    << QStringLiteral("Mail/%1.itx").arg(QLatin1String(box));
            const QStringList work{"Work/Projects.mbx", "Work/Projects.itx", "Work/Clients.mbx",
                                   "Work/index.dat",    "Work/Old/2003.MBX", "Work/Old/2003.ITX"};
            // The whole mail folder, then the mailbox folders below the mail root.
            for (const QString& w : work)
                out << QStringLiteral("Mail/") + w;
            out << "Mail/Work/notes.txt" << work << "directory.ini";
        }
        if (items.contains(2)) out << "Filters.ini";
        if (items.contains(3)) out << "Signatures/Default.sig";
        if (items.contains(4)) out << "Address/Addresses.pab";
        if (items.contains(5)) out << "Scripts/Cleanup.pms";
        return out;
    }
    static QStringList userFiles(const QString& user,
                                 const QList<int>& items = {0, 1, 2, 3, 4, 5}) {
        const QString u = QStringLiteral("users/") + user + QLatin1Char('/');
        QStringList out{u + "poco.ini"};
        if (items.contains(0)) out << u + "accounts.ini";
        if (items.contains(1))
            out << u + "Attach/photo.jpg" << u + "Mail/Inbox.mbx" << u + "Mail/Inbox.itx"
                << u + "Mail/Private/Letters.mbx" << u + "Templates/Reply.txt";
        if (items.contains(2)) out << u + "Filters.ini";
        if (items.contains(3)) out << u + "Signatures/" + user + ".sig";
        if (items.contains(4)) out << u + "Address/" + user + ".pab";
        if (items.contains(5)) out << u + "Scripts/Tidy.pms";
        return out;
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
        QCOMPARE(sorted(rig.identities()), (QStringList{"Ann", "Bob", "Default User"}));
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        // Neither user's own settings name a users folder: both are found all the same.
        QCOMPARE(rig.names(), sorted(defaultFiles() + userFiles("Ann") + userFiles("Bob") +
                                     QStringList{"infobak.ini"}));
        QVERIFY(rig.sevenZipTests());
        const QStringList items = clients::ClientItems(rig.code);
        QCOMPARE(rig.taskNames(), items + items + items);
        QCOMPARE(rig.list().task(rig.list().tasksClosed()).last, rig.list().count() - 1);

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("PocoMail3"));
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Default User"));
        QCOMPARE(info.keyNames("Identities").size(), 3);
        QCOMPARE(info.readString("Items", "Item6"), QStringLiteral("Scripts"));

        // Each mailbox folder once, relative to the mail root, a parent before its sub-folder.
        const QStringList map = rig.mailMap();
        QCOMPARE(sorted(map), (QStringList{"Dir1=Work", "Dir2=Work\\Old"}));
        int projects = 0;
        for (int n = 1; n <= rig.list().count(); ++n)
            projects += rig.list().entry(n).spec.endsWith(QLatin1String("Work\\Projects.mbx"));
        QCOMPARE(projects, 1);
    }

    void layouts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("client");
        QTest::newRow("2.x") << int(clients::kPocoMail2) << "PocoMail2";
        QTest::newRow("3.x") << int(clients::kPocoMail3) << "PocoMail3";
        QTest::newRow("2.x PE") << int(clients::kPocoMail20) << "PocoMail20";
    }
    void layouts() {
        QFETCH(int, code);
        QFETCH(QString, client);
        Rig rig;
        rig.code = code;
        if (code != clients::kPocoMail3) pocomail::addLayout(rig.prefix, code);
        QVERIFY(!rig.backup({}, {2, 3, 4, 5}));
        QCOMPARE(
            rig.extractedIni(QStringLiteral("infobak.ini")).readString("Backup", "EmailClient"),
            client);
        QCOMPARE(rig.names(), sorted(defaultFiles({0, 1}) + userFiles("Ann", {0, 1}) +
                                     userFiles("Bob", {0, 1}) + QStringList{"infobak.ini"}));
    }

    void defaultUserUnticked() {
        Rig rig;
        QVERIFY(!rig.backup({0, rig.position("Bob")}));
        QCOMPARE(rig.names(), sorted(userFiles("Ann") << "infobak.ini"));
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.keyNames("Identities"), QStringList{"Item1"});
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Ann"));
    }

    // The map comes with the default user's mail folders only.
    void mapOnlyWithDefaultUserAndMailFolders_data() {
        QTest::addColumn<bool>("defaultUser");
        QTest::addColumn<bool>("mailFolders");
        QTest::newRow("both") << true << true;
        QTest::newRow("no mail folders") << true << false;
        QTest::newRow("no default user") << false << true;
    }
    void mapOnlyWithDefaultUserAndMailFolders() {
        QFETCH(bool, defaultUser);
        QFETCH(bool, mailFolders);
        Rig rig;
        QList<int> ids{rig.position("Bob")};
        if (!defaultUser) ids << 0;
        QVERIFY(!rig.backup(ids, mailFolders ? QList<int>{0, 2} : QList<int>{1}));
        QCOMPARE(rig.names().contains(QStringLiteral("directory.ini")), defaultUser && mailFolders);
        int maps = 0;
        for (int n = 1; n <= rig.list().count(); ++n)
            maps += rig.list().entry(n).spec.endsWith(QLatin1String("\\directory.ini"));
        QCOMPARE(maps, defaultUser && mailFolders ? 1 : 0);
    }

    // No settings file: no folders for the items, the user list from the
    // PocoMail folder's users folder, the mail map all the same.
    void settingsFileMissing() {
        Rig rig;
        QFile::remove(rig.prefix.hostPath(pocomail::settingsFile()));
        QVERIFY(!rig.backup());
        QVERIFY(rig.sevenZipTests());
        QStringList expected{"accounts.ini",     "Filters.ini",       "directory.ini",
                             "infobak.ini",      "Work/Projects.mbx", "Work/Projects.itx",
                             "Work/Clients.mbx", "Work/index.dat",    "Work/Old/2003.MBX",
                             "Work/Old/2003.ITX"};
        QCOMPARE(rig.names(), sorted(expected + userFiles("Ann") + userFiles("Bob")));
    }

    // Values without their trailing '\', a value that is '\' alone (no folder, not the
    // whole PocoMail folder), a relative users folder, keys missing.
    void oddSettings() {
        Rig rig;
        rig.writeSettings(
            "[Program]\r\nMailPath=Mail\r\nSigPath=\r\nAddressPath=\\\r\nUsersPath=Users\r\n"
            "[Mail]\r\nAttachPath=A\r\n");
        QVERIFY(!rig.backup({rig.position("Bob")}));
        QStringList expected = defaultFiles({0, 1, 2});
        expected.removeAll(QStringLiteral("Attach/invoice.pdf"));
        expected.removeAll(QStringLiteral("Templates/Thank you.txt"));
        QCOMPARE(rig.names(), sorted(expected + userFiles("Ann") << "infobak.ini"));
    }

    // Settings files of random bytes and random lines: never a crash, always
    // a valid archive, and every folder lies below the settings file's folder.
    void malformedSettings() {
        QRandomGenerator gen(73);
        const QString alphabet = QStringLiteral("[]=\\ \r\nProgramMailPathSig;\"'\u00e9");
        for (int round = 0; round < 400; ++round) {
            QString text;
            for (int i = int(gen.bounded(300)); i > 0; --i)
                text += alphabet.at(int(gen.bounded(alphabet.size())));
            const auto s = PocoMailCollector::ReadSettings(platform::IniFile::parse(text),
                                                           QStringLiteral("C:\\P"));
            for (const QString& v :
                 {s.address, s.attach, s.mail, s.script, s.signature, s.templates})
                QVERIFY(v.isEmpty() || v.startsWith(QLatin1String("C:\\P\\")));
        }
        Rig rig;
        for (int round = 0; round < 6; ++round) {
            QByteArray bytes;
            for (int i = int(gen.bounded(2000)); i > 0; --i)
                bytes += char(gen.bounded(256));
            rig.writeSettings(round % 2 ? bytes : "[Program]\r\nMailPath=" + bytes);
            rig.backup();
            QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
            QVERIFY(rig.sevenZipTests());
        }
    }

    // No PocoMail folder in the registry: the empty sections.
    void noPocoFolder() {
        Rig rig;
        rig.prefix.removeKey(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Poco Systems Inc"));
        rig.prefix.save();
        QVERIFY(!rig.run(rig.code,
                         BackupRig::ticked({QStringLiteral("Default User"), QStringLiteral("Ann")}),
                         BackupRig::ticked(clients::ClientItems(rig.code))));
        QCOMPARE(rig.names(), (QStringList{"directory.ini", "infobak.ini"}));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 12);
    }

    // An entry of the users folder that is a plain file, and names that are no folder names.
    void oddUsers() {
        Rig rig;
        rig.prefix.writeFile(pocomail::folder() + QStringLiteral("\\Users\\readme.txt"),
                             "hello\r\n");
        QVERIFY(rig.identities().contains(QStringLiteral("readme.txt")));
        QVERIFY(!rig.backup({0, rig.position("Bob")}));
        QCOMPARE(rig.names(), sorted(userFiles("Ann") << "infobak.ini"));

        Rig climbing;
        QVERIFY(!climbing.run(climbing.code,
                              BackupRig::ticked({QStringLiteral("Default User"),
                                                 QStringLiteral(".."), QStringLiteral("..\\..")},
                                                {0}),
                              BackupRig::ticked(clients::ClientItems(climbing.code))));
        QCOMPARE(climbing.names(), QStringList{"infobak.ini"});
    }

    // More mailbox folders than the found-folder list holds: the backup says so,
    // and writes no archive that lacks them.
    void moreFoldersThanTheListHolds() {
        Rig rig;
        for (int i = 0; i < 1002; ++i)
            rig.prefix.writeFile(
                pocomail::folder() + QStringLiteral("\\Mail\\Many\\F%1\\a.mbx").arg(i), "x");
        QVERIFY(rig.backup({rig.position("Ann"), rig.position("Bob")}, {0, 2, 3, 4, 5}));
        QVERIFY2(rig.state().BackupErrorText.contains(QLatin1String("left out")),
                 qPrintable(rig.state().BackupErrorText));
        QVERIFY(!QFile::exists(rig.archive()));
    }
};

QTEST_GUILESS_MAIN(TestPocoMail)
#include "tst_pocomail.moc"
