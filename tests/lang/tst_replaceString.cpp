#include "lang/ReplaceString.h"

#include <QRandomGenerator>
#include <QTest>

using lang::replaceString;

namespace {

// The rule as it reads: find the first occurrence from the very start, replace
// it, start again. Step-capped; an empty optional means it did not end.
std::optional<QString> byTheRule(const QString& pattern, const QString& replacement, QString text) {
    for (int steps = 0; steps < 3000; ++steps) {
        const qsizetype at = text.indexOf(pattern);
        if (at < 0) return text;
        text = text.left(at) + replacement + text.mid(at + pattern.size());
    }
    return std::nullopt;
}

QString randomWord(QRandomGenerator& rng, int minLength, int maxLength) {
    QString word;
    const int length = int(rng.bounded(minLength, maxLength + 1));
    for (int i = 0; i < length; ++i)
        word += QLatin1Char(rng.bounded(2) ? 'a' : 'b');
    return word;
}

} // namespace

class TestReplaceString : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replaces_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("placeholder twice") << "%%APPNAME%%"
                                           << "Postora"
                                           << "%%APPNAME%% and %%APPNAME%%!"
                                           << "Postora and Postora!";
        QTest::newRow("none") << "x"
                              << "y"
                              << "abc"
                              << "abc";
        QTest::newRow("empty text") << "x"
                                    << "y"
                                    << ""
                                    << "";
        QTest::newRow("to nothing") << "-"
                                    << ""
                                    << "a-b--c"
                                    << "abc";
        // Each replacement forms a new occurrence with what stood before it;
        // a single forward pass would leave "aab".
        QTest::newRow("rescans from the start") << "ab"
                                                << "a"
                                                << "aabb"
                                                << "aa";
        QTest::newRow("joins across") << "aa"
                                      << "a"
                                      << "aaaa"
                                      << "a";
        QTest::newRow("case counts") << "Name"
                                     << "X"
                                     << "name NAME Name"
                                     << "name NAME X";
    }
    void replaces() {
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto result = replaceString(pattern, replacement, text);
        QVERIFY(result.isOk());
        QCOMPARE(result.value(), expected);
    }

    void refuses() {
        const auto self = replaceString("abc", "abc", "xabcx");
        QVERIFY(!self.isOk());
        QCOMPARE(self.error().message,
                 QStringLiteral("Cannot replace a string with itself. (Utils.replaceString())"));
        // The same refusal even when there is nothing to replace.
        QVERIFY(!replaceString("abc", "abc", "").isOk());
        // These would rescan forever.
        QVERIFY(!replaceString("a", "ba", "a").isOk());
        QVERIFY(!replaceString("", "x", "abc").isOk());
        // Grows without end although the replacement lacks the pattern.
        const auto runaway = replaceString("ba", "aabb", "abaa");
        QVERIFY(!runaway.isOk());
        QVERIFY(runaway.error().message.contains("Utils.replaceString()"));
    }

    // Random words over two letters against the rule read literally: the same
    // result wherever the literal rule ends, and an answer (never a hang)
    // where it does not.
    void matchesTheRule() {
        QRandomGenerator rng(7);
        int compared = 0;
        int refused = 0;
        for (int i = 0; i < 20000; ++i) {
            const QString pattern = randomWord(rng, 1, 4);
            const QString replacement = randomWord(rng, 0, 5);
            const QString text = randomWord(rng, 0, 14);
            if (replacement.contains(pattern)) continue;
            const std::optional<QString> expected = byTheRule(pattern, replacement, text);
            const auto result = replaceString(pattern, replacement, text);
            if (expected) {
                QVERIFY(result.isOk());
                QCOMPARE(result.value(), *expected);
                ++compared;
            } else if (!result.isOk()) {
                ++refused;
            }
        }
        QVERIFY(compared > 10000);
        QVERIFY(refused > 0);
    }
};

QTEST_GUILESS_MAIN(TestReplaceString)
#include "tst_replaceString.moc"
