#include "ReadBack.h"

#include "Faults.h"
#include "UniqueFd.h"
#include "sqx.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

namespace sqx {

namespace {
constexpr size_t kChunkBytes = 1 << 20;
constexpr auto kKeepAlive = std::chrono::milliseconds(100);
} // namespace

void ReadBack::add(const void* data, size_t size, int64_t entry) {
    if (size == 0) return;
    if (parts_.empty() || parts_.back().entry != entry) parts_.push_back({this->size(), 0, entry});
    Part& part = parts_.back();
    part.crc = libdeflate_crc32(part.crc, data, size);
    part.end += size;
}

int32_t ReadBack::verify(const std::vector<std::string>& files, CallbackChannel& callback,
                         int64_t& failedEntry) const {
    failedEntry = kDirectory;
    const auto buffer = std::make_unique<uint8_t[]>(kChunkBytes);
    auto partAt = parts_.begin();
    uint64_t position = 0;
    uint32_t crc = 0;
    auto lastCall = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.valid()) return resultFromErrno(errno);
        posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer.get(), kChunkBytes);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return resultFromErrno(errno);
            if (n == 0) break;
            // A read may cover the ends of several parts.
            for (size_t used = 0; used < static_cast<size_t>(n);) {
                if (partAt == parts_.end()) return SQX_E_BAD_DATA; // longer than written
                const size_t take = static_cast<size_t>(
                    std::min<uint64_t>(partAt->end - position, static_cast<size_t>(n) - used));
                crc = libdeflate_crc32(crc, buffer.get() + used, take);
                used += take;
                position += take;
                if (position == partAt->end) {
                    if (crc != partAt->crc) {
                        failedEntry = partAt->entry;
                        return SQX_E_BAD_DATA;
                    }
                    crc = 0;
                    ++partAt;
                }
            }
            // Only to keep the caller alive: the writer's last report (100) stays true.
            if (const auto now = std::chrono::steady_clock::now(); now - lastCall >= kKeepAlive) {
                lastCall = now;
                if (!callback.progress(100)) return SQX_E_ABORTED;
            }
        }
    }
    if (partAt != parts_.end()) { // shorter than written
        failedEntry = partAt->entry;
        return SQX_E_BAD_DATA;
    }
    return SQX_OK;
}

} // namespace sqx
