#pragma once
// The check of a written archive against what was handed to the disk: every byte is counted
// into a CRC-32 of the entry it belongs to (headers, data and trailer alike, the central
// directory as a part of its own) as it is written, and after the files are synced they are
// read back and counted again. A byte that did not reach the disk as it left the writer names
// its entry.

#include "CallbackChannel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sqx {

class ReadBack {
public:
    // The part that is not an entry: the central directory and the end records.
    static constexpr int64_t kDirectory = -1;

    // `size` bytes, the next ones of the archive, of entry `entry` (0 for the first written).
    void add(const void* data, size_t size, int64_t entry);

    // Reads `files` back, first volume first, as one stream. SQX_OK, SQX_E_BAD_DATA with
    // `failedEntry` set to the first part that differs, SQX_E_ABORTED when the callback stops,
    // or the read error.
    int32_t verify(const std::vector<std::string>& files, CallbackChannel& callback,
                   int64_t& failedEntry) const;

    uint64_t size() const { return parts_.empty() ? 0 : parts_.back().end; }

private:
    struct Part {
        uint64_t end; // one past the part's last byte
        uint32_t crc;
        int64_t entry;
    };
    std::vector<Part> parts_;
};

} // namespace sqx
