// The Pegasus Mail collector over the sample installation: several users,
// single-user mode, and mailbox values and user names that are odd.

#include "support/BackupRig.h"
#include "support/clients/PegasusSample.h"

#include "backup/collectors/PegasusCollector.h"
#include "clients/Clients.h"
#include "clients/layouts/PegasusLayout.h"

#include <QRandomGenerator>

using namespace backup;
using testsupport::BackupRig;

class TestPegasus : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\pegasus.ebk")) {
            support::addPegasus(prefix);
        }
        // The identities as the catalogue lists them for this installation.
        QStringList identities() {
            clients::ClientCatalogue catalogue(*registry, *files);
            QStringList ids, items;
            catalogue.GetIdentitiesAndItems(clients::kPegasus, ids, items);
            return ids;
        }
        bool backup(const QList<int>& untickedIdentities = {}) {
            return run(clients::kPegasus, ticked(identities(), untickedIdentities),
                       ticked(clients::ClientItems(clients::kPegasus)));
        }
        bool backupAs(const QStringList& ids) {
            return run(clients::kPegasus, ticked(ids),
                       ticked(clients::ClientItems(clients::kPegasus)));
        }
        void setMailbox(const QString& value) {
            prefix.setString(platform::HKEY_LOCAL_MACHINE,
                             support::pegasus::key() + QStringLiteral("\\MailBox"), QString(),
                             value);
            prefix.save();
        }
    };

    // The files the sample writes for one user, below its archive folder.
    static QStringList userFiles(const QString& folder) {
        QStringList out;
        for (const char* f : {"FOLDERS.PMJ", "PMAIL.INI", "INBOX.PMM", "INBOX.PMI", "SENT.PMM",
                              "SENT.PMI", "1A2B3C4D.CNM", "ADDRESS.PMR", "SIGS/SIG1.PML"})
            out << folder + QLatin1Char('/') + QLatin1String(f);
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void everyUser() {
        Rig rig;
        QCOMPARE(rig.identities(), support::pegasus::users());
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        // Tom's folder is spelt in capitals on disk; his files go below the name of the list.
        QStringList expected = userFiles(QStringLiteral("Jane Doe")) +
                               userFiles(QStringLiteral("Tom")) +
                               userFiles(QStringLiteral("Ann Lee"));
        expected << "Jane Doe/ARCHIVE/2003.PMM"
                 << "Jane Doe/ARCHIVE/2003.PMI"
                 << "user.reg"
                 << "PMAIL.USR"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        // One task per user, each named after the first item.
        QCOMPARE(rig.taskNames(), QStringList(3, QStringLiteral("Accounts Settings")));
        QCOMPARE(rig.list().task(3).last, rig.list().count() - 3);

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("PegasusMail"));
        QCOMPARE(info.keyNames("Identities"), (QStringList{"Item1", "Item2", "Item3"}));
        QCOMPARE(info.readString("Identities", "Item2"), QStringLiteral("Tom"));
        QCOMPARE(info.keyNames("Items"), (QStringList{"Item1", "Item2", "Item3", "Item4"}));
        QCOMPARE(info.readString("Items", "Item4"), QStringLiteral("Address Book"));

        const QByteArray dump = rig.extracted(QStringLiteral("user.reg"));
        QCOMPARE(dump, QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\software"
                                  "\\pegasus mail\\Username]\r\n\"\"=\"Multi-user mode\"\r\n"));
        QCOMPARE(rig.extracted(QStringLiteral("PMAIL.USR")).left(16),
                 QByteArray("Y;Jane Doe;JDOE\r"));
    }

    void oneUserTicked() {
        Rig rig;
        QVERIFY(!rig.backup({1, 2}));
        QStringList expected = userFiles(QStringLiteral("Jane Doe"));
        expected << "Jane Doe/ARCHIVE/2003.PMM"
                 << "Jane Doe/ARCHIVE/2003.PMI"
                 << "user.reg"
                 << "PMAIL.USR"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QCOMPARE(rig.taskNames(), QStringList{QStringLiteral("Accounts Settings")});
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.keyNames("Identities"), QStringList{"Item1"});
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Jane Doe"));
        QCOMPARE(info.keyNames("Items").size(), 4);
    }

    void singleUserMode() {
        Rig rig;
        support::pegasus::makeSingleUser(rig.prefix);
        QCOMPARE(rig.identities(), QStringList{QStringLiteral("Default User")});
        QVERIFY(!rig.backup());
        // The mail of the "Mail" folder below the single user's name; the user
        // list is listed but missing, so it stores nothing.
        QStringList expected = userFiles(QStringLiteral("Default User"));
        expected << "user.reg"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        QVERIFY(
            rig.list().entry(rig.list().count() - 1).spec.endsWith(QLatin1String("\\Pmail.usr")));
        QVERIFY(rig.extracted(QStringLiteral("user.reg")).contains("\"\"=\"Single-user mode\""));
    }

    // Single-user mode reads the "Mail" folder also when a user list is left
    // over from multi-user mode.
    void singleUserModeWithUserList() {
        Rig rig;
        support::pegasus::makeSingleUser(rig.prefix);
        rig.prefix.writeFile(support::pegasus::mailbox() + QStringLiteral("\\PMAIL.USR"),
                             "Y;Jane Doe;JDOE\r\n");
        QCOMPARE(rig.identities(), QStringList{QStringLiteral("Default User")});
        QVERIFY(!rig.backup());
        QStringList expected = userFiles(QStringLiteral("Default User"));
        expected << "user.reg"
                 << "PMAIL.USR"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
    }

    // "Default User" first, but a user list exists: the users' folders are read.
    void defaultUserWithUserList() {
        Rig rig;
        QVERIFY(!rig.backupAs({QStringLiteral("Default User"), QStringLiteral("Tom")}));
        QStringList expected = userFiles(QStringLiteral("Tom"));
        expected << "user.reg"
                 << "PMAIL.USR"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QCOMPARE(rig.taskNames().size(), 2);
    }

    void mailboxCut_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("folder");
        QTest::newRow("trailing backslash") << "C:\\PMAIL\\MAIL\\"
                                            << "C:\\PMAIL\\MAIL";
        QTest::newRow("file name") << "C:\\PMAIL\\MAIL\\x"
                                   << "C:\\PMAIL\\MAIL";
        QTest::newRow("no backslash") << "PMAIL"
                                      << "PMAIL";
        QTest::newRow("root") << "C:\\"
                              << "C:";
        QTest::newRow("empty") << ""
                               << "";
    }
    void mailboxCut() {
        QFETCH(QString, value);
        QFETCH(QString, folder);
        QCOMPARE(clients::PegasusLayout::mailboxFolder(value), folder);
    }

    // Mailbox values that name nothing usable: a valid archive, with the dump
    // and the manifest only.
    void unusableMailbox_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << "";
        QTest::newRow("no backslash") << "MAIL";
        QTest::newRow("missing folder") << "C:\\GONE\\MAIL\\";
        QTest::newRow("drive root") << "C:\\";
    }
    void unusableMailbox() {
        QFETCH(QString, value);
        Rig rig;
        if (value.isNull())
            rig.prefix.removeValue(platform::HKEY_LOCAL_MACHINE,
                                   support::pegasus::key() + QStringLiteral("\\MailBox"),
                                   QString());
        else
            rig.setMailbox(value);
        rig.prefix.save();
        QVERIFY(!rig.backupAs(support::pegasus::users()));
        QCOMPARE(rig.names(), (QStringList{"infobak.ini", "user.reg"}));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 3);
    }

    // A user name that is no folder name never reads outside the mailbox folder.
    void namesThatLeaveTheMailbox() {
        Rig rig;
        QVERIFY(!rig.backupAs({QStringLiteral(".."), QStringLiteral("..\\PROGRAMS"),
                               QStringLiteral(""), QStringLiteral("Tom")}));
        QStringList expected = userFiles(QStringLiteral("Tom"));
        expected << "user.reg"
                 << "PMAIL.USR"
                 << "infobak.ini";
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QCOMPARE(rig.taskNames().size(), 4);
    }

    // Random mailbox values and user lists: never a crash, always a valid archive.
    void randomInput() {
        Rig rig;
        QRandomGenerator gen(5);
        const QString alphabet = QStringLiteral("C:\\.;MAILpx \u00e9");
        for (int round = 0; round < 12; ++round) {
            QString value;
            for (int i = int(gen.bounded(30)); i > 0; --i)
                value += alphabet.at(int(gen.bounded(alphabet.size())));
            rig.setMailbox(value);
            QByteArray list;
            for (int i = int(gen.bounded(200)); i > 0; --i)
                list += char(gen.bounded(256));
            rig.prefix.writeFile(support::pegasus::mailbox() + QStringLiteral("\\PMAIL.USR"), list);
            QStringList ids = rig.identities();
            ids << value;
            rig.backupAs(ids.mid(0, kMaxSelected));
            QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
            QVERIFY(rig.sevenZipTests());
        }
    }
};

QTEST_GUILESS_MAIN(TestPegasus)
#include "tst_pegasus.moc"
