#include "platform/encoding.h"

#include <QRandomGenerator>
#include <QTest>

using namespace platform;

class TestEncoding : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ansiRoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(toAnsi(text), all);
    }

    void ansiTable_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("codePoint");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("low quote") << 0x82 << 0x201A;
        QTest::newRow("ellipsis") << 0x85 << 0x2026;
        QTest::newRow("S caron") << 0x8A << 0x0160;
        QTest::newRow("undefined 81") << 0x81 << 0x0081;
        QTest::newRow("undefined 9D") << 0x9D << 0x009D;
        QTest::newRow("left double quote") << 0x93 << 0x201C;
        QTest::newRow("em dash") << 0x97 << 0x2014;
        QTest::newRow("trade mark") << 0x99 << 0x2122;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("nbsp") << 0xA0 << 0x00A0;
        QTest::newRow("a umlaut") << 0xE4 << 0x00E4;
        QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
    }
    void ansiTable() {
        QFETCH(int, byte);
        QFETCH(int, codePoint);
        QCOMPARE(int(fromAnsi(QByteArray(1, char(byte))).at(0).unicode()), codePoint);
        QCOMPARE(toAnsi(QString(QChar(char16_t(codePoint)))), QByteArray(1, char(byte)));
    }

    void unmappableBecomesQuestionMark() {
        QCOMPARE(toAnsi(QString::fromUtf8("Grüße €5 Ωmega")), QByteArray("Gr\xFC\xDF"
                                                                         "e \x80"
                                                                         "5 ?mega"));
        QCOMPARE(toAnsi(QString::fromUtf8("漢字")), QByteArray("??"));
        // A character outside the BMP is one '?', not two.
        QCOMPARE(toAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80z")), QByteArray("a?z"));
        // A lone surrogate is still only one character.
        QCOMPARE(toAnsi(QString(QChar(0xD800)) + "x"), QByteArray("?x"));
    }

    void decodeText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("plain") << "plain";
        QTest::newRow("utf-8") << QByteArray("Gr\xC3\xBC\xC3\x9F"
                                             "e")
                               << QString::fromUtf8("Grüße");
        QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF"
                                                      "abc")
                                        << "abc";
        QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << "";
        QTest::newRow("1252") << QByteArray("Gr\xFC\xDF"
                                            "e \x80")
                              << QString::fromUtf8("Grüße €");
        QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF") << QString::fromUtf8("aÀ¯");
        QTest::newRow("encoded surrogate")
            << QByteArray("\xED\xA0\x80") << QString::fromUtf8("í\xC2\xA0€");
        QTest::newRow("truncated sequence")
            << QByteArray("ab\xE2\x82") << QString::fromUtf8("abâ‚");
        QTest::newRow("invalid after BOM")
            << QByteArray("\xEF\xBB\xBF\xFC") << QString::fromUtf8("ï»¿ü");
        QTest::newRow("NUL kept") << QByteArray("a\0b", 3)
                                  << QString(QStringLiteral("a") + QChar(0) + "b");
        QTest::newRow("empty") << QByteArray() << "";
    }
    void decodeText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::decodeText(bytes), text);
    }

    void randomBytesDecodeToSomething() {
        // Whatever comes in, decoding yields text: valid UTF-8 as such, anything
        // else byte for byte as Windows-1252.
        QRandomGenerator rng(1234);
        for (int round = 0; round < 2000; ++round) {
            QByteArray b(rng.bounded(64), Qt::Uninitialized);
            for (char& c : b)
                c = char(rng.bounded(256));
            const QString t = platform::decodeText(b);
            const QString utf8 = QString::fromUtf8(b);
            if (t != utf8 || utf8.toUtf8() != b) QCOMPARE(toAnsi(t), b);
        }
    }
};

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
