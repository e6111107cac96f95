// postora-inspect "clients" and "settings" over a sample prefix in which all
// ten mail clients are registered, with their identities on disk.

#include "app/Password.h"
#include "base/Settings.h"
#include "platform/Registry.h"
#include "support/SamplePrefix.h"

#include <QProcess>
#include <QTest>

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

QString inspect(const QStringList& args, int* code) {
    QProcess p;
    p.start(QStringLiteral(POSTORA_BIN_DIR "/postora-inspect"), args);
    if (!p.waitForFinished(60000)) return {};
    *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The lines that follow "code N:" in the report.
QString section(const QString& out, int code) {
    const QString head = QStringLiteral("code %1:\n").arg(code);
    const qsizetype at = out.indexOf(head);
    if (at < 0) return {};
    const qsizetype next = out.indexOf(QStringLiteral("\ncode "), at + head.size());
    return out.mid(at + head.size(), next < 0 ? -1 : next - at - head.size());
}

} // namespace

class TestClientsInspect : public QObject {
    Q_OBJECT
    std::unique_ptr<support::SamplePrefix> sample_;
    QString appData_;

private Q_SLOTS:
    void initTestCase() {
        sample_ = std::make_unique<support::SamplePrefix>();
        support::SamplePrefix& s = *sample_;
        const QString mail = QStringLiteral("Software\\Clients\\Mail\\");
        for (const char* name :
             {"Outlook Express", "Microsoft Outlook", "Eudora", "IncrediMail", "Pegasus Mail",
              "The Bat!", "PocoMail", "Opera", "Netscape Messenger"})
            s.addKey(HKEY_LOCAL_MACHINE, mail + QLatin1String(name));
        s.setString(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", QString(), "The Bat!");

        s.setString(HKEY_CURRENT_USER, "Identities\\{1111}", "Username", "Main Identity");
        s.setString(HKEY_CURRENT_USER, "Software\\IncrediMail\\Identities\\A", "Identity", "");
        const QString peg = "SOFTWARE\\Classes\\software\\pegasus mail\\";
        s.setString(HKEY_LOCAL_MACHINE, peg + "MailBox", QString(), "C:\\PMAIL\\MAIL\\");
        s.setString(HKEY_LOCAL_MACHINE, peg + "Username", QString(), "multi");
        s.writeFile("C:\\PMAIL\\MAIL\\PMAIL.USR", "Y;Jane Doe;JDOE\r\n");
        s.setDword(HKEY_CURRENT_USER, "Software\\RIT\\The Bat!\\Users Depot", "Count", 1);
        s.setString(HKEY_CURRENT_USER, "Software\\RIT\\The Bat!\\Users Depot", "User #1", "bat");
        s.setString(HKEY_CURRENT_USER, "Software\\Poco Systems Inc\\PocoMail 3", "Path",
                    "C:\\Poco3");
        s.makeDir("C:\\Poco3\\Users\\ann");
        s.addKey(HKEY_CURRENT_USER, "Software\\Poco\\Mail");
        s.setString(HKEY_CURRENT_USER, "Software\\Opera Software", "Last CommandLine",
                    "C:\\Opera\\Opera.exe");
        s.setString(HKEY_CURRENT_USER, "Software\\Opera Software", "Last CommandLine v2",
                    "C:\\Opera7\\Opera.exe");
        s.writeFile("C:\\Opera\\Mail\\accounts.ini", "[Accounts]\r\nCount=1\r\n[Account1]\r\n");
        s.addKey(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\biff\\users\\tom");
        s.save();
        appData_ = "C:\\users\\" + s.userName() + "\\AppData\\Roaming";
        s.writeFile(
            appData_ + "\\Mozilla\\registry.dat",
            "xx directory=" + (appData_ + "\\Mozilla\\Profiles\\default\\ab12.slt").toLatin1() +
                QByteArray(1, '\0'));
    }

    void clients() {
        int code = -1;
        const QString out = inspect({"clients"}, &code);
        QCOMPARE(code, 0);
        QVERIFY2(out.startsWith("default client: 6 The Bat\n"), qPrintable(out));
        for (int base = 1; base <= 10; ++base)
            QVERIFY2(out.contains(QStringLiteral("client %1 ").arg(base)) &&
                         !out.contains(QStringLiteral("installed no")),
                     qPrintable(out));
        QVERIFY(out.contains("versions 3.x (73), 2.x (72)\n"));
        QVERIFY(out.contains("versions 7.x (87), 6.x (86)\n"));
        QVERIFY(out.contains("versions 6.x/7.x (967), 4.x (94)\n"));

        QVERIFY(section(out, 1).startsWith("  identities: \"Main Identity\"\n  items: "
                                           "\"Accounts Settings\", \"Mail Folders\""));
        QVERIFY(section(out, 2).contains("items (fixed): "));
        QVERIFY(section(out, 4).startsWith("  identities: \"[Identity1]\""));
        QVERIFY(section(out, 5).startsWith("  identities: \"Jane Doe\""));
        QVERIFY(section(out, 6).startsWith("  identities: \"bat\""));
        QVERIFY(section(out, 73).startsWith("  identities: \"Default User\", \"ann\""));
        QVERIFY(section(out, 86).startsWith("  identities: \"Count=1\""));
        QVERIFY(section(out, 87).startsWith("  identities: \"Default User\""));
        QVERIFY(section(out, 94).startsWith("  identities: \"tom\""));
        QVERIFY(section(out, 967).startsWith("  identities: \"default\""));
        QVERIFY(section(out, 967).contains("profile path: " + appData_ +
                                           "\\Mozilla\\Profiles\\default\\ab12.slt"));
        QVERIFY(section(out, 10).startsWith("  identities: \"Default\"\n  items: \"Favorites\""));
        for (int base : {7, 8, 9})
            QCOMPARE(section(out, base), QStringLiteral("  identities: \n  items (fixed): "));
    }

    void settingsAreReadWithoutWriting() {
        int code = -1;
        const QString out = inspect({"settings"}, &code);
        QCOMPARE(code, 0);
        QVERIFY2(out.contains("BackupMode: 2\n"), qPrintable(out));
        QVERIFY(out.contains("BackupPsw: (none)\n"));
        auto reg = sample_->registry();
        QVERIFY(!reg->keyExists(HKEY_CURRENT_USER, "Software\\Kelvarn\\Postora"));

        // A stored password is never shown.
        auto key = reg->open(HKEY_CURRENT_USER, "Software\\Kelvarn\\Postora", true);
        QVERIFY(key);
        QVERIFY(key.value().writeString("BackupPsw", app::EncodePassword("hunter22")));
        const QString withPassword = inspect({"settings"}, &code);
        QVERIFY(withPassword.contains("BackupPsw: (set)\n"));
        QVERIFY(!withPassword.contains("hunter22"));
    }
};

QTEST_GUILESS_MAIN(TestClientsInspect)
#include "tst_clients_inspect.moc"
