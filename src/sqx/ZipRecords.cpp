#include "ZipRecords.h"

#include <time.h>

namespace sqx {

namespace {

constexpr uint32_t kMax32 = 0xFFFFFFFFu;
constexpr uint16_t kFlagEncrypted = 1 << 0;
constexpr uint16_t kFlagDescriptor = 1 << 3;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint16_t kMethodAes = 99;
// Made by: Unix (3), specification 6.3: the mode in the external attributes counts.
constexpr uint16_t kMadeBy = (3 << 8) | 63;

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void put64(Bytes& out, uint64_t v) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
}
void putText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

uint32_t dosTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    tm local{};
    if (localtime_r(&t, &local) == nullptr || local.tm_year < 80) return (1 << 21) | (1 << 16);
    if (local.tm_year > 207) local.tm_year = 207;
    return static_cast<uint32_t>((local.tm_year - 80) << 25 | (local.tm_mon + 1) << 21 |
                                 local.tm_mday << 16 | local.tm_hour << 11 | local.tm_min << 5 |
                                 local.tm_sec / 2);
}

uint16_t flagsOf(const ZipEntry& e) {
    uint16_t flags = kFlagUtf8;
    if (e.aes) flags |= kFlagEncrypted;
    if (e.descriptor) flags |= kFlagDescriptor;
    return flags;
}

uint16_t versionNeeded(const ZipEntry& e, bool zip64) {
    if (e.aes) return 51;
    if (zip64) return 45;
    return 20;
}

// Modification time in seconds since 1970 (UTC), beside the DOS time in local time.
void putTimeExtra(Bytes& out, int64_t modified) {
    put16(out, 0x5455);
    put16(out, 5);
    out.push_back(1);
    put32(out, static_cast<uint32_t>(modified));
}

void putAesExtra(Bytes& out, uint16_t method) {
    put16(out, 0x9901);
    put16(out, 7);
    put16(out, 2); // AE-2: no CRC, the code checks the data
    out.push_back('A');
    out.push_back('E');
    out.push_back(3); // AES-256
    put16(out, method);
}

} // namespace

void appendLocalHeader(Bytes& out, const ZipEntry& e) {
    const bool known = !e.descriptor;
    put32(out, 0x04034b50);
    put16(out, versionNeeded(e, e.zip64Local));
    put16(out, flagsOf(e));
    put16(out, e.aes ? kMethodAes : e.method);
    put32(out, dosTime(e.modified));
    put32(out, known && !e.aes ? e.crc : 0);
    if (e.zip64Local) {
        put32(out, kMax32);
        put32(out, kMax32);
    } else {
        put32(out, known ? static_cast<uint32_t>(e.packedSize) : 0);
        put32(out, known ? static_cast<uint32_t>(e.size) : 0);
    }
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, (e.zip64Local ? 20 : 0) + 9 + (e.aes ? 11 : 0));
    putText(out, e.name);
    if (e.zip64Local) {
        put16(out, 0x0001);
        put16(out, 16);
        put64(out, known ? e.size : 0);
        put64(out, known ? e.packedSize : 0);
    }
    putTimeExtra(out, e.modified);
    if (e.aes) putAesExtra(out, e.method);
}

void appendDataDescriptor(Bytes& out, const ZipEntry& e) {
    put32(out, 0x08074b50);
    put32(out, e.aes ? 0 : e.crc);
    if (e.zip64Local) {
        put64(out, e.packedSize);
        put64(out, e.size);
    } else {
        put32(out, static_cast<uint32_t>(e.packedSize));
        put32(out, static_cast<uint32_t>(e.size));
    }
}

void appendCentralHeader(Bytes& out, const ZipEntry& e) {
    const bool bigSize = e.size >= kMax32;
    const bool bigPacked = e.packedSize >= kMax32;
    const bool bigOffset = e.offset >= kMax32;
    const bool zip64 = bigSize || bigPacked || bigOffset;
    const uint16_t zip64Bytes = static_cast<uint16_t>(8 * (bigSize + bigPacked + bigOffset));
    put32(out, 0x02014b50);
    put16(out, kMadeBy);
    put16(out, versionNeeded(e, zip64 || e.zip64Local));
    put16(out, flagsOf(e));
    put16(out, e.aes ? kMethodAes : e.method);
    put32(out, dosTime(e.modified));
    put32(out, e.aes ? 0 : e.crc);
    put32(out, bigPacked ? kMax32 : static_cast<uint32_t>(e.packedSize));
    put32(out, bigSize ? kMax32 : static_cast<uint32_t>(e.size));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, (zip64 ? 4 + zip64Bytes : 0) + 9 + (e.aes ? 11 : 0));
    put16(out, 0); // comment
    put16(out, 0); // disk
    put16(out, 0); // internal attributes
    put32(out, (e.mode & 0xFFFF) << 16 | (e.folder ? 0x10 : 0));
    put32(out, bigOffset ? kMax32 : static_cast<uint32_t>(e.offset));
    putText(out, e.name);
    if (zip64) {
        put16(out, 0x0001);
        put16(out, zip64Bytes);
        if (bigSize) put64(out, e.size);
        if (bigPacked) put64(out, e.packedSize);
        if (bigOffset) put64(out, e.offset);
    }
    putTimeExtra(out, e.modified);
    if (e.aes) putAesExtra(out, e.method);
}

void appendEnd(Bytes& out, uint64_t entries, uint64_t directoryOffset, uint64_t directorySize) {
    const bool zip64 = entries >= 0xFFFF || directoryOffset >= kMax32 || directorySize >= kMax32;
    if (zip64) {
        const uint64_t recordOffset = directoryOffset + directorySize;
        put32(out, 0x06064b50);
        put64(out, 44);
        put16(out, kMadeBy);
        put16(out, 45);
        put32(out, 0);
        put32(out, 0);
        put64(out, entries);
        put64(out, entries);
        put64(out, directorySize);
        put64(out, directoryOffset);
        put32(out, 0x07064b50); // locator
        put32(out, 0);
        put64(out, recordOffset);
        put32(out, 1);
    }
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(entries));
    put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(entries));
    put32(out, zip64 ? kMax32 : static_cast<uint32_t>(directorySize));
    put32(out, zip64 ? kMax32 : static_cast<uint32_t>(directoryOffset));
    put16(out, 0);
}

} // namespace sqx
