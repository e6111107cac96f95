#pragma once
// SqxAddFiles: writes the file list into a ZIP archive. The calling thread reads the files in
// list order, cut into pieces, and makes every callback; worker threads deflate (and encrypt)
// the pieces; the calling thread writes them in the order it read them.

#include "CallbackChannel.h"
#include "Faults.h"
#include "Lists.h"
#include "PiecePool.h"
#include "ReadBack.h"
#include "ZipRecords.h"
#include "sqx.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sqx {

class VolumeSink;
struct SourceItem;

// The byte size of one volume, or 0 for one file, from the options' split flag and size field.
uint64_t volumeSliceBytes(const SqxOptions& options);

class ArchiveWriter {
public:
    ArchiveWriter(std::string target, const std::vector<std::string>& specifications,
                  const SqxOptions& options, CallbackChannel& callback, AddReport& report);
    ~ArchiveWriter();
    int32_t run();

private:
    // An entry whose pieces are read but not all written yet.
    struct OpenEntry {
        ZipEntry zip;
        WinZipAes::Salt salt{};
        std::unique_ptr<WinZipAes> aes; // entries of more than one piece: encrypted in order
        bool started = false;
        bool corrupt = false; // the fault seam flips a byte of its data
    };
    struct Pending {
        Piece* piece;
        OpenEntry* entry;
    };

    int32_t writeArchive();
    int32_t writeEntry(int32_t index, const std::string& specification);
    int32_t readItem(const SourceItem& item);
    // A source file that cannot be read: named in the report.
    int32_t sourceFailed(int error);
    int32_t readData(int fd, uint64_t size, OpenEntry& entry, bool deflate, bool failsHalfWay);
    // A free piece, writing finished ones (waiting for the oldest when none is free).
    int32_t takePiece(Piece*& piece);
    int32_t hand(Piece* piece, OpenEntry& entry);
    // Writes the oldest piece handed out, waiting for it when `wait`; SQX_OK also when there was
    // nothing to write.
    int32_t writeOldest(bool wait, bool& wrote);
    int32_t writePiece(Piece& piece, OpenEntry& entry);
    int32_t drain();
    int32_t writeDirectory();
    bool put(const void* data, size_t size);
    WinZipAes::Salt nextSalt();
    // The written archive, read back before it may replace the target.
    int32_t check(VolumeSink& sink);
    int32_t failure(int32_t fallback) const;
    bool reportProgress(bool entryDone);

    std::string target_;
    const std::vector<std::string>& specifications_;
    const SqxOptions& options_;
    CallbackChannel& callback_;
    AddReport& report_;
    std::string source_; // the file being read
    Faults faults_;
    std::string password_;
    VolumeSink* sink_ = nullptr;
    // The pieces (their buffers) outlive the threads that work on them.
    std::vector<std::unique_ptr<Piece>> pieces_;
    std::vector<Piece*> free_;
    std::deque<Pending> pending_;
    std::deque<OpenEntry> open_;
    std::unique_ptr<PiecePool> pool_;
    std::vector<ZipEntry> written_;
    Bytes record_;
    uint64_t saltsDrawn_ = 0;
    uint64_t entriesWritten_ = 0;
    bool compressFaultUsed_ = false;
    bool failOnLeftOut_ = false; // the callback asked to fail when a link is left out
    bool damageFaultUsed_ = false;
    // Every byte written, by entry, for the check after writing.
    ReadBack readBack_;
    int64_t partOf_ = ReadBack::kDirectory;
    // Where the fault seam flips a byte (the middle of one entry's stored data), or 0.
    uint64_t corruptAt_ = 0;
    // Progress of the current list entry.
    uint64_t entryTotal_ = 0;
    uint64_t entryDone_ = 0;
    uint64_t reportedAt_ = 0;
    std::chrono::steady_clock::time_point reportedTime_;
};

} // namespace sqx
