// The check of a registry dump from an archive against its client's own keys:
// what passes is written back in the dump's form, what reaches outside
// (start-up commands, a whole tree deleted) or cannot be read is refused by
// name. And the read-back after the import, which names what did not arrive.

#include "support/SamplePrefix.h"

#include "clients/Clients.h"
#include "platform/Encoding.h"
#include "restore/DumpCheck.h"

#include <QTest>

using restore::CheckedDump;

namespace {

const QString kOeKey = QStringLiteral(
    "HKEY_CURRENT_USER\\Identities\\{3F8A}\\Software\\Microsoft\\Outlook Express\\5.0");

QByteArray dumpBytes(const QString& body, bool unicode) {
    const QString text = (unicode ? QStringLiteral("Windows Registry Editor Version 5.00")
                                  : QStringLiteral("REGEDIT4")) +
                         QStringLiteral("\r\n\r\n") + body + QStringLiteral("\r\n");
    if (unicode) return QByteArray("\xFF\xFE", 2) + platform::utf16LeBytes(text);
    return text.toLatin1();
}

} // namespace

class TestDumpCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void checked_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("refusal"); // empty: accepted

        const int oe = clients::kOutlookExpress;
        const QString hex = QStringLiteral("\"Bin\"=hex:01,02,\\\r\n  03,ff\r\n");
        QTest::newRow("own identity")
            << oe
            << QStringLiteral("[%1]\r\n\"Store Root\"=\"C:\\\\Mail\\\"x\"\r\n"
                              "@=dword:0000002a\r\n")
                       .arg(kOeKey) +
                   hex
            << QString();
        QTest::newRow("short root, other case, continuation")
            << oe
            << QStringLiteral("[hkcu\\identities\\{3F8A}\\software\\microsoft\\internet account "
                              "manager\\accounts\\00000001]\r\n\"Old\"=-\r\n") +
                   hex
            << QString();
        QTest::newRow("deletion inside own branch")
            << oe << QStringLiteral("[-HKEY_CURRENT_USER\\Software\\Microsoft\\WAB\\WAB4]")
            << QString();
        QTest::newRow("pegasus machine key")
            << int(clients::kPegasus)
            << QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\software\\pegasus "
                              "mail\\Username]\r\n@=hex(2):25,00")
            << QString();

        const auto refused = [oe](const char* row, const QString& body, const char* why) {
            QTest::newRow(row) << oe << body << QString::fromLatin1(why);
        };
        const QString run = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        refused("RunOnce",
                QStringLiteral("[HKEY_CURRENT_USER\\%1Once]\r\n\"x\"=\"evil.exe\"").arg(run),
                "CurrentVersion\\RunOnce");
        refused("Run user", QStringLiteral("[HKCU\\%1]\r\n\"x\"=\"evil.exe\"").arg(run),
                "CurrentVersion\\Run");
        refused("Run machine", QStringLiteral("[HKEY_LOCAL_MACHINE\\%1]\r\n\"x\"=\"e\"").arg(run),
                "HKEY_LOCAL_MACHINE");
        refused("exefile",
                QStringLiteral("[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\r\n@=\"e\""),
                "exefile\\shell");
        refused("whole software tree", QStringLiteral("[-HKEY_CURRENT_USER\\Software]"),
                "deletion");
        refused("identity deleted with what is not the client's",
                QStringLiteral("[-HKEY_CURRENT_USER\\Identities\\{3F8A}]"), "deletion");
        refused("climbs with ..",
                QStringLiteral("[HKEY_CURRENT_USER\\Software\\Microsoft\\WAB\\..\\..\\Run]"),
                "\"..\"");
        refused("backslash run", QStringLiteral("[HKEY_CURRENT_USER\\Software\\Microsoft\\\\WAB]"),
                "empty key name");
        refused("blank after identity",
                QStringLiteral("[HKEY_CURRENT_USER\\Identities\\{3F8A} \\Software\\Microsoft\\"
                               "Outlook Express\\5.0]"),
                "blanks");
        refused("prefix of a name, not a key below it",
                QStringLiteral("[HKEY_CURRENT_USER\\Software\\Microsoft\\WAB2]"), "WAB2");
        refused("below a key taken alone", QStringLiteral("[%1\\Run]").arg(kOeKey), "5.0\\Run");
        refused("unknown root", QStringLiteral("[HKEY_ELSEWHERE\\Software]"), "unknown");
        refused("value before any key", QStringLiteral("\"x\"=\"y\""), "before any key");
        refused("stray line", QStringLiteral("[%1]\r\nrundll32 evil").arg(kOeKey), "neither");
        refused("unknown escape", QStringLiteral("[%1]\r\n\"a\\nb\"=\"c\"").arg(kOeKey), "escape");
        refused("carriage return in a name", QStringLiteral("[%1]\r\n\"a\rb\"=\"c\"").arg(kOeKey),
                "control");
        refused("broken hex", QStringLiteral("[%1]\r\n\"a\"=hex:0g").arg(kOeKey), "hex");
        refused("huge value",
                QStringLiteral("[%1]\r\n\"a\"=hex:").arg(kOeKey) +
                    QStringLiteral("0,").repeated((16 << 20) + 1),
                "16 MiB");
        refused("value below a deletion",
                QStringLiteral("[-HKEY_CURRENT_USER\\Software\\Microsoft\\WAB]\r\n\"a\"=\"b\""),
                "deleted");
        QTest::newRow("client without keys")
            << int(clients::kEudora) << QStringLiteral("[HKCU\\Software\\Qualcomm\\Eudora]")
            << QStringLiteral("not one of the client's own keys");
    }

    // Both forms of every row: accepted dumps come back the same from their
    // written text, refused ones name the key and the reason.
    void checked() {
        QFETCH(int, code);
        QFETCH(QString, body);
        QFETCH(QString, refusal);
        for (const bool unicode : {false, true}) {
            QString why;
            const auto own = clients::OwnRegistryKeys(code);
            const auto dump = CheckedDump::check(dumpBytes(body, unicode), own, &why);
            if (!refusal.isEmpty()) {
                QVERIFY2(!dump, qPrintable(body.left(200)));
                QVERIFY2(why.contains(refusal), qPrintable(why));
                continue;
            }
            QVERIFY2(dump, qPrintable(why));
            const auto again = CheckedDump::check(*dump->bytes(), own, &why);
            QVERIFY2(again, qPrintable(why));
            QCOMPARE(again->bytes(), dump->bytes());
            QCOMPARE(again->keys().size(), dump->keys().size());
            for (std::size_t i = 0; i < dump->keys().size(); ++i)
                for (std::size_t j = 0; j < dump->keys()[i].values.size(); ++j)
                    QCOMPARE(again->keys()[i].values[j].value, dump->keys()[i].values[j].value);
        }
    }

    void notADump() {
        QString why;
        QVERIFY(!CheckedDump::check("MZ\x90", {}, &why));
        QVERIFY(!why.isEmpty());
    }

    // What the registry holds against what the dumps say, values and deletions.
    void readBackNamesWhatIsMissing() {
        support::SamplePrefix p;
        const QString path = kOeKey.mid(kOeKey.indexOf(u'\\') + 1);
        p.setString(platform::HKEY_CURRENT_USER, path, QStringLiteral("Store Root"),
                    QStringLiteral("C:\\Mail"));
        p.setDword(platform::HKEY_CURRENT_USER, path, QStringLiteral("Left"), 7);
        p.save();
        QString why;
        const auto dump = CheckedDump::check(
            dumpBytes(
                QStringLiteral("[%1]\r\n\"Store Root\"=\"C:\\\\Mail\"\r\n\"Gone\"=-").arg(kOeKey),
                false),
            clients::OwnRegistryKeys(clients::kOutlookExpress), &why);
        QVERIFY2(dump, qPrintable(why));
        auto reg = p.registry();
        QCOMPARE(CheckedDump::differenceIn(*reg, {*dump}), QString());
        p.setDword(platform::HKEY_CURRENT_USER, path, QStringLiteral("Gone"), 1);
        p.save();
        QVERIFY(CheckedDump::differenceIn(*reg, {*dump}).contains(QStringLiteral("Gone")));
        p.removeValue(platform::HKEY_CURRENT_USER, path, QStringLiteral("Gone"));
        p.removeValue(platform::HKEY_CURRENT_USER, path, QStringLiteral("Store Root"));
        p.save();
        QVERIFY(CheckedDump::differenceIn(*reg, {*dump}).contains(QStringLiteral("Store Root")));
    }
};

QTEST_GUILESS_MAIN(TestDumpCheck)
#include "tst_dumpcheck.moc"
