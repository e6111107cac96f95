#include "VolumeFiles.h"

#include "Faults.h"
#include "sqx.h"

#include <archive.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sqx {

namespace {

constexpr size_t kChunkBytes = 1 << 20;
// The end record of a ZIP archive and the longest comment it may carry.
constexpr size_t kEndRecord = 22;
constexpr size_t kLongestTail = kEndRecord + 65535;

std::string numbered(const std::string& base, int number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%03d", number);
    return base + suffix;
}

bool endsWith(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// Opened for reading without waiting for a writer: a regular file, or SQX_E_NOT_A_FILE.
int32_t openRegular(const std::string& path, UniqueFd& fd, struct stat& st) {
    // A device is not opened at all: opening one can have effects of its own.
    if (::stat(path.c_str(), &st) != 0) return resultFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return SQX_E_NOT_A_FILE;
    fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return resultFromErrno(errno);
    if (::fstat(fd.get(), &st) != 0) return resultFromErrno(errno);
    return S_ISREG(st.st_mode) ? SQX_OK : SQX_E_NOT_A_FILE;
}

} // namespace

// libarchive's side: one volume open at a time, the file checked again as it is opened, so
// that a file put in a volume's place after the check is not read.
struct VolumeCallbacks {
    using Volume = VolumeFiles::Volume;

    static int open(archive* a, void* data) {
        auto& v = *static_cast<Volume*>(data);
        struct stat st {};
        const int32_t r = openRegular(v.path, v.fd, st);
        if (r == SQX_OK && (st.st_dev != v.device || st.st_ino != v.inode)) {
            v.fd.reset();
            archive_set_error(a, EINVAL, "%s changed while it was read", v.path.c_str());
            return ARCHIVE_FATAL;
        }
        if (r != SQX_OK) {
            archive_set_error(a, errno != 0 ? errno : EINVAL, "cannot open %s", v.path.c_str());
            return ARCHIVE_FATAL;
        }
        return ARCHIVE_OK;
    }
    static int close(archive*, void* data) {
        static_cast<Volume*>(data)->fd.reset();
        return ARCHIVE_OK;
    }
    static int switchTo(archive* a, void* from, void* to) {
        if (from != nullptr) close(a, from);
        return to != nullptr ? open(a, to) : ARCHIVE_OK;
    }
    static la_ssize_t read(archive* a, void* data, const void** buffer) {
        auto& v = *static_cast<Volume*>(data);
        std::vector<char>& room = v.set->buffer_;
        if (room.empty()) room.resize(kChunkBytes);
        for (;;) {
            const ssize_t n = ::read(v.fd.get(), room.data(), room.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) archive_set_error(a, errno, "cannot read %s", v.path.c_str());
            *buffer = room.data();
            return n;
        }
    }
    // Within the volume only; 0 lets libarchive read on and drop what it does not need.
    static la_int64_t skip(archive*, void* data, la_int64_t request) {
        auto& v = *static_cast<Volume*>(data);
        const off_t at = ::lseek(v.fd.get(), 0, SEEK_CUR);
        if (at < 0 || request <= 0 || static_cast<uint64_t>(at) >= v.size ||
            static_cast<uint64_t>(request) > v.size - static_cast<uint64_t>(at))
            return 0;
        return ::lseek(v.fd.get(), request, SEEK_CUR) < 0 ? 0 : request;
    }
    static la_int64_t seek(archive* a, void* data, la_int64_t offset, int whence) {
        auto& v = *static_cast<Volume*>(data);
        const off_t at = ::lseek(v.fd.get(), offset, whence);
        if (at < 0) {
            archive_set_error(a, errno, "cannot seek in %s", v.path.c_str());
            return ARCHIVE_FATAL;
        }
        return at;
    }
};

int32_t VolumeFiles::add(const std::string& path) {
    auto v = std::make_unique<Volume>();
    v->set = this;
    v->path = path;
    UniqueFd fd;
    struct stat st {};
    if (const int32_t r = openRegular(path, fd, st); r != SQX_OK) {
        failed_ = path;
        return r;
    }
    v->device = st.st_dev;
    v->inode = st.st_ino;
    v->size = static_cast<uint64_t>(st.st_size);
    volumes_.push_back(std::move(v));
    return SQX_OK;
}

int32_t VolumeFiles::find(const std::string& path) {
    volumes_.clear();
    numbered_ = endsWith(path, ".001");
    if (const int32_t r = add(path); r != SQX_OK) return r;
    if (!numbered_) return SQX_OK;
    const std::string base = path.substr(0, path.size() - 4);
    for (int n = 2; n < 100000; ++n) {
        const std::string name = numbered(base, n);
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 && errno == ENOENT) break; // the end of the set
        if (const int32_t r = add(name); r != SQX_OK) return r;
    }
    return SQX_OK;
}

int32_t VolumeFiles::use(const std::vector<std::string>& paths) {
    volumes_.clear();
    numbered_ = paths.size() > 1;
    for (const std::string& path : paths)
        if (const int32_t r = add(path); r != SQX_OK) return r;
    return SQX_OK;
}

int VolumeFiles::open(archive* a) {
    if (volumes_.empty()) return ARCHIVE_FATAL;
    archive_read_set_open_callback(a, &VolumeCallbacks::open);
    archive_read_set_read_callback(a, &VolumeCallbacks::read);
    archive_read_set_seek_callback(a, &VolumeCallbacks::seek);
    archive_read_set_skip_callback(a, &VolumeCallbacks::skip);
    archive_read_set_close_callback(a, &VolumeCallbacks::close);
    archive_read_set_switch_callback(a, &VolumeCallbacks::switchTo);
    archive_read_set_callback_data(a, volumes_.front().get());
    for (size_t k = 1; k < volumes_.size(); ++k)
        if (archive_read_append_callback_data(a, volumes_[k].get()) != ARCHIVE_OK)
            return ARCHIVE_FATAL;
    return archive_read_open1(a);
}

std::string VolumeFiles::missingVolume() const {
    if (!numbered_ || volumes_.empty()) return {};
    // The last bytes of the set, which may begin in an earlier volume.
    std::string tail;
    for (auto it = volumes_.rbegin(); it != volumes_.rend() && tail.size() < kLongestTail; ++it) {
        const Volume& v = **it;
        const size_t want = std::min<uint64_t>(v.size, kLongestTail - tail.size());
        std::string part(want, '\0');
        UniqueFd fd;
        struct stat st {};
        if (openRegular(v.path, fd, st) != SQX_OK ||
            ::pread(fd.get(), part.data(), want, static_cast<off_t>(v.size - want)) !=
                static_cast<ssize_t>(want))
            return {};
        tail.insert(0, part);
    }
    static constexpr char kSignature[] = {'P', 'K', 5, 6};
    for (size_t at = tail.size() >= kEndRecord ? tail.size() - kEndRecord + 1 : 0; at-- > 0;) {
        if (tail.compare(at, 4, kSignature, 4) != 0) continue;
        const auto comment = static_cast<unsigned char>(tail[at + 20]) |
                             static_cast<unsigned char>(tail[at + 21]) << 8;
        if (at + kEndRecord + comment == tail.size()) return {}; // the set ends the archive
    }
    const std::string& first = volumes_.front()->path;
    return numbered(first.substr(0, first.size() - 4), static_cast<int>(volumes_.size()) + 1);
}

} // namespace sqx
