#include "backup/SqxRecords.h"

#include <cstring>

namespace backup::sqx {

std::int32_t readInt32(const unsigned char* record, std::size_t offset) {
    const unsigned char* p = record + offset;
    const std::uint32_t v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                            (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    return std::int32_t(v);
}

void writeInt32(unsigned char* record, std::size_t offset, std::int32_t value) {
    const auto v = std::uint32_t(value);
    unsigned char* p = record + offset;
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    p[2] = static_cast<unsigned char>((v >> 16) & 0xFF);
    p[3] = static_cast<unsigned char>((v >> 24) & 0xFF);
}

QByteArray readBytes(const unsigned char* record, std::size_t offset, std::size_t room) {
    const char* p = reinterpret_cast<const char*>(record + offset);
    const void* nul = std::memchr(p, 0, room);
    const std::size_t len = nul ? std::size_t(static_cast<const char*>(nul) - p) : room - 1;
    return QByteArray(p, qsizetype(len));
}

bool writeBytes(unsigned char* record, std::size_t offset, std::size_t room,
                const QByteArray& bytes) {
    // A NUL inside would cut the text short on the other side.
    if (std::size_t(bytes.size()) + 1 > room || bytes.contains('\0')) return false;
    std::memcpy(record + offset, bytes.constData(), std::size_t(bytes.size()));
    record[offset + std::size_t(bytes.size())] = 0;
    return true;
}

QString readText(const unsigned char* record, std::size_t offset, std::size_t room) {
    return QString::fromUtf8(readBytes(record, offset, room));
}

bool writeText(unsigned char* record, std::size_t offset, std::size_t room, const QString& text) {
    return writeBytes(record, offset, room, text.toUtf8());
}

std::int32_t volumeSizeForMedia(int mediaIndex) {
    switch (mediaIndex) {
    case 0:
        return 1357664; // floppy: a byte count
    case 1:
        return 9; // the others are media codes of the library
    case 2:
        return 11;
    case 3:
        return 12;
    case 4:
        return 13;
    default:
        return 0;
    }
}

QByteArray buildOptions(const QString& password, const QString& tempFolder, bool split,
                        int mediaIndex) {
    QByteArray rec(int(kOptionsSize), '\0');
    auto* p = reinterpret_cast<unsigned char*>(rec.data());
    writeInt32(p, kOptRecordSize, std::int32_t(kOptionsSize));
    writeInt32(p, kOptField4, 3);
    writeInt32(p, kOptField16, 1);
    writeInt32(p, kOptField32, 1);
    if (!writeText(p, kOptPassword, kOptPasswordRoom, password) ||
        !writeText(p, kOptTempFolder, kOptTempFolderRoom, tempFolder))
        return {};
    writeInt32(p, kOptSplit, split ? 1 : 0);
    writeInt32(p, kOptField1404, 1);
    writeInt32(p, kOptVolumeSize, volumeSizeForMedia(mediaIndex));
    return rec;
}

} // namespace backup::sqx
