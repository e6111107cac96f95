#include "platform/Encoding.h"
#include "support/RequireTools.h"
#include "support/ScopedEnv.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

using namespace platform;

namespace {

// Python's codecs read the bytes: tables apart from the ones that wrote them.
// Python leaves out two bytes that Windows (and glibc) define.
const char* const kPythonDecode = R"(
import codecs, sys
extra = {'936': {0x80: '\u20ac'}, '950': {0x80: '\x80'}}.get(sys.argv[1], {})
def fill(e):
    b = e.object[e.start]
    if b in extra:
        return extra[b], e.start + 1
    raise e
codecs.register_error('windows', fill)
data = sys.stdin.buffer.read()
text = data.decode('cp' + sys.argv[1], 'windows')
sys.stdout.buffer.write(text.encode('utf-16-le', 'surrogatepass'))
)";

std::optional<QString> pythonDecode(const QByteArray& bytes, int codePage) {
    QProcess p;
    p.start(QStringLiteral("python3"),
            {QStringLiteral("-c"), QString::fromLatin1(kPythonDecode), QString::number(codePage)});
    if (!p.waitForStarted()) return std::nullopt;
    p.write(bytes);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning().noquote() << p.readAllStandardError();
        return std::nullopt;
    }
    return decodeWindowsFile("\xFF\xFE" + p.readAllStandardOutput(), codePage);
}

} // namespace

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

    void codePageOfTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("codePage");
        QTest::newRow("russian") << "ru_RU.UTF-8" << 1251;
        QTest::newRow("ukrainian") << "uk_UA" << 1251;
        QTest::newRow("serbian cyrillic") << "sr_RS" << 1251;
        QTest::newRow("serbian latin") << "sr_RS@latin" << 1250;
        QTest::newRow("greek") << "el_GR.UTF-8" << 1253;
        QTest::newRow("japanese") << "ja_JP.eucJP" << 932;
        QTest::newRow("chinese") << "zh_CN.UTF-8" << 936;
        QTest::newRow("taiwanese") << "zh_TW.UTF-8" << 950;
        QTest::newRow("hong kong") << "zh_HK" << 950;
        QTest::newRow("korean") << "ko_KR.UTF-8" << 949;
        QTest::newRow("polish") << "pl_PL.UTF-8" << 1250;
        QTest::newRow("turkish") << "tr_TR.UTF-8" << 1254;
        QTest::newRow("hebrew") << "he_IL.UTF-8" << 1255;
        QTest::newRow("arabic") << "ar_EG.UTF-8" << 1256;
        QTest::newRow("lithuanian") << "lt_LT.UTF-8" << 1257;
        QTest::newRow("thai") << "th_TH.UTF-8" << 874;
        QTest::newRow("vietnamese") << "vi_VN" << 1258;
        QTest::newRow("german") << "de_DE.UTF-8" << 1252;
        QTest::newRow("C") << "C.UTF-8" << 1252;
        QTest::newRow("POSIX") << "POSIX" << 1252;
        QTest::newRow("empty") << "" << 1252;
        QTest::newRow("garbage") << "@._" << 1252;
    }
    void codePageOfTheLocale() {
        QFETCH(QString, locale);
        QFETCH(int, codePage);
        QCOMPARE(ansiCodePageForLocale(locale), codePage);
    }

    void localeVariablesInOrder() {
        const support::ScopedEnv all("LC_ALL", "el_GR.UTF-8");
        const support::ScopedEnv ctype("LC_CTYPE", "ja_JP.UTF-8");
        const support::ScopedEnv lang("LANG", "ru_RU.UTF-8");
        QCOMPARE(ansiCodePage(), 1253);
        {
            const support::ScopedEnv emptyAll("LC_ALL", ""); // empty counts as unset
            QCOMPARE(ansiCodePage(), 932);
            const support::ScopedEnv noCtype("LC_CTYPE", QByteArray());
            QCOMPARE(ansiCodePage(), 1251);
            const support::ScopedEnv noLang("LANG", QByteArray());
            QCOMPARE(ansiCodePage(), 1252);
        }
    }

    // Every code page: its own script goes in and comes back; what it cannot
    // hold is refused, never replaced by '?' or a look-alike.
    void codePagesHoldTheirScriptsOnly_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("fits");
        QTest::addColumn<QByteArray>("bytes"); // of `fits`, where well known
        QTest::addColumn<QString>("refused");
        QTest::newRow("1251") << 1251 << "Почта Ё" << QByteArray("\xCF\xEE\xF7\xF2\xE0 \xA8")
                              << "Grüße";
        QTest::newRow("1253") << 1253 << "Ωmega" << QByteArray("\xD9mega") << "Почта";
        QTest::newRow("1250") << 1250 << "Łódź" << QByteArray("\xA3\xF3\x64\x9F") << "Ω";
        QTest::newRow("1252") << 1252 << "Grüße €"
                              << QByteArray("Gr\xFC\xDF"
                                            "e \x80")
                              << "Ł";
        QTest::newRow("932") << 932 << "山田 Почта" << QByteArray() << "한국어";
        QTest::newRow("936") << 936 << "汉字 Почта" << QByteArray() << "한국어";
        QTest::newRow("949") << 949 << "한국어" << QByteArray() << "Ω€\u0E01";
        QTest::newRow("950") << 950 << "漢字" << QByteArray() << "汉";
        QTest::newRow("874") << 874 << "ภาษาไทย" << QByteArray() << "Почта";
        QTest::newRow("1254") << 1254 << "Işık" << QByteArray() << "Почта";
        QTest::newRow("1255") << 1255 << "שלום" << QByteArray() << "Почта";
        QTest::newRow("1256") << 1256 << "سلام" << QByteArray() << "Почта";
        QTest::newRow("1257") << 1257 << "Ąžuolas" << QByteArray() << "Почта";
        QTest::newRow("1258") << 1258 << "Đư e\u0301" << QByteArray("\xD0\xFD e\xEC") << "Почта";
        QTest::newRow("outside the plane") << 932 << "a" << QByteArray("a") << "\U0001F600";
    }
    void codePagesHoldTheirScriptsOnly() {
        QFETCH(int, codePage);
        QFETCH(QString, fits);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refused);
        const auto encoded = encodeCodePage(fits, codePage);
        QVERIFY(encoded.has_value());
        if (!bytes.isEmpty()) QCOMPARE(*encoded, bytes);
        QVERIFY(!encoded->contains('?'));
        QCOMPARE(decodeCodePage(*encoded, codePage), std::optional<QString>(fits));
        QVERIFY(!encodeCodePage(fits + refused, codePage).has_value());
    }

    // Every character a code page is taken to hold is written as bytes that
    // another decoder reads back as that character; a character it does not
    // hold makes the whole file UTF-16, never a '?' or a look-alike.
    void everyCharacterReadsBackElsewhere_data() {
        QTest::addColumn<int>("codePage");
        for (int cp : {874, 932, 936, 949, 950, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258})
            QTest::newRow(QByteArray::number(cp).constData()) << cp;
    }
    void everyCharacterReadsBackElsewhere() {
        QFETCH(int, codePage);
        REQUIRE_TOOLS("python3");
        QString held;
        QString refused;
        for (char16_t u = 0; u < 0xFFFF; ++u) {
            if (QChar::isSurrogate(u)) continue;
            const QChar c(u);
            (encodeCodePage(QStringView(&c, 1), codePage) ? held : refused).append(c);
        }
        QVERIFY(held.size() > 120);
        const auto bytes = encodeCodePage(held, codePage);
        QVERIFY(bytes.has_value());
        const auto read = pythonDecode(*bytes, codePage);
        QVERIFY(read.has_value());
        for (qsizetype i = 0; i < held.size(); ++i) // the first that differs, by name
            QVERIFY2(i < read->size() && read->at(i) == held.at(i),
                     qPrintable(QStringLiteral("U+%1 is read back as U+%2")
                                    .arg(held.at(i).unicode(), 4, 16, QLatin1Char('0'))
                                    .arg(i < read->size() ? read->at(i).unicode() : 0, 4, 16,
                                         QLatin1Char('0'))));
        QCOMPARE(*read, held);

        for (const QChar c : {refused.front(), refused.back(), QChar(0xE000)}) {
            const QString text = QStringLiteral("Name=") + c + QStringLiteral("\r\n");
            bool unicode = false;
            const QByteArray file = encodeWindowsFile(text, codePage, &unicode);
            QVERIFY(unicode);
            QCOMPARE(file, QByteArray("\xFF\xFE") + utf16LeBytes(text));
        }
    }

    void windowsFileFallsBackToUtf16() {
        bool unicode = true;
        QCOMPARE(encodeWindowsFile(u"[Identities]\r\nItem1=Иван\r\n", 1251, &unicode),
                 QByteArray("[Identities]\r\nItem1=\xC8\xE2\xE0\xED\r\n"));
        QVERIFY(!unicode);
        const QString mixed = QStringLiteral("Item1=Иван\r\nItem2=山田\r\n");
        const QByteArray bytes = encodeWindowsFile(mixed, 1251, &unicode);
        QVERIFY(unicode);
        QCOMPARE(bytes, QByteArray("\xFF\xFE") + utf16LeBytes(mixed));
        // Either form reads back as the text written.
        QCOMPARE(decodeWindowsFile(bytes, 1251), std::optional<QString>(mixed));
        QCOMPARE(decodeWindowsFile(encodeWindowsFile(u"Иван", 1251), 1251),
                 std::optional<QString>(QStringLiteral("Иван")));
        QCOMPARE(utf16LeBytes(u"Я"), QByteArray("\x2F\x04", 2));
        // A lone surrogate survives too: the bytes are the text's units as they are.
        const QString lone = QString(QChar(0xDC00)) + u'x';
        QCOMPARE(encodeWindowsFile(lone, 1252), QByteArray("\xFF\xFE\x00\xDC"
                                                           "x\x00",
                                                           6));
    }
};

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
