// The text rules behind the identity lists, with random and hostile input.

#include "clients/IdentityRules.h"

#include <QRandomGenerator>
#include <QTest>

using namespace clients;

namespace {
QString randomText(QRandomGenerator& g, int maxLen) {
    static const QString alphabet = QStringLiteral("ab?;[]\\\r\n =\u00e9");
    QString s;
    const int len = int(g.bounded(maxLen + 1));
    for (int i = 0; i < len; ++i)
        s.append(alphabet[int(g.bounded(alphabet.size()))]);
    return s;
}
} // namespace

class TestIdentityRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lines() {
        QCOMPARE(SplitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(SplitLines(QStringLiteral("a\r\n")), QStringList{"a"});
        QCOMPARE(SplitLines(QStringLiteral("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
        QCOMPARE(SplitLines(QString()), QStringList());
        QCOMPARE(SplitLines(QStringLiteral("\n")), QStringList{""});
    }

    void mailboxCut() {
        QCOMPARE(CutAtLastBackslash(QStringLiteral("C:\\PMAIL\\MAIL\\")),
                 QStringLiteral("C:\\PMAIL\\MAIL"));
        QCOMPARE(CutAtLastBackslash(QStringLiteral("C:\\PMAIL\\MAIL")),
                 QStringLiteral("C:\\PMAIL"));
        QCOMPARE(CutAtLastBackslash(QStringLiteral("PMAIL")), QStringLiteral("PMAIL"));
        QCOMPARE(CutAtLastBackslash(QStringLiteral("\\")), QString());
    }

    void pegasusUsers_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("stated form") << "Y;Jane Doe;JDOE"
                                     << "Jane Doe";
        QTest::newRow("no semicolon") << "Tom"
                                      << "Tom";
        QTest::newRow("one character") << "Y"
                                       << "Y";
        QTest::newRow("semicolon at 2") << "Y;"
                                        << "";
        QTest::newRow("semicolon at 3") << "Y;;"
                                        << "";
        QTest::newRow("one char name") << "Y;J;"
                                       << "J";
        QTest::newRow("semicolon first") << ";abc"
                                         << "";
        QTest::newRow("last semicolon counts") << "N;A;B;C"
                                               << "A;B";
    }
    void pegasusUsers() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QCOMPARE(PegasusUserName(line), name);
    }

    void pegasusFileSkipsEmptyLines() {
        QCOMPARE(PegasusUsers(QStringLiteral("Y;Jane;JANE\r\n\r\nN;Tom;TOM\r\nX\r\n")),
                 (QStringList{"Jane", "Tom", "X"}));
    }

    void operaCut_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("no question mark") << "Count=2"
                                          << "Count=2";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("text up to the third-last") << "Account1=POP?janeXY"
                                                   << "jane";
        QTest::newRow("mark at the third-last") << "Account1=POP?jane?xx"
                                                << "";
        QTest::newRow("first found from the third-last") << "a?bc?de?f"
                                                         << "de";
        QTest::newRow("only in the last two") << "abcd?e"
                                              << "abcd";
        QTest::newRow("last character") << "abc?"
                                        << "ab";
        QTest::newRow("at the third-last") << "ab?cd"
                                           << "";
        QTest::newRow("lone mark") << "?"
                                   << "";
        QTest::newRow("two chars") << "a?"
                                   << "";
        QTest::newRow("first char") << "?abc"
                                    << "a";
    }
    void operaCut() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QCOMPARE(OperaAccountCut(line), name);
    }

    void operaSection() {
        QCOMPARE(
            OperaAccounts(QStringLiteral("[Accounts]\r\nCount=2\r\n\r\n[Account1]\r\nx=1\r\n")),
            (QStringList{"Count=2", ""}));
        QCOMPARE(OperaAccounts(QStringLiteral("[Other]\na\n[ACCOUNTS]\nb?cdXY\nc\n")),
                 (QStringList{"cd", "c"}));
        // Only a line that is exactly the header opens the section.
        QCOMPARE(OperaAccounts(QStringLiteral(" [Accounts]\na\n[Accounts] x\nb\n")), QStringList());
        // A '[' anywhere ends it, also inside a value.
        QCOMPARE(OperaAccounts(QStringLiteral("[Accounts]\na\nb=[x]\nc\n")), QStringList{"a"});
    }

    void mozillaNames() {
        QCOMPARE(
            MozillaIdentityName(
                QStringLiteral("C:\\users\\jane\\AppData\\Roaming\\Mozilla\\Profiles\\default\\"
                               "xyz.slt"),
                1),
            QStringLiteral("default"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("C:\\a\\b\\"), 1), QStringLiteral("b"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("C:\\xyz.slt"), 1), QStringLiteral("xyz.slt"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("xyz.slt"), 1), QStringLiteral("xyz.slt"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("C:\\a\\\\x"), 2), QStringLiteral("x"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("C:\\"), 3), QStringLiteral("Profile 3"));
        QCOMPARE(MozillaIdentityName(QString(), 4), QStringLiteral("Profile 4"));
        QCOMPARE(MozillaIdentityName(QStringLiteral("\\\\"), 5), QStringLiteral("Profile 5"));
    }

    void randomInputStaysInside() {
        QRandomGenerator g(99);
        for (int run = 0; run < 20000; ++run) {
            const QString s = randomText(g, 40);
            const QString peg = PegasusUserName(s);
            QVERIFY(peg.size() <= s.size());
            QVERIFY(s.contains(peg));
            const QString op = OperaAccountCut(s);
            QVERIFY(op.size() <= s.size());
            QVERIFY(s.contains(op));
            QVERIFY(!MozillaIdentityName(s, 1).isEmpty());
            QVERIFY(s.startsWith(CutAtLastBackslash(s)));
            for (const QString& line : SplitLines(s))
                QVERIFY(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
            (void)PegasusUsers(s);
            (void)OperaAccounts(QStringLiteral("[accounts]\n") + s);
        }
    }
};

QTEST_GUILESS_MAIN(TestIdentityRules)
#include "tst_identityrules.moc"
