// The Opera 6 and Opera 7 collectors over the sample installation: what
// reaches the archive, the folder and signature maps per account, the order
// of the tasks, and program folders, account lines and settings that are odd.

#include "support/BackupRig.h"
#include "support/clients/OperaSample.h"

#include "clients/Clients.h"

#include <QRandomGenerator>

using namespace backup;
using testsupport::BackupRig;
namespace opera = support::opera;

class TestOpera : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\opera.ebk")) { support::addOpera(prefix); }
        // account3 unticked unless said otherwise.
        bool backup6(const QList<int>& untickedItems = {}, const QList<int>& untickedIds = {2}) {
            return run(clients::kOpera6, ticked(opera::accounts(), untickedIds),
                       ticked(clients::ClientItems(clients::kOpera6), untickedItems));
        }
        bool backup6For(const QStringList& accounts, const QList<int>& untickedItems) {
            return run(clients::kOpera6, ticked(accounts),
                       ticked(clients::ClientItems(clients::kOpera6), untickedItems));
        }
        bool backup7(bool identityTicked = true) {
            return run(clients::kOpera7,
                       ticked({QStringLiteral("Default User")},
                              identityTicked ? QList<int>{} : QList<int>{0}),
                       ticked(clients::ClientItems(clients::kOpera7)));
        }
        void setCommandLine(const QString& value) {
            prefix.setString(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Opera Software"),
                             QStringLiteral("Last CommandLine"), value);
            prefix.save();
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void opera6Everything() {
        Rig rig;
        QStringList ids;
        QStringList items;
        rig.catalogue.GetIdentitiesAndItems(clients::kOpera6, ids, items);
        QCOMPARE(ids, opera::accounts());

        QVERIFY(!rig.backup6());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QStringList expected{
            // account1: settings, nested mail folders, its own mailboxes, map,
            // filters, signature map and the signature file under its folder
            "account1/Account.ini", "account1/Inbox/Inbox.idx", "account1/Inbox/Inbox.mbs",
            "account1/Inbox/folder.ini", "account1/Inbox/Old/Old.idx", "account1/Inbox/Old/Old.mbs",
            "account1/Inbox/Old/folder.ini", "account1/Sent/Sent.idx", "account1/Sent/Sent.mbs",
            "account1/Sent/Sent 2002.mbs", "account1/Sent/folder.ini", "account1/directory.ini",
            "account1/Outbox.mbs", "account1/Outbox.idx", "account1/Folder.ini",
            "account1/filters.dat", "account1/signatures.ini", "account1/Signatures/ann.sig",
            // account2, written in capitals
            "account2/ACCOUNT.INI", "account2/INBOX/INBOX.IDX", "account2/INBOX/INBOX.MBS",
            "account2/INBOX/FOLDER.INI", "account2/directory.ini", "account2/WORK.MBS",
            "account2/FOLDER.INI", "account2/FILTERS.DAT", "account2/signatures.ini",
            // once: the account list, the address book, the manifest
            "accounts.ini", "Contacts.adr", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        const QStringList perAccount{"Accounts Settings", "Mail Folders", "Filters", "Signatures"};
        QCOMPARE(rig.taskNames(), perAccount + perAccount + QStringList{"Address Book"});

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Opera"));
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities"),
                 (QStringList{"Item1=account1", "Item2=account2"}));
        QCOMPARE(info.keyNames("Items").size(), 5);

        // Sub-folders in the order found: a folder before the folders inside it.
        const QStringList map = rig.extractedSection("account1/directory.ini", "Directory");
        QCOMPARE(map.size(), 3);
        QStringList values;
        for (const QString& line : map)
            values << line.section(QLatin1Char('='), 1);
        QVERIFY(values.contains(QStringLiteral("account1\\Sent")));
        QVERIFY(values.indexOf(QStringLiteral("account1\\Inbox")) >= 0);
        QVERIFY(values.indexOf(QStringLiteral("account1\\Inbox")) <
                values.indexOf(QStringLiteral("account1\\Inbox\\Old")));
        QCOMPARE(rig.extractedSection("account2/directory.ini", "Directory"),
                 QStringList{"Dir1=account2\\INBOX"});

        QCOMPARE(rig.extractedSection("account1/signatures.ini", "Directory"),
                 QStringList{"Dir=" + opera::programFolder() + "Signatures\\"});
        QCOMPARE(rig.extractedSection("account1/signatures.ini", "Files"),
                 QStringList{"File=ann.sig"});
        QCOMPARE(rig.extracted("account1/Signatures/ann.sig"), QByteArray("-- \r\nAnn Lee\r\n"));
        // An empty "SignatureFile" still gets its map, with empty values.
        QCOMPARE(rig.extractedSection("account2/signatures.ini", "Directory"), QStringList{"Dir="});
        QCOMPARE(rig.extractedSection("account2/signatures.ini", "Files"), QStringList{"File="});
    }

    void opera6NestedFolderMap() {
        Rig rig;
        QDir(rig.prefix.hostPath(opera::mailFolder() + "\\account1\\Sent")).removeRecursively();
        QVERIFY(!rig.backup6({0, 2, 3, 4}, {1, 2}));
        QCOMPARE(rig.extractedSection("account1/directory.ini", "Directory"),
                 (QStringList{"Dir1=account1\\Inbox", "Dir2=account1\\Inbox\\Old"}));
        QCOMPARE(rig.taskNames(), QStringList{"Mail Folders"});
        // The sub-folders' files come first, the account's own last.
        const ArchiveList& list = rig.list();
        QVERIFY(list.entry(1).spec.contains(QLatin1String("\\Inbox\\")));
        QVERIFY(list.entry(list.count() - 1).spec.endsWith(QLatin1String("account1\\Folder.ini")));
    }

    void opera6SignaturesAlone() {
        Rig rig;
        QVERIFY(!rig.backup6({0, 1, 2, 4}));
        QCOMPARE(rig.names(), (QStringList{"account1/Signatures/ann.sig", "account1/signatures.ini",
                                           "account2/signatures.ini", "infobak.ini"}));
        QCOMPARE(rig.taskNames(), (QStringList{"Signatures", "Signatures"}));
        QCOMPARE(rig.extractedSection("infobak.ini", "Items"), QStringList{"Item1=Signatures"});
    }

    void opera6AddressBookAlone() {
        Rig rig;
        QVERIFY(!rig.backup6({0, 1, 2, 3}, {}));
        QCOMPARE(rig.names(), (QStringList{"Contacts.adr", "infobak.ini"}));
        QCOMPARE(rig.taskNames(), QStringList{"Address Book"});
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities").size(), 3);
    }

    // Lines of the account list that name no folder of their own read nothing:
    // an empty name would otherwise back up every account's mail a second time.
    void opera6AccountsWithoutFolder() {
        Rig rig;
        QVERIFY(!rig.backup6For({"", "..", "account1\\Inbox", "Count=3", "account1"}, {2, 4}));
        QStringList names = rig.names();
        QCOMPARE(names.filter(QStringLiteral("Account.ini")), QStringList{"account1/Account.ini"});
        QCOMPARE(names.filter(QStringLiteral("Old.mbs")),
                 QStringList{"account1/Inbox/Old/Old.mbs"});
        QCOMPARE(names.filter(QStringLiteral("directory.ini")),
                 (QStringList{"Count=3/directory.ini", "account1/directory.ini"}));
        QCOMPARE(rig.extractedSection("Count=3/directory.ini", "Directory"), QStringList());
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 5 * 3);
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities").size(), 5);
    }

    // No usable program folder: an archive with the manifest alone, every task closed.
    void opera6WithoutProgramFolder_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("missing") << QString();
        QTest::newRow("no folder") << "Opera.exe";
        QTest::newRow("relative") << "Opera\\Opera.exe";
        QTest::newRow("quoted") << "\"C:\\Program Files\\Opera\\Opera.exe\"";
    }

    void opera6WithoutProgramFolder() {
        QFETCH(QString, commandLine);
        Rig rig;
        if (commandLine.isNull())
            rig.prefix.removeValue(platform::HKEY_CURRENT_USER,
                                   QStringLiteral("Software\\Opera Software"),
                                   QStringLiteral("Last CommandLine"));
        else
            rig.setCommandLine(commandLine);
        rig.prefix.save();
        QVERIFY(!rig.backup6());
        QCOMPARE(rig.names(), QStringList{"infobak.ini"});
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 2 * 4 + 1);
    }

    // Account settings that are missing, garbage or name no file on a drive:
    // the map is written with what could be read, no signature entry is made.
    void opera6OddAccountSettings_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << QByteArray() << ""
                                 << "";
        QTest::newRow("relative") << QByteArray("[OUTGOING]\r\nSignatureFile=sig\\ann.sig\r\n")
                                  << "sig\\"
                                  << "ann.sig";
        QTest::newRow("no section") << QByteArray("SignatureFile=C:\\x.sig\r\n") << ""
                                    << "";
        QByteArray garbage(3000, '\0');
        QRandomGenerator gen(86);
        for (char& c : garbage)
            c = char(gen.bounded(256));
        QTest::newRow("garbage") << garbage << ""
                                 << "";
        QTest::newRow("cut short") << QByteArray("[OUTGOING]\r\nSignatureFile=C:\\Sig") << "C:\\"
                                   << "Sig";
    }

    void opera6OddAccountSettings() {
        QFETCH(QByteArray, content);
        QFETCH(QString, dir);
        QFETCH(QString, file);
        Rig rig;
        const QString settings = opera::mailFolder() + "\\account1\\Account.ini";
        if (content.isEmpty())
            QFile::remove(rig.prefix.hostPath(settings));
        else
            rig.prefix.writeFile(settings, content);
        QVERIFY(!rig.backup6({0, 1, 2, 4}, {1, 2}));
        QCOMPARE(rig.extractedSection("account1/signatures.ini", "Directory"),
                 QStringList{"Dir=" + dir});
        QCOMPARE(rig.extractedSection("account1/signatures.ini", "Files"),
                 QStringList{"File=" + file});
        QCOMPARE(rig.names().filter(QStringLiteral("Signatures/")), QStringList());
        QVERIFY(rig.sevenZipTests());
    }

    void opera7FiveTasks() {
        Rig rig;
        QVERIFY(!rig.backup7());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QCOMPARE(rig.taskNames(), (QStringList{"Mail Folders", "Mail Folders", "Mail Folders",
                                               "Signatures", "Address Book"}));
        QStringList expected{// every entry of Mail, its sub-folders whole, below "Mail"
                             "Mail/accounts.ini", "Mail/index.ini", "Mail/Cache/0000001.mbs",
                             "Mail/index/0000.idx", "Mail/index/0001.idx",
                             "Mail/storage/signature1.txt",
                             "Mail/store/account1/2003/02/10/0001.mbs",
                             // cache, index and storage once more, relative to Mail
                             "Cache/0000001.mbs", "index/0000.idx", "index/0001.idx",
                             "storage/signature1.txt", "contacts.adr", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Opera7"));
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities"),
                 QStringList{"Item1=Default User"});
        QCOMPARE(info.keyNames("Items").size(), 5);
    }

    void opera7Unticked() {
        Rig rig;
        QVERIFY(!rig.backup7(false));
        QCOMPARE(rig.names(), QStringList{"infobak.ini"});
        QCOMPARE(rig.taskNames(), QStringList());
        QCOMPARE(rig.extractedSection("infobak.ini", "Identities"), QStringList());
    }

    void opera7WithoutApplicationData_data() {
        QTest::addColumn<QString>("appData");
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << "";
        QTest::newRow("relative") << "AppData";
        QTest::newRow("no data there") << "C:\\nowhere";
    }

    void opera7WithoutApplicationData() {
        QFETCH(QString, appData);
        Rig rig;
        const QString shell =
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        if (appData.isNull())
            rig.prefix.removeValue(platform::HKEY_CURRENT_USER, shell, QStringLiteral("AppData"));
        else
            rig.prefix.setString(platform::HKEY_CURRENT_USER, shell, QStringLiteral("AppData"),
                                 appData);
        rig.prefix.save();
        QVERIFY(!rig.backup7());
        QCOMPARE(rig.names(), QStringList{"infobak.ini"});
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestOpera)
#include "tst_opera.moc"
