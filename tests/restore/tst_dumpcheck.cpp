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

// Rows: lines of the dump after its header ('|' ends a line; $ is the first
// Outlook Express identity's key) and a part of the refusal (empty: accepted).
struct Row {
    const char* name;
    int code;
    const char* body;
    const char* refusal;
};
const int kOE = clients::kOutlookExpress;
// clang-format off
const Row kRows[] = {
    {"own identity", kOE, "[$]|\"Store Root\"=\"C:\\\\Mail\\\"x\"|@=dword:0000002a|\"B\"=hex:01,02,\\|  03,ff", ""},
    {"short root, other case, continuation", kOE, R"([hkcu\identities\{3F8A}\software\microsoft\internet account manager\accounts\01]|"Old"=-|"B"=hex(7):41,\|  00,00)", ""},
    {"deletion inside own branch", kOE, R"([-HKEY_CURRENT_USER\Software\Microsoft\WAB\WAB4])", ""},
    {"pegasus machine key", clients::kPegasus, R"([HKEY_LOCAL_MACHINE\SOFTWARE\Classes\software\pegasus mail\Username]|@=hex(2):25,00)", ""},
    {"RunOnce", kOE, R"([HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce]|"x"="evil.exe")", R"(CurrentVersion\RunOnce)"},
    {"Run user", kOE, R"([HKCU\Software\Microsoft\Windows\CurrentVersion\Run]|"x"="evil.exe")", R"(CurrentVersion\Run:)"},
    {"Run machine", kOE, R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]|"x"="e")", "HKEY_LOCAL_MACHINE"},
    {"exefile", kOE, R"([HKEY_CLASSES_ROOT\exefile\shell\open\command]|@="e")", R"(exefile\shell)"},
    {"whole software tree", kOE, R"([-HKEY_CURRENT_USER\Software])", "deletion"},
    {"identity deleted with what is not the client's", kOE, R"([-HKEY_CURRENT_USER\Identities\{3F8A}])", "deletion"},
    {"climbs with ..", kOE, R"([HKEY_CURRENT_USER\Software\Microsoft\WAB\..\..\Run])", R"("..")"},
    {"backslash run", kOE, R"([HKEY_CURRENT_USER\Software\Microsoft\\WAB])", "empty key name"},
    {"blank after identity", kOE, R"([HKEY_CURRENT_USER\Identities\{3F8A} \Software\Microsoft\Outlook Express\5.0])", "blanks"},
    {"prefix of a name, not a key below it", kOE, R"([HKEY_CURRENT_USER\Software\Microsoft\WAB2])", "WAB2"},
    {"below a key taken alone", kOE, R"([$\Run])", R"(5.0\Run)"},
    {"unknown root", kOE, R"([HKEY_ELSEWHERE\Software])", "unknown"},
    {"value before any key", kOE, R"("x"="y")", "before any key"},
    {"stray line", kOE, R"([$]|rundll32 evil)", "neither"},
    {"unknown escape", kOE, R"([$]|"a\nb"="c")", "escape"},
    {"carriage return in a name", kOE, "[$]|\"a\rb\"=\"c\"", "control"},
    {"broken hex", kOE, R"([$]|"a"=hex:0g)", "hex"},
    {"value below a deletion", kOE, R"([-HKEY_CURRENT_USER\Software\Microsoft\WAB]|"a"="b")", "deleted"},
    {"client without keys", clients::kEudora, R"([HKCU\Software\Qualcomm\Eudora])", "not one of the client's own keys"},
};
// clang-format on

QByteArray dumpBytes(QString body, bool unicode) {
    body.replace(u'|', QStringLiteral("\r\n"))
        .replace(u'$', QStringLiteral("HKEY_CURRENT_USER\\Identities\\{3F8A}\\Software\\"
                                      "Microsoft\\Outlook Express\\5.0"));
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
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < std::size(kRows); ++i)
            QTest::newRow(kRows[i].name) << int(i);
        QTest::newRow("huge value") << -1;
    }

    // Both forms of every row: accepted dumps come back the same from their
    // written text, refused ones name the key and the reason.
    void checked() {
        QFETCH(int, row);
        const Row r = row >= 0 ? kRows[row] : Row{"", kOE, "[$]|\"a\"=hex:", "16 MiB"};
        QString body = QString::fromUtf8(r.body);
        if (row < 0) body += QStringLiteral("0,").repeated((16 << 20) + 1);
        const auto own = clients::OwnRegistryKeys(r.code);
        for (const bool unicode : {false, true}) {
            QString why;
            const auto dump = CheckedDump::check(dumpBytes(body, unicode), own, &why);
            if (*r.refusal) {
                QVERIFY2(!dump, r.body);
                QVERIFY2(why.contains(QString::fromUtf8(r.refusal)), qPrintable(why));
                continue;
            }
            QVERIFY2(dump, qPrintable(why));
            const auto again = CheckedDump::check(*dump->bytes(), own, &why);
            QVERIFY2(again, qPrintable(why));
            QCOMPARE(again->bytes(), dump->bytes());
            for (std::size_t i = 0; i < dump->keys().size(); ++i)
                for (std::size_t j = 0; j < dump->keys()[i].values.size(); ++j)
                    QCOMPARE(again->keys()[i].values[j].value, dump->keys()[i].values[j].value);
        }
    }

    // What the registry holds against what the dumps say, values and deletions.
    void readBackNamesWhatIsMissing() {
        support::SamplePrefix p;
        const QString path =
            QStringLiteral("Identities\\{3F8A}\\Software\\Microsoft\\Outlook Express\\5.0");
        p.setString(platform::HKEY_CURRENT_USER, path, QStringLiteral("Store Root"),
                    QStringLiteral("C:\\Mail"));
        p.setDword(platform::HKEY_CURRENT_USER, path, QStringLiteral("Left"), 7);
        p.save();
        QString why;
        const auto dump = CheckedDump::check(
            dumpBytes(QStringLiteral(R"([$]|"Store Root"="C:\\Mail"|"Gone"=-)"), false),
            clients::OwnRegistryKeys(kOE), &why);
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
