#pragma once
// Where the archive's bytes go: a temporary file beside the target (mode 0600, locked while
// this sink lives, see Leftovers.h), cut into volumes when a volume size is set, renamed into
// place only by commit(). Anything not committed is removed.

#include "CallbackChannel.h"
#include "Faults.h"
#include "UniqueFd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sqx {

class VolumeSink {
public:
    // sliceBytes 0 writes one file.
    VolumeSink(std::string target, uint64_t sliceBytes, CallbackChannel& callback, Faults faults);
    ~VolumeSink();
    VolumeSink(const VolumeSink&) = delete;
    VolumeSink& operator=(const VolumeSink&) = delete;

    int32_t open();
    // False once anything failed (or the callback stopped at a volume prompt); see result().
    bool write(const void* data, size_t size);
    // Flushes, syncs and closes: the temporary files are complete and can be read back.
    int32_t finish();
    // Puts the finished files in place of the target (see replaceArchive): the archive is in
    // place when this returns SQX_OK.
    int32_t commit();
    // Flips one byte of the finished files, at `offset` bytes into the archive (the fault seam
    // for the check after writing).
    void corruptByte(uint64_t offset);
    // Removes every temporary file.
    void discard();

    int32_t result() const { return result_; }
    // Records a failure found elsewhere; the first one counts.
    bool fail(int32_t code);
    int volumeCount() const { return static_cast<int>(temps_.size()); }
    // The temporary files, first volume first.
    const std::vector<std::string>& temporaryFiles() const { return temps_; }
    // Bytes taken so far, buffered ones included: where the next byte goes in the archive.
    uint64_t position() const { return total_ + used_; }
    // The folder the archive is written in.
    const std::string& folder() const { return folder_; }

private:
    bool flushBuffer();
    bool writeRaw(const char* data, size_t size);
    bool openTemp(const std::string& path);
    bool startNextVolume();
    // Syncs and closes the volume being written.
    bool syncVolume();
    std::string volumeName(const std::string& base, size_t number) const;

    std::string target_;
    std::string folder_;
    uint64_t slice_;
    CallbackChannel& callback_;
    Faults faults_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    std::string base_; // the temporary name; volumes add ".001", ...
    std::vector<std::string> temps_;
    UniqueFd fd_;
    UniqueFd lock_; // the first volume, locked until it is renamed or removed
    uint64_t volumeBytes_ = 0;
    uint64_t writeBehind_ = 0; // bytes of this volume the disk was told to write

    uint64_t total_ = 0;
    int32_t result_ = 0;
    int openErrno_ = 0;
};

} // namespace sqx
