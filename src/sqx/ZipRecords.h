#pragma once
// The records of a ZIP file: local header, data descriptor, central directory and its end,
// with ZIP64 fields where sizes or offsets need them, names flagged as UTF-8, and the extra
// field of WinZip AES entries.

#include <cstdint>
#include <string>
#include <vector>

namespace sqx {

struct ZipEntry {
    std::string name; // UTF-8; folders end with '/'
    bool folder = false;
    uint16_t method = 0; // 0 stored, 8 deflated: the method of the data, also under AES
    bool aes = false;
    // Sizes and CRC follow the data in a descriptor (they were not known for the header).
    bool descriptor = false;
    // The local header carries ZIP64 sizes (the entry may pass 4 GiB).
    bool zip64Local = false;
    uint32_t crc = 0;        // of the plain data; written as 0 for AES entries
    uint64_t packedSize = 0; // as stored, AES salt, verifier and code included
    uint64_t size = 0;
    uint64_t offset = 0; // of the local header
    int64_t modified = 0;
    uint32_t mode = 0; // st_mode
};

using Bytes = std::vector<uint8_t>;

void appendLocalHeader(Bytes& out, const ZipEntry& entry);
void appendDataDescriptor(Bytes& out, const ZipEntry& entry);
void appendCentralHeader(Bytes& out, const ZipEntry& entry);
// ZIP64 end records too when the count, size or offset need them.
void appendEnd(Bytes& out, uint64_t entries, uint64_t directoryOffset, uint64_t directorySize);

} // namespace sqx
