// The hive file reader and writer: every value type and awkward text written
// and read back equal, Wine's own files read without a skipped line and
// written back byte for byte, and bad input that never stops the reader.

#include "platform/HiveFile.h"
#include "platform/RegistryText.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace platform;

namespace {

QByteArray fixture(const QString& name) {
    QFile f(QStringLiteral(POSTORA_FIXTURES_DIR "/wine-prefix/") + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Every key path with its values, in a form two hives can be compared by.
void collect(const HiveKey& k, const QString& path, QStringList& out) {
    out.append(QStringLiteral("[%1]").arg(path));
    for (const RegValue& v : k.values())
        out.append(QStringLiteral("%1|%2|%3")
                       .arg(v.name)
                       .arg(v.type)
                       .arg(QString::fromLatin1(v.data.toHex())));
    for (const auto& s : k.subKeys())
        collect(*s, path + u'\\' + s->name(), out);
}

QStringList contents(const HiveFile& h) {
    QStringList out;
    collect(h.root(), QString(), out);
    return out;
}

QString tricky() {
    QString s = QStringLiteral("q\"uote\\back\\\\slash [x] ]\n\r\t end ");
    s += QChar(0x00e9); // é followed by a hex digit below
    s += QStringLiteral("a");
    s += QChar(0x20ac); // €
    s += QStringLiteral(" ");
    s += QString::fromUcs4(U"\U0001F600", 1); // a surrogate pair
    s += QChar(0xd800);                       // a lone surrogate
    s += QStringLiteral("1");
    for (char16_t c = 1; c < 32; ++c) {
        s += QChar(c);
        s += QStringLiteral("7");
    }
    return s;
}

} // namespace

class TestHiveFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyTypeRoundTrips_data();
    void everyTypeRoundTrips();
    void keyNamesRoundTrip();
    void escapesAsWineWritesThem();
    void readsCrlfAndContinuations();
    void wineFixturesReadCleanly_data();
    void wineFixturesReadCleanly();
    void lookupsIgnoreCase();
    void subKeysSortedAsWine();
    void valuesKeepCreationOrder();
    void malformedLinesAreSkipped();
    void randomAndTruncatedInputNeverStops();
    void hugeValue();
};

void TestHiveFile::everyTypeRoundTrips_data() {
    QTest::addColumn<RegValue>("value");
    const QString t = tricky();
    QTest::newRow("sz") << RegValue::string(t, t);
    QTest::newRow("sz-empty") << RegValue::string(QString(), QString());
    QTest::newRow("expand") << RegValue::string(QStringLiteral("E"), t, REG_EXPAND_SZ);
    QTest::newRow("multi") << RegValue{
        QStringLiteral("M"), REG_MULTI_SZ,
        regtext::utf16Bytes(QStringView(u"one\0tw\"o\0", 9).toString() + t + QChar(0), true)};
    QTest::newRow("dword") << RegValue::dword(QStringLiteral("D"), 0xdeadbeef);
    QTest::newRow("binary-empty") << RegValue::binary(QStringLiteral("B0"), QByteArray());
    QByteArray bin;
    for (int i = 0; i < 1000; ++i)
        bin.append(char(i * 7));
    QTest::newRow("binary-long") << RegValue::binary(QStringLiteral("B"), bin);
    QTest::newRow("qword") << RegValue{QStringLiteral("Q"), REG_QWORD, QByteArray(8, '\xff')};
    QTest::newRow("odd-type") << RegValue{QStringLiteral("X"), 0xffff0011u,
                                          QByteArray("\x01\x02", 2)};
    QTest::newRow("none") << RegValue{QStringLiteral("N"), REG_NONE, QByteArray()};
    QTest::newRow("dword-short") << RegValue{QStringLiteral("D3"), REG_DWORD, QByteArray("abc")};
    QTest::newRow("sz-unterminated")
        << RegValue{QStringLiteral("U"), REG_SZ, QByteArray("a\0b", 3)};
    QTest::newRow("sz-odd") << RegValue{QStringLiteral("O"), REG_SZ, QByteArray("a\0\0", 3)};
}

void TestHiveFile::everyTypeRoundTrips() {
    QFETCH(RegValue, value);
    HiveFile h;
    h.setValue(u"Software\\Test", RegValue::string(QStringLiteral("before"), QStringLiteral("1")));
    h.setValue(u"Software\\Test", value);
    h.setValue(u"Software\\Test", RegValue::string(QStringLiteral("after"), QStringLiteral("2")));
    const HiveFile back = HiveFile::parse(h.serialize());
    QCOMPARE(back.skippedLines(), 0);
    const HiveKey* k = back.findKey(u"Software\\Test");
    QVERIFY(k);
    QCOMPARE(k->values().size(), size_t(3));
    QCOMPARE(k->values()[1], value);
    QCOMPARE(k->values()[2].text(), QStringLiteral("2"));
}

void TestHiveFile::keyNamesRoundTrip() {
    HiveFile h;
    const QString odd = QStringLiteral("Br[ack]ets \"q\" ") + QChar(0x00fc) + QStringLiteral("ber");
    h.key(QStringLiteral("Software\\") + odd + QStringLiteral("\\x"));
    h.key(u"Software\\Empty");
    const HiveFile back = HiveFile::parse(h.serialize());
    QCOMPARE(back.skippedLines(), 0);
    QVERIFY(back.findKey(QStringLiteral("software\\") + odd.toUpper() + QStringLiteral("\\X")));
    QCOMPARE(back.findKey(u"Software")->subKeyNames(), QStringList({odd, QStringLiteral("Empty")}));
}

void TestHiveFile::escapesAsWineWritesThem() {
    HiveFile h;
    QString s = QChar(0xe9) + QStringLiteral("a") + QChar(0xe9) + QStringLiteral("g") + QChar(1) +
                QStringLiteral("2") + QChar(1) + QStringLiteral("9") + QChar(27);
    h.setValue(u"K", RegValue::string(QStringLiteral("v"), s));
    QVERIFY(h.serialize().contains(R"("v"="\x00e9a\xe9g\0012\19\e")"));
    // \x reads at most four digits; "\x" with none is a plain x.
    const HiveFile r =
        HiveFile::parse("WINE REGISTRY Version 2\n[K]\n\"v\"=\"\\x00e9a\\xq\\101\"\n");
    QCOMPARE(r.findKey(u"K")->value(u"v")->text(), QChar(0xe9) + QStringLiteral("axqA"));
}

void TestHiveFile::readsCrlfAndContinuations() {
    const QByteArray text = "WINE REGISTRY Version 2\r\n;; comment\r\n\r\n[A\\\\B] 5\r\n"
                            "#time=1d000000000000\r\n#class=\"c\\\"l\"\r\n"
                            "\"h\"=hex:01,02,\\\r\n  03 , 04,\\\r\n\t05\r\n"
                            "@=dword:1\r\n\"s\" = \"x\"  \r\n";
    const HiveFile h = HiveFile::parse(text);
    QCOMPARE(h.skippedLines(), 0);
    const HiveKey* k = h.findKey(u"a\\b");
    QVERIFY(k);
    QCOMPARE(k->value(u"h")->data, QByteArray("\x01\x02\x03\x04\x05"));
    QCOMPARE(k->value(u"")->data, RegValue::dword(QString(), 1).data);
    QCOMPARE(k->value(u"S")->text(), QStringLiteral("x"));
    QCOMPARE(k->unixTime(), 5u);
    QCOMPARE(k->fileTime().value_or(0), 0x1d000000000000ull);
    QCOMPARE(k->className().value_or(QString()), QStringLiteral("c\"l"));
    QVERIFY(HiveFile::parse(h.serialize()).findKey(u"A\\B")->className().has_value());
}

void TestHiveFile::wineFixturesReadCleanly_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("user") << QStringLiteral("user.reg");
    QTest::newRow("system") << QStringLiteral("system.reg");
    QTest::newRow("userdef") << QStringLiteral("userdef.reg");
}

void TestHiveFile::wineFixturesReadCleanly() {
    QFETCH(QString, file);
    const QByteArray bytes = fixture(file);
    QVERIFY(!bytes.isEmpty());
    const HiveFile h = HiveFile::parse(bytes);
    QVERIFY(h.headerOk());
    QCOMPARE(h.skippedLineNumbers(), QList<int>());
    QVERIFY(h.keyCount() > 5);
    QVERIFY(h.relativeTo().startsWith(QStringLiteral("REGISTRY\\")));
    const QByteArray again = h.serialize();
    QCOMPARE(contents(HiveFile::parse(again)), contents(h));
    QCOMPARE(again, bytes); // Wine's layout, byte for byte
}

void TestHiveFile::lookupsIgnoreCase() {
    const HiveFile h = HiveFile::parse(fixture(QStringLiteral("system.reg")));
    const HiveKey* k = h.findKey(u"SOFTWARE\\microsoft\\Windows NT\\currentversion");
    QVERIFY(k);
    QCOMPARE(k->name(), QStringLiteral("CurrentVersion"));
    QVERIFY(k->value(u"currentversion"));
    QVERIFY(!h.findKey(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\nope"));
    HiveFile w;
    w.setValue(u"K", RegValue::dword(QStringLiteral("Name"), 1));
    w.setValue(u"k", RegValue::dword(QStringLiteral("NAME"), 2));
    QCOMPARE(w.root().subKeys().size(), size_t(1));
    QCOMPARE(w.findKey(u"K")->values().size(), size_t(1));
    QCOMPARE(w.findKey(u"K")->values()[0].name, QStringLiteral("Name"));
    QCOMPARE(w.findKey(u"K")->values()[0].data, RegValue::dword({}, 2).data);
}

void TestHiveFile::subKeysSortedAsWine() {
    HiveFile h;
    for (const char* n : {"b", "A_B", "AB", "a", "C", "ab2", "_"})
        h.key(QStringLiteral("K\\") + QLatin1String(n));
    QCOMPARE(h.findKey(u"K")->subKeyNames(), QStringList({"_", "a", "A_B", "AB", "ab2", "b", "C"}));
    QVERIFY(h.removeKey(u"k\\ab"));
    QVERIFY(!h.removeKey(u"k\\ab"));
    QCOMPARE(h.findKey(u"K")->subKeyNames().size(), 6);
}

void TestHiveFile::valuesKeepCreationOrder() {
    HiveFile h;
    QStringList names;
    for (int i = 0; i < 40; ++i) // past the size where values get an index
        names.append(QStringLiteral("v%1").arg((i * 17) % 40));
    for (const QString& n : names)
        h.setValue(u"K", RegValue::dword(n, 1));
    HiveKey* k = h.findKey(u"K");
    QVERIFY(k->removeValue(u"V3"));
    names.removeOne(QStringLiteral("v3"));
    k->setValue(RegValue::dword(QStringLiteral("V20"), 2));
    const HiveFile back = HiveFile::parse(h.serialize());
    QStringList got;
    for (const RegValue& v : back.findKey(u"K")->values())
        got.append(v.name);
    QCOMPARE(got, names);
    QVERIFY(back.findKey(u"K")->value(u"v39"));
    QVERIFY(!back.findKey(u"K")->value(u"v3"));
}

void TestHiveFile::malformedLinesAreSkipped() {
    const QByteArray text = "WINE REGISTRY Version 2\n"
                            "\"early\"=\"no key yet\"\n" // 2
                            "[Good]\n"
                            "\"a\"=\"unterminated\n"  // 4
                            "\"b\"=dword:123456789\n" // 5
                            "\"c\"=hex:01,zz\n"       // 6
                            "garbage\n"               // 7
                            "\"d\"=\"fine\"\n"
                            "\"e\"=hex:01,\\\n" // 9: cut short by the next line
                            "\"f\"=str(2):\"ok\"\n"
                            "[Broken\n"        // 11
                            "\"g\"=\"lost\"\n" // 12
                            "[Next] x\n"
                            "\"h\"=hex(7):41,00,\\"; // 14: ends inside the value
    const HiveFile h = HiveFile::parse(text);
    QCOMPARE(h.skippedLineNumbers(), QList<int>({2, 4, 5, 6, 7, 9, 11, 12, 14}));
    QCOMPARE(h.skippedLines(), 9);
    const HiveKey* good = h.findKey(u"Good");
    QCOMPARE(good->values().size(), size_t(2));
    QCOMPARE(good->value(u"f")->type, quint32(REG_EXPAND_SZ));
    QVERIFY(h.findKey(u"Next"));
    QVERIFY(!HiveFile::parse("REGEDIT4\n[A]\n").headerOk());
    // Keys as deep as Windows allows are read; deeper ones would only exhaust the stack.
    const QByteArray deep = "[" + QByteArray("k\\\\").repeated(HiveFile::kMaxDepth - 1) + "k]\n";
    const QByteArray deeper = "[" + QByteArray("k\\\\").repeated(200000) + "k]\n@=\"x\"\n";
    const HiveFile d = HiveFile::parse("WINE REGISTRY Version 2\n" + deep + deeper);
    QCOMPARE(d.skippedLines(), 2);
    QCOMPARE(d.keyCount(), qsizetype(HiveFile::kMaxDepth));
    QCOMPARE(HiveFile::parse(d.serialize()).keyCount(), qsizetype(HiveFile::kMaxDepth));
    QVERIFY(HiveFile::parse(QByteArray()).headerOk());
}

void TestHiveFile::randomAndTruncatedInputNeverStops() {
    const QByteArray sample = fixture(QStringLiteral("user.reg")).left(6000) +
                              "[T]\n\"s\"=\"\\x00e9\\\\\\\"\"\n\"h\"=hex:01,\\\n  02\n";
    for (qsizetype n = 0; n <= sample.size(); ++n) {
        const HiveFile h = HiveFile::parse(sample.left(n));
        HiveFile::parse(h.serialize()); // what was read can be written and read again
    }
    QRandomGenerator rng(1234);
    for (int round = 0; round < 300; ++round) {
        QByteArray junk = sample;
        for (int i = 0; i < 40; ++i) // flipped bytes in real text
            junk[rng.bounded(int(junk.size()))] = char(rng.bounded(256));
        const HiveFile h = HiveFile::parse(junk);
        QCOMPARE(contents(HiveFile::parse(h.serialize())), contents(h));
        QByteArray noise(int(rng.bounded(4096)), Qt::Uninitialized);
        for (char& c : noise)
            c = "[]\"\\@=#:,x0hexdword\n\r "[rng.bounded(22)];
        HiveFile::parse("WINE REGISTRY Version 2\n" + noise);
    }
}

void TestHiveFile::hugeValue() {
    QByteArray big(100 * 1024 * 1024, 'a');
    const QByteArray text = "WINE REGISTRY Version 2\n[K]\n\"big\"=\"" + big + "\"\n\"u\"=\"" + big;
    big.clear();
    const HiveFile h = HiveFile::parse(text);
    QCOMPARE(h.skippedLines(), 1); // the second one never ends
    QCOMPARE(h.findKey(u"K")->value(u"big")->data.size(), qsizetype(200 * 1024 * 1024 + 2));
}

QTEST_GUILESS_MAIN(TestHiveFile)
#include "tst_hivefile.moc"
