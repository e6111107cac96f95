// The Outlook collector over the sample installation: the Outlook folders, the
// profile's personal stores and their folder map, the signatures, and the
// profile values in the forms Outlook writes them.

#include "support/BackupRig.h"
#include "support/ScopedEnv.h"
#include "support/clients/OutlookSample.h"

#include "backup/collectors/OutlookCollector.h"
#include "clients/Clients.h"
#include "platform/Encoding.h"

#include <QRandomGenerator>

using namespace backup;
using testsupport::BackupRig;
namespace ol = support::outlook;

class TestOutlook : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        QString user;
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\outlook.ebk")) {
            support::addOutlook(prefix);
            user = QStringLiteral("C:\\users\\") + prefix.userName();
        }
        bool backup(bool identityTicked = true) {
            return run(clients::kOutlook,
                       ticked({QStringLiteral("Default user")},
                              identityTicked ? QList<int>{} : QList<int>{0}),
                       ticked(clients::ClientItems(clients::kOutlook)));
        }
        QString section(const QString& name) const {
            return ol::profileKey() + QLatin1Char('\\') + name;
        }
        void setSignatures(const char* version, const QString& value) {
            prefix.setString(platform::HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Microsoft\\Office\\") +
                                 QLatin1String(version) + QStringLiteral("\\Common\\General"),
                             QStringLiteral("Signatures"), value);
            prefix.save();
        }
        QStringList signatureNames() {
            QStringList out;
            for (const QString& n : names()) {
                if (n.startsWith(QLatin1String("Signatures/"))) out << n;
            }
            return out;
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void everything() {
        const support::ScopedEnv locale("LC_ALL", "C.UTF-8");
        Rig rig;
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        const QString personal = QStringLiteral("\u041b\u0438\u0447\u043d\u043e\u0435.pst");
        QStringList expected{
            "app/outcmd.dat", "app/Outlook.NK2", "app/Outlook.srs", "app/Forms/frmcache.dat",
            "local/outlook.pst", "local/extend.dat", "local/Offline Address Books/default.oab",
            "setting.reg", "setting2.reg", "accounts1.reg", "accounts2.reg",
            // inside the local folder, outside its Outlook folder: no folder of its own
            "Others/Dir0/old.pst",
            // the folder of each store outside, by the number of that folder
            "Others/Dir1/archive.pst", "Others/Dir1/Projects 2003.pst", "Others/Dir2/" + personal,
            "Others/Dir1/Family.pst", "others.ini", "Signatures/Work.htm", "Signatures/Work.txt",
            "Signatures/Work.rtf", "Signatures/Work_files/image001.gif", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        QStringList tasks{"Mail Folders"};
        for (int i = 0; i < 4; ++i)
            tasks << "Personal Store";
        for (int i = 0; i < 5; ++i)
            tasks << "Message Rules";
        tasks << "Address Book"
              << "Signatures";
        QCOMPARE(rig.taskNames(), tasks);

        // The stores' folders. Windows-1252 cannot hold the Cyrillic folder name
        // (the test runs in a C locale): the folder map is UTF-16 and reads back equal.
        QVERIFY(rig.extracted(QStringLiteral("others.ini")).startsWith("\xFF\xFE"));
        const auto others = rig.extractedIni(QStringLiteral("others.ini"));
        QCOMPARE(others.keyNames("Directory"), (QStringList{"Dir1", "Dir2"}));
        QCOMPARE(others.readString("Directory", "Dir1"), QStringLiteral("C:\\Mail Archive\\"));
        QCOMPARE(others.readString("Directory", "Dir2"), ol::cyrillicFolder(rig.prefix));

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items", "Directory"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Outlook"));
        QCOMPARE(info.keyNames("Identities"), QStringList{"Item1"});
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Default user"));
        QCOMPARE(info.keyNames("Items").size(), 6);
        QCOMPARE(info.readString("Items", "Item3"), QStringLiteral("Personal Store"));
        QCOMPARE(info.readString("Directory", "Dir1"), rig.user + "\\AppData\\Roaming");
        QCOMPARE(info.readString("Directory", "Dir2"), rig.user + "\\AppData\\Local");
    }

    void registryDumps() {
        Rig rig;
        QVERIFY(!rig.backup());
        const QByteArray setting = rig.extracted(QStringLiteral("setting.reg"));
        const QByteArray profile = "[HKEY_CURRENT_USER\\" + ol::profileKey().toLatin1();
        QVERIFY(setting.startsWith("REGEDIT4\r\n\r\n" + profile + "]\r\n"));
        QVERIFY(setting.contains(profile + "\\" + ol::accountsSection().toLatin1() +
                                 "\\00000001]\r\n"));
        QVERIFY(setting.contains("\"001e6700\"=hex:43,3A,5C"));
        const QByteArray setting2 = rig.extracted(QStringLiteral("setting2.reg"));
        QVERIFY(setting2.contains(
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Mail]"));
        QVERIFY(setting2.contains("\"Send Mail Immediately\"=dword:00000001"));
        // A key Outlook never writes: an empty dump.
        const QByteArray accounts1 = rig.extracted(QStringLiteral("accounts1.reg"));
        QCOMPARE(accounts1, QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Program\\Microsoft\\"
                                       "Office\\Outlook]\r\n"));
        QVERIFY(rig.extracted(QStringLiteral("accounts2.reg")).contains("Outlook.Junk]"));
    }

    // Without the NT profile key the profiles of the older systems are read.
    void olderProfileKey() {
        Rig rig;
        const QString nt = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\"
                                          "Windows Messaging Subsystem\\Profiles");
        rig.prefix.removeKey(platform::HKEY_CURRENT_USER, nt);
        const QString old = QStringLiteral(
            "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\MS Exchange Settings\\"
            "0b1c2d3e4f5061728394a5b6c7d8e9f0");
        rig.prefix.setString(platform::HKEY_CURRENT_USER, old, QStringLiteral("001e6700"),
                             QStringLiteral("c:\\MAIL ARCHIVE\\archive.pst"));
        rig.prefix.save();
        QVERIFY(!rig.backup());
        const QStringList names = rig.names();
        QVERIFY(names.contains(QStringLiteral("Others/Dir1/archive.pst")));
        QVERIFY(!names.contains(QStringLiteral("Others/Dir1/Family.pst")));
        QVERIFY(rig.extracted(QStringLiteral("setting.reg"))
                    .contains("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Messaging "
                              "Subsystem\\Profiles\\MS Exchange Settings]"));
        QCOMPARE(rig.extractedIni(QStringLiteral("others.ini")).readString("Directory", "Dir1"),
                 QStringLiteral("c:\\MAIL ARCHIVE\\"));
    }

    void signatureFolders() {
        {
            // Office 10.0's key wins over 11.0's.
            Rig rig;
            rig.setSignatures("10.0", QStringLiteral("Sig10"));
            rig.prefix.writeFile(rig.user + "\\AppData\\Roaming\\Microsoft\\Sig10\\a.txt", "a");
            QVERIFY(!rig.backup());
            QCOMPARE(rig.signatureNames(), QStringList{"Signatures/a.txt"});
        }
        {
            // 9.0 only when the folder named first does not exist.
            Rig rig;
            rig.setSignatures("11.0", QStringLiteral("Gone"));
            rig.setSignatures("9.0", QStringLiteral("Sig9"));
            rig.prefix.writeFile(rig.user + "\\AppData\\Roaming\\Microsoft\\Sig9\\b.txt", "b");
            QVERIFY(!rig.backup());
            QCOMPARE(rig.signatureNames(), QStringList{"Signatures/b.txt"});
        }
        {
            // No name anywhere: no signatures, not the whole "Microsoft" folder.
            Rig rig;
            rig.setSignatures("11.0", QString());
            QVERIFY(!rig.backup());
            QCOMPARE(rig.signatureNames(), QStringList());
            QCOMPARE(rig.taskNames().last(), QStringLiteral("Signatures"));
        }
    }

    void identityUnticked() {
        Rig rig;
        QVERIFY(!rig.backup(false));
        const QStringList names = rig.names();
        QCOMPARE(names.size(), 5);
        QVERIFY(names.contains(QStringLiteral("infobak.ini")));
        QCOMPARE(rig.taskNames(), QStringList{"Signatures"});
        // Every identity and item is listed all the same.
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Default user"));
        QCOMPARE(info.keyNames("Items").size(), 6);
    }

    // The folder map of an earlier backup does not leak into this one.
    void staleFolderMap() {
        Rig rig;
        QFile stale(rig.staging.hostPath() + QStringLiteral("/others.ini"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("[Directory]\r\nDir7=C:\\Stale\\\r\n");
        stale.close();
        QVERIFY(!rig.backup());
        const auto others = rig.extractedIni(QStringLiteral("others.ini"));
        QCOMPARE(others.keyNames("Directory"), (QStringList{"Dir1", "Dir2"}));
    }

    // A store path kept as ANSI bytes is in the code page of the user's locale:
    // read as 1252 it would name a folder that does not exist, and the store
    // would be left out of the backup without a word.
    void ansiStorePathInLocaleCodePage() {
        const support::ScopedEnv locale("LC_ALL", "ru_RU.UTF-8");
        Rig rig;
        const QString folder = QStringLiteral("C:\\\u041f\u043e\u0447\u0442\u0430\\");
        rig.prefix.writeFile(folder + QStringLiteral("family.pst"), QByteArray("pst"));
        QByteArray property =
            *platform::encodeCodePage(folder + QStringLiteral("family.pst"), 1251);
        property.append('\0');
        rig.prefix.setValue(platform::HKEY_CURRENT_USER, rig.section(ol::familySection()),
                            platform::RegValue::binary(QStringLiteral("001e6700"), property));
        rig.prefix.save();
        QVERIFY(!rig.backup());
        const auto others = rig.extractedIni(QStringLiteral("others.ini"));
        QVERIFY2(others.readString("Directory", "Dir3") == folder,
                 qPrintable(others.readString("Directory", "Dir3")));
        QVERIFY(rig.names().contains(QStringLiteral("Others/Dir3/family.pst")));
    }

    // Profile values of the wrong type, too short, or without a drive add nothing;
    // missing shell folders add nothing of the host.
    void oddProfileValues() {
        Rig rig;
        const auto key = [&](const QString& s) { return rig.section(s); };
        using platform::RegValue;
        rig.prefix.setValue(platform::HKEY_CURRENT_USER, key(ol::archiveSection()),
                            RegValue::binary(QStringLiteral("001f6700"), QByteArray("C\0:", 3)));
        rig.prefix.setValue(platform::HKEY_CURRENT_USER, key(ol::projectsSection()),
                            RegValue::dword(QStringLiteral("001e6700"), 7));
        rig.prefix.setString(platform::HKEY_CURRENT_USER, key(ol::familySection()),
                             QStringLiteral("001e6700"), QStringLiteral("Family.pst"));
        const QString shell =
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        rig.prefix.removeValue(platform::HKEY_CURRENT_USER, shell, QStringLiteral("AppData"));
        rig.prefix.setString(platform::HKEY_CURRENT_USER, shell, QStringLiteral("Local AppData"),
                             QStringLiteral("Nowhere"));
        rig.prefix.save();
        QVERIFY(!rig.backup());
        QVERIFY(rig.sevenZipTests());
        QStringList stores;
        for (const QString& n : rig.names()) {
            QVERIFY2(!n.startsWith(QLatin1String("app/")) && !n.startsWith(QLatin1String("local/")),
                     qPrintable(n));
            if (n.startsWith(QLatin1String("Others/"))) stores << n;
        }
        // With the local folder unknown every store has a folder of its own.
        QCOMPARE(stores.size(), 3);
        QVERIFY(stores.contains(QStringLiteral("Others/Dir1/outlook.pst")));
        QVERIFY(stores.contains(QStringLiteral("Others/Dir2/old.pst")));
    }

    void unicodeStorePaths_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("path");
        QTest::newRow("short") << QByteArray("C\0\0", 3) << QString();
        QTest::newRow("terminated") << QByteArray("C\0:\0\\\0x\0\0\0", 10) << "C:\\x";
        QTest::newRow("no terminator") << QByteArray("C\0:\0\\\0x\0", 8) << "C:\\x";
        QTest::newRow("odd length") << QByteArray("C\0:\0\\\0x", 7) << "C:\\";
        QTest::newRow("cyrillic") << QByteArray("C\0:\0\\\0\x1f\x04\x3e\x04\0\0", 12)
                                  << QStringLiteral("C:\\\u041f\u043e");
        QTest::newRow("latin") << QByteArray("\xe4\0\0\0", 4) << QStringLiteral("\u00e4");
    }

    void unicodeStorePaths() {
        QFETCH(QByteArray, data);
        QFETCH(QString, path);
        QCOMPARE(OutlookCollector::UnicodeStorePath(data), path);
    }

    void randomStoreValues() {
        QRandomGenerator gen(11);
        for (int round = 0; round < 2000; ++round) {
            QByteArray data(int(gen.bounded(64)), '\0');
            for (char& c : data)
                c = char(gen.bounded(256));
            const QString path = OutlookCollector::UnicodeStorePath(data);
            QVERIFY(path.size() <= data.size() / 2);
            QVERIFY(!path.contains(QChar(0)));
        }
    }
};

QTEST_GUILESS_MAIN(TestOutlook)
#include "tst_outlook.moc"
