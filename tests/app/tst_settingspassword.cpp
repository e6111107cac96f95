// The "BackupPsw" scrambler and the small rules the settings store applies.

#include "app/Password.h"
#include "base/Settings.h"

#include <QRandomGenerator>
#include <QTest>

using namespace app;
using namespace base;

namespace {

QString randomPassword(QRandomGenerator& g, int length) {
    QString s;
    for (int i = 0; i < length; ++i)
        s.append(QChar(char16_t(g.bounded(32, 127))));
    return s;
}

QByteArray bytesOf(const QString& hex) {
    return QByteArray::fromHex(hex.toLatin1());
}

} // namespace

class TestSettingsPassword : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void abcHasTheStatedShape() {
        QSet<QString> seen;
        for (int run = 0; run < 400; ++run) {
            const QString text = EncodePassword(QStringLiteral("abc"));
            QVERIFY(text.size() >= 28 && text.size() <= 34);
            QCOMPARE(text.size() % 2, 0);
            QCOMPARE(text, text.toUpper());
            const QByteArray b = bytesOf(text);
            const int f = int(b.size()) - 7; // 3 password bytes + 4
            QVERIFY(f >= 7 && f <= 10);
            const quint8 r = quint8(b.back());
            QCOMPARE(quint8(b[0]), quint8(5 + f + r));
            QCOMPARE(quint8(b[b.size() - 2]), quint8(f + r)); // F shifted by R
            QCOMPARE(DecodePassword(text), QStringLiteral("abc"));
            seen.insert(text);
        }
        // Every save gives a new text.
        QVERIFY(seen.size() > 350);
    }

    void layoutWithAFixedRandomSource() {
        // random() always 0: K = 0, R = 0, F = 97 mod 30 = 7, zero fillers.
        // Bytes: L = 12, 'a', 'b' + 12, 'c' + 24, K, 7 fillers, F, R.
        const QString text = EncodePassword(QStringLiteral("abc"), [](int) { return 0; });
        QCOMPARE(text, QStringLiteral("0C616E7B00") + QStringLiteral("00").repeated(7) +
                           QStringLiteral("0700"));
        // random(k) = k - 1: K = 254, R = 254; for "A" (65 mod 30 = 5) F = 5 + 3 = 8,
        // L = 11; the password byte 'A' + K + R = 0x41 + 0xFE + 0xFE = 0x3D (mod 256).
        const QString top = EncodePassword(QStringLiteral("A"), [](int k) { return k - 1; });
        const QByteArray b = bytesOf(top);
        QCOMPARE(b.size(), 1 + 8 + 4);
        QCOMPARE(quint8(b[0]), quint8(11 + 254));
        QCOMPARE(quint8(b[1]), quint8(0x3D));
        QCOMPARE(quint8(b[2]), quint8(254 + 254)); // K + R
        QCOMPARE(quint8(b[11]), quint8(8 + 254));  // F + R
        QCOMPARE(quint8(b[12]), quint8(254));      // R in clear
        QCOMPARE(DecodePassword(top), QStringLiteral("A"));
    }

    void everyLengthRoundTrips() {
        QRandomGenerator g(20240611);
        for (int n = 1; n <= 65; ++n) {
            for (int run = 0; run < 20; ++run) {
                const QString pw = randomPassword(g, n);
                const QString text = EncodePassword(pw);
                QCOMPARE(text.size() % 2, 0);
                QCOMPARE(DecodePassword(text), pw);
            }
        }
    }

    void textOutsideAsciiRoundTrips() {
        for (const QString& pw : {QStringLiteral("Ärger-ß"), QStringLiteral("пароль123"),
                                  QStringLiteral("密码\U0001F511"), QString(50, QChar(0x20AC))}) {
            for (int run = 0; run < 10; ++run)
                QCOMPARE(DecodePassword(EncodePassword(pw)), pw);
        }
    }

    void longestPasswordFitsTheLengthByte() {
        // ';' (59 mod 30 = 29) with the largest random part gives 32 fillers:
        // 221 + 2 + 32 = 255, the most the length byte holds.
        const QString longest = QLatin1Char(';') + QString(220, QLatin1Char('x'));
        const QString text = EncodePassword(longest, [](int k) { return k - 1; });
        QCOMPARE(text.size(), 2 * (221 + 32 + 4));
        QCOMPARE(DecodePassword(text), longest);
        QVERIFY(EncodePassword(longest + QLatin1Char('x')).isEmpty());
        QVERIFY(EncodePassword(QString()).isEmpty());
    }

    void ansiBytesOfAnOlderStoreDecode() {
        // 'é' as one Windows-1252 byte, random 0: n = 1, F = 233 mod 30 = 23, L = 26.
        QByteArray b(28, '\0');
        b[0] = char(26);
        b[1] = char(0xE9);
        b[26] = char(23);
        QCOMPARE(DecodePassword(QString::fromLatin1(b.toHex())), QStringLiteral("é"));
    }

    void garbageDecodesToNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("not hex") << QStringLiteral("0C616E7B00000000000000000000XY00");
        QTest::newRow("odd length") << QStringLiteral("0C616E7B000000000000000000000700F");
        QTest::newRow("too short") << QStringLiteral("0301");
        QTest::newRow("one byte short of one char") << QStringLiteral("03000000");
        QTest::newRow("too long") << QStringLiteral("00").repeated(300);
        QTest::newRow("length byte disagrees") << QStringLiteral("0D616E7B00") +
                                                      QStringLiteral("00").repeated(7) +
                                                      QStringLiteral("0700");
        QTest::newRow("filler count too large") << QStringLiteral("0C616E7B00") +
                                                       QStringLiteral("00").repeated(7) +
                                                       QStringLiteral("0B00");
        QTest::newRow("blanks") << QStringLiteral("0C 61 6E 7B 00 00 00");
        QTest::newRow("wide digits") << QStringLiteral("\uFF10\uFF11\uFF12\uFF13\uFF14\uFF15"
                                                       "\uFF16\uFF17\uFF18\uFF19");
    }
    void garbageDecodesToNothing() {
        QFETCH(QString, text);
        QCOMPARE(DecodePassword(text), QString());
    }

    void randomAndDamagedTextNeverReadsOutside() {
        // Under the sanitizers this catches any read past the buffer.
        QRandomGenerator g(7);
        const QString hex = QStringLiteral("0123456789ABCDEFabcdef");
        for (int run = 0; run < 20000; ++run) {
            QString t;
            const int len = int(g.bounded(0, 560));
            for (int i = 0; i < len; ++i)
                t.append(hex[int(g.bounded(hex.size()))]);
            (void)DecodePassword(t);
        }
        for (int run = 0; run < 5000; ++run) {
            QString t = EncodePassword(randomPassword(g, int(g.bounded(1, 66))));
            t[int(g.bounded(t.size()))] = hex[int(g.bounded(16))];
            if (g.bounded(2)) t.chop(2 * int(g.bounded(1, 4)));
            (void)DecodePassword(t);
        }
    }

    void backupModeFromControls() {
        QCOMPARE(int(BackupModeFromControls({false, true, true, 5}, BackupMode(1))), 3);
        QCOMPARE(int(BackupModeFromControls({false, true, false, 5}, BackupMode(3))), 2);
        QCOMPARE(int(BackupModeFromControls({true, false, false, 5}, BackupMode(2))), 1);
        // "Keep only the last" is disabled while "Overwrite" is on: it does not count.
        QCOMPARE(int(BackupModeFromControls({true, false, true, 5}, BackupMode(2))), 1);
        QCOMPARE(int(BackupModeFromControls({false, false, false, 5}, BackupMode(2))), 2);
    }

    void savedTicksFollowTheCaseRules() {
        QList<TickedName> identities{{QStringLiteral("Main Identity"), false},
                                     {QStringLiteral("Work"), false},
                                     {QStringLiteral("Home"), true}};
        ApplySavedTicks(identities,
                        {{QStringLiteral("main identity"), true},
                         {QStringLiteral("HOME"), false},
                         {QStringLiteral("Gone"), true}},
                        Qt::CaseInsensitive);
        QCOMPARE(identities, (QList<TickedName>{{QStringLiteral("Main Identity"), true},
                                                {QStringLiteral("Work"), false},
                                                {QStringLiteral("Home"), false}}));
        QList<TickedName> items{{QStringLiteral("Mail Folders"), false},
                                {QStringLiteral("Filters"), false}};
        ApplySavedTicks(items,
                        {{QStringLiteral("mail folders"), true}, {QStringLiteral("Filters"), true}},
                        Qt::CaseSensitive);
        QCOMPARE(items, (QList<TickedName>{{QStringLiteral("Mail Folders"), false},
                                           {QStringLiteral("Filters"), true}}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsPassword)
#include "tst_settingspassword.moc"
