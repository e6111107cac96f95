#include "ArchiveReader.h"

#include "Faults.h"
#include "Files.h"
#include "Leftovers.h"
#include "Lists.h"
#include "Names.h"
#include "SafeFolder.h"
#include "UniqueFd.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace sqx {

namespace {

constexpr size_t kChunkBytes = 1 << 20;

const char* askPassphrase(archive*, void* reader) {
    return static_cast<ArchiveReader*>(reader)->passphraseWanted();
}

bool endsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// libarchive does not take an archive without entries: only the end record, 22 bytes (and a
// comment of at most 65535).
bool isEmptyZip(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    unsigned char head[22];
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || st.st_size < 22 || st.st_size > 22 + 65535 ||
        ::read(fd.get(), head, sizeof head) != sizeof head)
        return false;
    static constexpr unsigned char kEnd[] = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0};
    const unsigned commentLength = head[20] | head[21] << 8;
    return std::memcmp(head, kEnd, sizeof kEnd) == 0 && st.st_size == 22 + commentLength;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A switch from an older archive to a new set that a crash interrupted leaves the name on a mix
// of both: it is finished first, as the next write into the folder would finish it. A set
// that replaced one file (or the other way round) may then be under the other form of the name.
std::string settledName(const std::string& path) {
    const std::string_view folder = parentPart(path);
    std::string target(lastComponent(path));
    if (endsWith(target, ".001")) target.resize(target.size() - 4);
    finishInterruptedSwitch(folder.empty() ? std::string(".") : std::string(folder), target);
    if (exists(path)) return path;
    const std::string other =
        endsWith(path, ".001") ? path.substr(0, path.size() - 4) : path + ".001";
    return exists(other) ? other : path;
}

} // namespace

ArchiveReader::ArchiveReader(std::string archivePath, const std::vector<std::string>* masks,
                             const SqxOptions* options, CallbackChannel& callback)
    : path_(std::move(archivePath)), masks_(masks), callback_(callback) {
    if (options != nullptr) {
        password_.assign(options->password, strnlen(options->password, sizeof options->password));
        outputFolder_.assign(options->tempFolder,
                             strnlen(options->tempFolder, sizeof options->tempFolder));
    }
}

ArchiveReader::~ArchiveReader() {
    if (archive_ != nullptr) archive_read_free(archive_);
}

const char* ArchiveReader::passphraseWanted() {
    // One question per call, and none when the options brought a password.
    if (asked_ || !password_.empty()) return nullptr;
    asked_ = true;
    const auto answer = callback_.password();
    if (!answer || answer->empty()) return nullptr;
    askedPassword_ = *answer;
    return askedPassword_.c_str();
}

int32_t ArchiveReader::open() {
    if (files_.count() == 0) {
        path_ = settledName(path_);
        if (const int32_t r = files_.find(path_); r != SQX_OK) {
            // The named file itself keeps the answer callers know for a folder or a device.
            if (files_.failed() == path_) return r == SQX_E_NOT_A_FILE ? SQX_E_BAD_ARGUMENT : r;
            lastFailedEntry().set(files_.failed());
            return r;
        }
    }
    archive_ = archive_read_new();
    if (archive_ == nullptr) return SQX_E_NO_MEMORY;
    // Only the form with a central directory: a cut-off archive is an error, not a shorter list.
    if (archive_read_support_format_zip_seekable(archive_) != ARCHIVE_OK ||
        archive_read_set_passphrase_callback(archive_, this, askPassphrase) != ARCHIVE_OK)
        return SQX_E_INTERNAL;
    if (!password_.empty() &&
        archive_read_add_passphrase(archive_, password_.c_str()) != ARCHIVE_OK)
        return SQX_E_INTERNAL;
    if (files_.open(archive_) != ARCHIVE_OK) {
        if (files_.count() == 1 && isEmptyZip(path_)) {
            empty_ = true;
            return SQX_OK;
        }
        const int error = archive_errno(archive_);
        if (error == EACCES || error == EPERM || error == EIO) return resultFromErrno(error);
        if (const std::string missing = files_.missingVolume(); !missing.empty()) {
            lastFailedEntry().set(missing);
            return SQX_E_MISSING_VOLUME;
        }
        return SQX_E_BAD_ARCHIVE;
    }
    buffer_.resize(kChunkBytes);
    return SQX_OK;
}

bool ArchiveReader::selected(const std::string& name) const {
    if (masks_ == nullptr || masks_->empty()) return true;
    const std::string plain = normaliseStoredName(name);
    for (const auto& mask : *masks_) {
        const std::string m = normaliseStoredName(toUtf8(mask));
        if (maskMatches(m, plain)) return true;
        if (plain.size() > m.size() && plain[m.size()] == '/' &&
            maskMatches(m, plain.substr(0, m.size())))
            return true;
    }
    return false;
}

int32_t ArchiveReader::dataFailure() const {
    if (callback_.stopped()) return SQX_E_ABORTED;
    const char* text = archive_error_string(archive_);
    const std::string message = text != nullptr ? text : "";
    if (message.find("ncorrect passphrase") != std::string::npos) return SQX_E_BAD_PASSWORD;
    if (message.find("assphrase") != std::string::npos)
        return password_.empty() && askedPassword_.empty() ? SQX_E_PASSWORD_NEEDED
                                                           : SQX_E_BAD_PASSWORD;
    const int error = archive_errno(archive_);
    if (error == ENOMEM) return SQX_E_NO_MEMORY;
    if (error == EIO || error == EACCES) return resultFromErrno(error);
    return SQX_E_BAD_DATA;
}

int32_t ArchiveReader::readData(int outFd, archive_entry* entry) {
    const bool sizeKnown = archive_entry_size_is_set(entry) != 0;
    const uint64_t expected =
        sizeKnown ? static_cast<uint64_t>(std::max<la_int64_t>(0, archive_entry_size(entry))) : 0;
    uint64_t done = 0;
    uint64_t reportedAt = 0;
    auto reportedTime = std::chrono::steady_clock::now();
    for (;;) {
        const la_ssize_t n = archive_read_data(archive_, buffer_.data(), buffer_.size());
        if (n < 0) return dataFailure();
        if (n == 0) break;
        // More data than the headers say: damaged, or made to fill the disk.
        if (sizeKnown && done + static_cast<uint64_t>(n) > expected) return SQX_E_BAD_DATA;
        if (outFd >= 0)
            if (const int32_t r = writeAll(outFd, buffer_.data(), static_cast<size_t>(n));
                r != SQX_OK)
                return r;
        done += static_cast<uint64_t>(n);
        const auto now = std::chrono::steady_clock::now();
        if (done - reportedAt >= (1u << 20) ||
            now - reportedTime >= std::chrono::milliseconds(100)) {
            reportedAt = done;
            reportedTime = now;
            const uint64_t percent =
                expected > 0 ? std::min<uint64_t>(100, done * 100 / expected) : 100;
            if (!callback_.progress(static_cast<int32_t>(percent))) return SQX_E_ABORTED;
        }
    }
    return callback_.progress(100) ? SQX_OK : SQX_E_ABORTED;
}

int32_t ArchiveReader::keepAlive() {
    // Only to keep the caller alive: the writer's last report (100) stays true.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastKeepAlive_ < std::chrono::milliseconds(100)) return SQX_OK;
    lastKeepAlive_ = now;
    return callback_.progress(100) ? SQX_OK : SQX_E_ABORTED;
}

bool ArchiveReader::refused(archive_entry* entry, const std::string& name) {
    const auto type = archive_entry_filetype(entry);
    bool unsafe = type != AE_IFDIR && type != AE_IFREG; // links, devices
    // A name that starts at a root or a drive, or climbs with "..", is not made to fit inside.
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':'))
        unsafe = true;
    size_t start = 0;
    while (!unsafe && start <= name.size()) {
        const size_t end = name.find_first_of("/\\", start);
        const size_t stop = end == std::string::npos ? name.size() : end;
        if (name.compare(start, stop - start, "..") == 0) unsafe = true;
        start = stop + 1;
    }
    // A link (or a file) already in the folder where the entry's folders go: writing through
    // it would land outside.
    if (!unsafe) {
        const std::string relative = normaliseStoredName(name);
        UniqueFd folder;
        const bool isFolder = type == AE_IFDIR;
        const int32_t r =
            openBelow(rootFd_.get(), isFolder ? relative : parentPart(relative), false, folder);
        unsafe = r == SQX_E_REFUSED_ENTRY;
    }
    if (unsafe) ++refused_;
    return unsafe;
}

int32_t ArchiveReader::extractEntry(archive_entry* entry, const std::string& name) {
    const std::string relative = normaliseStoredName(name);
    if (relative.empty()) return SQX_OK;
    const std::string proposed = joinName(outputFolder_, relative);
    std::string destination = proposed;
    if (!callback_.destination(destination)) return SQX_E_ABORTED;
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFDIR && type != AE_IFREG) return SQX_OK; // links and devices are not made
    // Below the folder every component is opened without following links; a destination the
    // callback chose elsewhere is the caller's own place, made as it is named.
    const bool inside = destination == proposed;
    UniqueFd folder;
    std::string leaf;
    if (inside) {
        const std::string_view path = type == AE_IFDIR ? relative : parentPart(relative);
        if (const int32_t r = openBelow(rootFd_.get(), path, true, folder); r != SQX_OK) return r;
        if (type == AE_IFDIR) return SQX_OK;
        leaf = std::string(lastComponent(relative));
    } else {
        if (type == AE_IFDIR) return makeFolders(destination);
        std::string parent(parentPart(destination));
        // One character, not a string literal: GCC 12 at -O3 takes the literal's copy for an
        // overlapping one (-Wrestrict).
        if (parent.empty()) parent.assign(1, destination.front() == '/' ? '/' : '.');
        if (const int32_t r = makeFolders(parent); r != SQX_OK) return r;
        folder = UniqueFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.valid()) return resultFromErrno(errno);
        leaf = std::string(lastComponent(destination));
    }
    struct stat st {};
    if (::fstatat(folder.get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        const int32_t answer = callback_.overwrite(destination);
        if (answer == SQX_ANSWER_STOP) return SQX_E_ABORTED;
        if (answer != SQX_ANSWER_REPLACE) return SQX_OK;
    }
    // Written beside the destination and renamed: a damaged entry leaves nothing behind. The
    // temporary name is short, so that a name as long as the file system allows fits. Private,
    // as the archive was: its files hold account settings.
    const std::string temp = ".sqxpart-" + randomSuffix();
    UniqueFd fd(::openat(folder.get(), temp.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid()) return resultFromErrno(errno);
    int32_t r = readData(fd.get(), entry);
    if (r == SQX_OK) {
        const timespec times[2] = {{archive_entry_mtime(entry), 0},
                                   {archive_entry_mtime(entry), 0}};
        ::futimens(fd.get(), times);
        if (const int error = fd.closeChecked(); error != 0) r = resultFromErrno(error);
    }
    // The rename replaces a link at the destination itself, never what it points to.
    if (r == SQX_OK && ::renameat(folder.get(), temp.c_str(), folder.get(), leaf.c_str()) != 0)
        r = resultFromErrno(errno);
    if (r != SQX_OK) ::unlinkat(folder.get(), temp.c_str(), 0);
    return r;
}

int32_t ArchiveReader::run(Mode mode, ArcListData* out) {
    if (mode == Mode::Extract && outputFolder_.empty()) return SQX_E_BAD_ARGUMENT;
    if (const int32_t r = open(); r != SQX_OK) return r;
    if (mode == Mode::Extract) {
        // The folder itself is the caller's choice, a link to it included.
        if (const int32_t r = makeFolders(outputFolder_); r != SQX_OK) return r;
        rootFd_ = UniqueFd(::open(outputFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!rootFd_.valid()) return resultFromErrno(errno);
    }
    int32_t index = 0;
    while (!empty_) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(archive_, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) return callback_.stopped() ? SQX_E_ABORTED : SQX_E_BAD_ARCHIVE;
        const char* utf8 = archive_entry_pathname_utf8(entry);
        const char* raw = archive_entry_pathname(entry);
        const std::string name = toUtf8(utf8 != nullptr ? utf8 : (raw != nullptr ? raw : ""));
        if (!selected(name)) continue;
        ++index;
        const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        if (mode == Mode::List) {
            out->add(name, archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1,
                     archive_entry_mtime(entry), folder, archive_entry_is_encrypted(entry) != 0);
            continue;
        }
        ++entries_;
        if (mode != Mode::Verify && !callback_.announce(index, name)) return SQX_E_ABORTED;
        int32_t result = SQX_OK;
        if (mode == Mode::Verify) {
            // The writer compared the data itself; here only the headers are read.
            if (const int32_t k = keepAlive(); k != SQX_OK) return k;
        } else if (mode == Mode::Test && !folder) {
            result = readData(-1, entry);
        } else if (mode == Mode::Extract && !refused(entry, name)) {
            result = extractEntry(entry, name);
        }
        if (result != SQX_OK) {
            if (result != SQX_E_ABORTED) lastFailedEntry().set(name);
            return result;
        }
    }
    return refused_ > 0 ? SQX_E_REFUSED_ENTRY : SQX_OK;
}

ArchiveReader::FailedEntryName& ArchiveReader::lastFailedEntry() {
    thread_local FailedEntryName name;
    return name;
}

void ArchiveReader::FailedEntryName::set(const std::string& name) {
    size = std::min(name.size(), kRoom);
    std::memcpy(text, name.data(), size);
}

int32_t ArchiveReader::verify(const std::vector<std::string>& volumes, const std::string& password,
                              CallbackChannel& callback, uint64_t& entries) {
    ArchiveReader reader(volumes.front(), nullptr, nullptr, callback);
    if (const int32_t r = reader.files_.use(volumes); r != SQX_OK) return r;
    reader.password_ = password;
    reader.asked_ = true; // writing never asks for a password
    reader.lastKeepAlive_ = std::chrono::steady_clock::now();
    const int32_t r = reader.run(Mode::Verify, nullptr);
    entries = reader.entries_;
    return r;
}

int32_t ArchiveReader::list(ArcListData& out) {
    out.clear();
    const int32_t r = run(Mode::List, &out);
    if (r != SQX_OK) out.clear();
    return r;
}

int32_t ArchiveReader::test() {
    return run(Mode::Test, nullptr);
}

int32_t ArchiveReader::extract() {
    return run(Mode::Extract, nullptr);
}

} // namespace sqx
