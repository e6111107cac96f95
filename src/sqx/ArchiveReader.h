#pragma once
// SqxListFiles, SqxTestFiles and SqxExtractFiles: reading an archive (or the first volume of a
// set) through libarchive, with the password from the options or asked through the callback.

#include "CallbackChannel.h"
#include "sqx.h"

#include <cstdint>
#include <string>
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

    // libarchive asks for a passphrase when it meets an encrypted entry.
    const char* passphraseWanted();

private:
    enum class Mode { List, Test, Extract };
    int32_t run(Mode mode, ArcListData* out);
    int32_t open();
    bool selected(const std::string& name) const;
    int32_t readData(int outFd, uint64_t expected);
    int32_t extractEntry(archive_entry* entry, const std::string& name);
    // The reason for a failed libarchive read call.
    int32_t dataFailure() const;

    std::string path_;
    const std::vector<std::string>* masks_;
    std::string password_;
    std::string outputFolder_;
    CallbackChannel& callback_;
    archive* archive_ = nullptr;
    std::vector<std::string> volumes_;
    std::vector<const char*> volumePointers_;
    bool asked_ = false;
    bool empty_ = false;
    std::string askedPassword_;
    std::vector<char> buffer_;
};

} // namespace sqx
