#pragma once
// SqxAddFiles: writes the file list into a ZIP archive through libarchive.

#include "CallbackChannel.h"
#include "Faults.h"
#include "sqx.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct archive;

namespace sqx {

class VolumeSink;
struct SourceItem;

// The byte size of one volume, or 0 for one file, from the options' split flag and size field.
uint64_t volumeSliceBytes(const SqxOptions& options);

class ArchiveWriter {
public:
    ArchiveWriter(std::string target, const std::vector<std::string>& specifications,
                  const SqxOptions& options, CallbackChannel& callback);
    int32_t run();

private:
    int32_t configure(archive* a);
    int32_t writeEntry(archive* a, int32_t index, const std::string& specification);
    int32_t writeItem(archive* a, const SourceItem& item);
    int32_t copyData(archive* a, int fd, uint64_t size);
    // The written archive, read back before it may replace the target.
    int32_t check(VolumeSink& sink);
    // The reason for a failed libarchive call: the sink's, an abort, or `fallback`.
    int32_t failure(int32_t fallback) const;
    bool reportProgress(bool entryDone);
    // A libarchive call went well, and so did the sink and the callback.
    bool succeeded(int archiveResult) const;

    std::string target_;
    const std::vector<std::string>& specifications_;
    const SqxOptions& options_;
    CallbackChannel& callback_;
    Faults faults_;
    VolumeSink* sink_ = nullptr;
    std::vector<char> buffer_;
    uint64_t entriesWritten_ = 0;
    // Where the fault seam flips a byte (the middle of one entry's stored data), or 0.
    uint64_t corruptAt_ = 0;
    // Progress of the current list entry.
    uint64_t entryTotal_ = 0;
    uint64_t entryDone_ = 0;
    uint64_t reportedAt_ = 0;
    std::chrono::steady_clock::time_point reportedTime_;
};

} // namespace sqx
