#include "support/HiveBytes.h"

#include <QtEndian>

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

} // namespace

bool setValueField(QByteArray& hive, QByteArrayView name, int field, quint32 v) {
    const qsizetype at = hive.indexOf(name) - kValueName;
    if (at < kBaseBlock || hive.mid(at + 4, 2) != "vk") return false;
    put32(hive, at + field, v);
    return true;
}

bool breakUtf16(QByteArray& hive, QStringView marker) {
    const QByteArray units(reinterpret_cast<const char*>(marker.utf16()), marker.size() * 2);
    const qsizetype at = hive.indexOf(units);
    if (at < kBaseBlock) return false;
    hive[at] = '\x00';
    hive[at + 1] = '\xD8';
    return true;
}

bool cutBefore(QByteArray& hive, QByteArrayView marker) {
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
}

} // namespace support
