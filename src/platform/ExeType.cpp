// The executable-type query: what kind of program a file is, from its header.
#include "platform/Process.h"

#include <QFile>

namespace platform {

namespace {

quint32 le16(const QByteArray& b, qsizetype at) {
    return quint32(static_cast<unsigned char>(b.at(at))) |
           quint32(static_cast<unsigned char>(b.at(at + 1))) << 8;
}

quint32 le32(const QByteArray& b, qsizetype at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

constexpr quint32 kMZ = 0x5A4D;
constexpr quint32 kPE = 0x4550;
constexpr quint32 kNE = 0x454E;
constexpr quint32 kLE = 0x454C;

} // namespace

quint32 executableType(const QString& hostPath) {
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray mz = f.read(64);
    if (mz.size() < 2 || le16(mz, 0) != kMZ) {
        // DOS programs without a header are known by their name alone.
        const bool dosName = hostPath.endsWith(u".com", Qt::CaseInsensitive) ||
                             hostPath.endsWith(u".bat", Qt::CaseInsensitive);
        return dosName && f.size() > 0 ? kMZ : 0;
    }
    if (mz.size() < 64) return kMZ;
    const quint32 lfanew = le32(mz, 0x3C);
    if (lfanew < 64 || !f.seek(lfanew)) return kMZ;
    // The new header: signature, COFF header (20 bytes) and the optional
    // header up to its subsystem field, or the NE header.
    const QByteArray nh = f.read(24 + 72);
    if (nh.size() >= 4 && le32(nh, 0) == kPE) {
        if (nh.size() < 24 + 70) return kMZ; // a PE signature without its headers
        const quint32 characteristics = le16(nh, 4 + 18);
        if (characteristics & 0x2000) // a DLL is no program
            return 0;
        const qsizetype opt = 24;
        const quint32 major = le16(nh, opt + 48);
        const quint32 minor = le16(nh, opt + 50);
        const quint32 subsystem = le16(nh, opt + 68);
        if (subsystem == 2) // Windows GUI: the subsystem version in the high word
            return kPE | ((major & 0xFF) << 24) | ((minor & 0xFF) << 16);
        return kPE; // console programs and the rest
    }
    if (nh.size() >= 0x40 && le16(nh, 0) == kNE) {
        const auto targetOs = static_cast<unsigned char>(nh.at(0x36));
        if (targetOs != 2 && targetOs != 0) // OS/2 and the like
            return 0;
        return kNE | le16(nh, 0x3E) << 16;
    }
    if (nh.size() >= 2 && le16(nh, 0) == kLE) return kLE;
    return kMZ;
}

} // namespace platform
