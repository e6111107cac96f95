#pragma once
// The files an archive is read from: the one file, or the volumes ".001", ".002", ... of a set,
// handed to libarchive as one stream. Each must be a regular file and is opened without
// blocking: a pipe or a device under a volume's name would make a read wait for ever.

#include "UniqueFd.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct archive;

namespace sqx {

class VolumeFiles {
public:
    // The set that begins at `path`: the file alone, or, for a name ending in ".001", every
    // volume that follows without a gap. SQX_OK, or why a file cannot be read (a volume that is
    // not a regular file: SQX_E_NOT_A_FILE); failed() then names it.
    int32_t find(const std::string& path);
    // The volumes as the writer made them, checked the same way.
    int32_t use(const std::vector<std::string>& paths);

    // archive_read_open1 over the volumes, read through descriptors opened here.
    int open(archive* a);

    const std::string& failed() const { return failed_; }
    size_t count() const { return volumes_.size(); }
    // Once the set could not be read as an archive: the name of the volume it lacks when it
    // began at ".001" and its last volume does not end a ZIP archive; empty otherwise.
    std::string missingVolume() const;

private:
    struct Volume {
        VolumeFiles* set = nullptr;
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        uint64_t size = 0;
        UniqueFd fd;
    };
    friend struct VolumeCallbacks;
    int32_t add(const std::string& path);

    std::vector<std::unique_ptr<Volume>> volumes_;
    std::string failed_;
    bool numbered_ = false;
    std::vector<char> buffer_;
};

} // namespace sqx
