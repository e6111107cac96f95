#include "support/BinaryHive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

using platform::HiveFile;
using platform::HiveKey;
using platform::RegValue;

namespace support {

namespace {

constexpr qsizetype kBaseBlock = 4096;
constexpr qsizetype kBinsLength = 0x28;
constexpr qsizetype kChecksum = 0x1FC;
constexpr qsizetype kValueName = 24;

quint32 le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

void put32(QByteArray& b, qsizetype at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An independent writer: hivex's Python binding empties a hive Windows wrote
// and fills it with the keys of a list ("K\tpath" / "V\tname\ttype\tdata",
// name and data in hex), then saves it as a new file.
const char* const kWriter = R"(
import sys, hivex
base, listing, out = sys.argv[1:4]
h = hivex.Hivex(base, write=True)
root = h.root()
for c in h.node_children(root):
    h.node_delete_child(c)
h.node_set_values(root, [])
nodes = {'': root}
values = {}
cur = root
for line in open(listing, encoding='utf-8'):
    f = line.rstrip('\n').split('\t')
    if f[0] == 'K':
        node, sofar = root, ''
        for part in f[1].split('\\'):
            sofar += '\\' + part.lower()
            if sofar not in nodes:
                nodes[sofar] = h.node_add_child(node, part)
            node = nodes[sofar]
        cur = node
        values.setdefault(cur, [])
    else:
        values.setdefault(cur, []).append({'key': bytes.fromhex(f[1]).decode('utf-8'),
                                           't': int(f[2]), 'value': bytes.fromhex(f[3])})
for node, vals in values.items():
    if vals:
        h.node_set_values(node, vals)
h.commit(out)
)";

void listKey(const HiveKey& k, const QString& path, QByteArray& out) {
    if (!path.isEmpty()) out += "K\t" + path.toUtf8() + '\n';
    for (const RegValue& v : k.values())
        out += "V\t" + v.name.toUtf8().toHex() + '\t' + QByteArray::number(v.type) + '\t' +
               v.data.toHex() + '\n';
    for (const auto& sub : k.subKeys())
        listKey(*sub, path.isEmpty() ? sub->name() : path + u'\\' + sub->name(), out);
}

} // namespace

bool writeBinaryHive(const QString& wineHive, const QString& inner, const QString& base,
                     const QString& hivePath, const QString& work) {
    const HiveFile text = HiveFile::parse(readFile(wineHive));
    const HiveKey* top = text.findKey(inner);
    if (!top) return false;
    QByteArray listing;
    listKey(*top, {}, listing);
    const QString listPath = work + QStringLiteral("/listing.txt");
    const QString script = work + QStringLiteral("/writer.py");
    if (!writeFile(listPath, listing) || !writeFile(script, kWriter)) return false;
    QDir().mkpath(QFileInfo(hivePath).absolutePath());
    QProcess py;
    py.setProcessChannelMode(QProcess::ForwardedChannels);
    // The python3 that python3-hivex is built for.
    py.start(QStringLiteral("/usr/bin/python3"), {script, base, listPath, hivePath});
    return py.waitForFinished(120000) && py.exitCode() == 0;
}

bool writeDamageSample(const QString& base, const QString& hivePath, const QString& work) {
    HiveFile h;
    h.setValue(u"Aardvark", RegValue::binary(QStringLiteral("Pad"), QByteArray(6000, 'p')));
    h.setValue(u"Alpha", RegValue::string(QStringLiteral("Good"), QStringLiteral("x")));
    h.setValue(u"Alpha", RegValue::string(QStringLiteral("Bad\u4E01\u4E02Name"), {}));
    h.setValue(u"Alpha", RegValue::binary(QStringLiteral("BigLength"), "12345678"));
    h.setValue(u"Alpha", RegValue::dword(QStringLiteral("OddType"), 1));
    h.setValue(u"Alpha\\Beta", RegValue::binary(QStringLiteral("Deep"), QByteArray(300, 'z')));
    h.setValue(u"Keep\u4E03\u4E04Key", RegValue::dword(QStringLiteral("Mark"), 2));
    const QString text = work + QStringLiteral("/damage-sample.reg");
    return writeFile(text, h.serialize()) && writeBinaryHive(text, {}, base, hivePath, work);
}

int valueCount(const HiveKey& k) {
    int n = int(k.values().size());
    for (const auto& s : k.subKeys())
        n += valueCount(*s);
    return n;
}

HiveDamage valueField(const char* name, int field, quint32 v) {
    return [=](QByteArray& hive) {
        const qsizetype at = hive.indexOf(name) - kValueName;
        if (at < kBaseBlock || hive.mid(at + 4, 2) != "vk") return false;
        put32(hive, at + field, v);
        return true;
    };
}

HiveDamage unpairedSurrogate(const char16_t* marker) {
    QByteArray units;
    for (const char16_t* c = marker; *c; ++c)
        units.append(char(*c & 0xFF)).append(char(*c >> 8));
    return [=](QByteArray& hive) {
        const qsizetype at = hive.indexOf(units);
        if (at < kBaseBlock) return false;
        hive[at] = '\x00';
        hive[at + 1] = '\xD8';
        return true;
    };
}

HiveDamage cutBefore(const QByteArray& marker) {
    return [=](QByteArray& hive) {
        const qsizetype at = hive.indexOf(marker);
        qsizetype bin = kBaseBlock;
        while (bin + 12 <= hive.size() && hive.mid(bin, 4) == "hbin") {
            const quint32 size = le32(hive, bin + 8);
            if (size == 0) return false;
            if (at < bin + qsizetype(size)) break;
            bin += qsizetype(size);
        }
        if (at < kBaseBlock || bin >= hive.size() || bin == kBaseBlock) return false;
        hive.truncate(bin);
        put32(hive, kBinsLength, quint32(bin - kBaseBlock));
        quint32 sum = 0;
        for (qsizetype i = 0; i < kChecksum; i += 4)
            sum ^= le32(hive, i);
        put32(hive, kChecksum, sum);
        return true;
    };
}

} // namespace support
