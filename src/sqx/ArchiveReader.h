#pragma once
// SqxListFiles, SqxTestFiles and SqxExtractFiles: reading an archive (or the first volume of a
// set) through libarchive, with the password from the options or asked through the callback.

#include "CallbackChannel.h"
#include "UniqueFd.h"
#include "VolumeFiles.h"
#include "sqx.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct archive;
struct archive_entry;

namespace sqx {

struct ArcListData;

class ArchiveReader {
public:
    ArchiveReader(std::string archivePath, const std::vector<std::string>* masks,
                  const SqxOptions* options, CallbackChannel& callback);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    int32_t list(ArcListData& out);
    int32_t test();
    int32_t extract();

    // The check after writing, beside the writer's own comparison of the bytes: reads every
    // header of the volume files (in order) of a just-written archive and counts its entries.
    // No question is asked and no entry announced; progress reports say 100, so that the
    // caller's window stays alive and its abort works.
    static int32_t verify(const std::vector<std::string>& volumes, const std::string& password,
                          CallbackChannel& callback, uint64_t& entries);

    // The entry whose data failed a check in this thread's last read or write call (empty
    // when none); set by the reader, cleared at the start of every call that can set it.
    // Kept without a destructor: a per-thread object with one would register a destructor
    // for every thread that ever called this library, and tie its unloading to them.
    struct FailedEntryName {
        static constexpr size_t kRoom = 4096; // longer names are cut
        char text[kRoom];
        size_t size = 0;
        void set(const std::string& name);
        void clear() { size = 0; }
        std::string_view view() const { return {text, size}; }
    };
    static FailedEntryName& lastFailedEntry();

    // libarchive asks for a passphrase when it meets an encrypted entry.
    const char* passphraseWanted();

private:
    enum class Mode { List, Test, Extract, Verify };
    int32_t run(Mode mode, ArcListData* out);
    int32_t open();
    bool selected(const std::string& name) const;
    // Reads the entry's data into outFd (-1: nowhere), with progress reports.
    int32_t readData(int outFd, archive_entry* entry);
    int32_t keepAlive();
    int32_t extractEntry(archive_entry* entry, const std::string& name);
    // Extract: an entry that is not written (see sqx.h) is only counted.
    bool refused(archive_entry* entry, const std::string& name);
    // The reason for a failed libarchive read call.
    int32_t dataFailure() const;

    std::string path_;
    const std::vector<std::string>* masks_;
    std::string password_;
    std::string outputFolder_;
    UniqueFd rootFd_; // extract: the output folder, opened once
    CallbackChannel& callback_;
    archive* archive_ = nullptr;
    VolumeFiles files_;
    bool asked_ = false;
    bool empty_ = false;
    std::chrono::steady_clock::time_point lastKeepAlive_;
    uint64_t entries_ = 0;
    uint64_t refused_ = 0;
    std::string askedPassword_;
    std::vector<char> buffer_;
};

} // namespace sqx
