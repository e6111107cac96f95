#include "VolumeSink.h"

#include "DriveKind.h"
#include "Files.h"
#include "Leftovers.h"
#include "Names.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace sqx {

namespace {
// The disk starts writing every this many bytes while the archive is still being made, so that
// the sync at the end waits for the last few only.
constexpr uint64_t kWriteBehindBytes = 8 << 20;
} // namespace

namespace {

constexpr size_t kBufferBytes = 1 << 20;

} // namespace

VolumeSink::VolumeSink(std::string target, uint64_t sliceBytes, CallbackChannel& callback,
                       Faults faults)
    : target_(std::move(target)), slice_(sliceBytes), callback_(callback),
      faults_(std::move(faults)) {
    const std::string_view parent = parentPart(target_);
    folder_ =
        target_.find('/') == std::string::npos ? "." : (parent.empty() ? "/" : std::string(parent));
}

VolumeSink::~VolumeSink() {
    discard();
}

bool VolumeSink::fail(int32_t code) {
    if (result_ == SQX_OK) result_ = code;
    return false;
}

std::string VolumeSink::volumeName(const std::string& base, size_t number) const {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%03zu", number);
    return base + suffix;
}

bool VolumeSink::openTemp(const std::string& path) {
    if (faults_.openErrno != 0) return fail(resultFromErrno(faults_.openErrno));
    // Backups hold account settings: only their owner reads them, whatever the umask says.
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    openErrno_ = fd.valid() ? 0 : errno;
    if (!fd.valid()) return fail(resultFromErrno(openErrno_));
    temps_.push_back(path);
    if (::fchmod(fd.get(), 0600) != 0) return fail(resultFromErrno(errno));
    if (!lock_.valid()) {
        // A descriptor of its own, so that the lock outlives the first volume's writing.
        lock_ = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!lock_.valid() || ::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0)
            return fail(resultFromErrno(errno));
    }
    fd_ = std::move(fd);
    volumeBytes_ = 0;
    writeBehind_ = 0;
    return true;
}

int32_t VolumeSink::open() {
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return fail(SQX_E_BAD_ARGUMENT), result_;
    buffer_.resize(kBufferBytes);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // The volumes of a set are numbered from the first, so that the set reads as one
        // under its temporary name too.
        base_ = temporaryName(target_);
        if (openTemp(slice_ != 0 ? volumeName(base_, 1) : base_)) return SQX_OK;
        if (openErrno_ != EEXIST) return result_;
        result_ = SQX_OK;
    }
    return fail(SQX_E_IO), result_;
}

bool VolumeSink::startNextVolume() {
    if (!syncVolume()) return false;
    const size_t disk = temps_.size() + 1;
    const int32_t needed = static_cast<int32_t>(std::min<uint64_t>(slice_, INT32_MAX));
    if (!callback_.nextVolume(static_cast<int32_t>(disk), needed,
                              folder_ == "/" ? "/" : folder_ + "/", driveKindOf(folder_)))
        return fail(SQX_E_ABORTED);
    return openTemp(volumeName(base_, disk));
}

bool VolumeSink::writeRaw(const char* data, size_t size) {
    while (size > 0) {
        if (slice_ != 0 && volumeBytes_ >= slice_ && !startNextVolume()) return false;
        size_t chunk = size;
        if (slice_ != 0)
            chunk = static_cast<size_t>(std::min<uint64_t>(chunk, slice_ - volumeBytes_));
        bool injected = false;
        if (faults_.writeErrno != 0 && total_ + chunk > faults_.writeAfter) {
            chunk = static_cast<size_t>(faults_.writeAfter - std::min(total_, faults_.writeAfter));
            injected = true;
        }
        size_t done = 0;
        while (done < chunk) {
            const ssize_t n = ::write(fd_.get(), data + done, chunk - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail(resultFromErrno(errno));
            if (n == 0) return fail(SQX_E_DISK_FULL);
            done += static_cast<size_t>(n);
        }
        if (injected) return fail(resultFromErrno(faults_.writeErrno));
        volumeBytes_ += chunk;
        total_ += chunk;
        if (volumeBytes_ - writeBehind_ >= kWriteBehindBytes) {
            // Only a start: the result is the sync's at the end.
            sync_file_range(fd_.get(), static_cast<off_t>(writeBehind_),
                            static_cast<off_t>(volumeBytes_ - writeBehind_), SYNC_FILE_RANGE_WRITE);
            writeBehind_ = volumeBytes_;
        }
        data += chunk;
        size -= chunk;
    }
    return true;
}

bool VolumeSink::flushBuffer() {
    const size_t n = std::exchange(used_, 0);
    return writeRaw(buffer_.data(), n);
}

bool VolumeSink::write(const void* data, size_t size) {
    if (result_ != SQX_OK || !fd_.valid()) return false;
    const char* bytes = static_cast<const char*>(data);
    if (used_ + size > buffer_.size()) {
        if (!flushBuffer()) return false;
        if (size >= buffer_.size()) return writeRaw(bytes, size);
    }
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
    return true;
}

int32_t VolumeSink::finish() {
    if (result_ != SQX_OK || !fd_.valid()) return result_ != SQX_OK ? result_ : SQX_E_IO;
    if (!flushBuffer()) return result_;
    return syncVolume() ? SQX_OK : result_;
}

bool VolumeSink::syncVolume() {
    if (::fsync(fd_.get()) != 0 && errno != EINVAL) return fail(resultFromErrno(errno));
    // Out of the page cache once it is on the medium: the check after writing then reads
    // what the disk holds, not what the writer meant to put there.
    posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_DONTNEED);
    if (const int error = fd_.closeChecked(); error != 0) return fail(resultFromErrno(error));
    return true;
}

void VolumeSink::corruptByte(uint64_t offset) {
    if (temps_.empty()) return;
    const size_t volume =
        slice_ == 0 ? 0 : std::min<size_t>(temps_.size() - 1, static_cast<size_t>(offset / slice_));
    const off_t at = static_cast<off_t>(slice_ == 0 ? offset : offset - volume * slice_);
    UniqueFd fd(::open(temps_[volume].c_str(), O_RDWR | O_CLOEXEC));
    unsigned char byte = 0;
    if (fd.valid() && ::pread(fd.get(), &byte, 1, at) == 1) {
        byte ^= 0x5A;
        (void)!::pwrite(fd.get(), &byte, 1, at);
    }
}

int32_t VolumeSink::commit() {
    if (result_ != SQX_OK || fd_.valid() || temps_.empty())
        return result_ != SQX_OK ? result_ : SQX_E_IO;
    UniqueFd dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) return fail(resultFromErrno(errno)), result_;
    bool committed = false;
    const int32_t r = replaceArchive(dir.get(), std::string(lastComponent(target_)),
                                     std::string(lastComponent(base_)), temps_.size(), slice_ != 0,
                                     faults_, committed);
    if (committed) temps_.clear(); // the archive now, or finished by the next run's sweep
    lock_.reset();
    if (r != SQX_OK) return fail(r), result_;
    return SQX_OK;
}

void VolumeSink::discard() {
    fd_.reset();
    for (const auto& temp : temps_)
        ::unlink(temp.c_str());
    temps_.clear();
    lock_.reset(); // only now: a removed file needs no lock
}

} // namespace sqx
