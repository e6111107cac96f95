#include "ArchiveWriter.h"

#include "ArchiveReader.h"
#include "Incompressible.h"
#include "Leftovers.h"
#include "Names.h"
#include "SourceScan.h"
#include "UniqueFd.h"
#include "VolumeSink.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace sqx {

namespace {

constexpr size_t kChunkBytes = 1 << 20;
constexpr uint64_t kProgressBytes = 1 << 20;
constexpr uint64_t kReadAheadBytes = 4 << 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

struct ArchiveFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// A failed sink swallows what follows instead of failing the call: libarchive releases an
// entry's compressor only when the entry is finished, so after a failure the writer still
// finishes and closes, into nothing. The writer asks the sink after every call.
la_ssize_t writeToSink(archive*, void* sink, const void* data, size_t size) {
    static_cast<VolumeSink*>(sink)->write(data, size);
    return static_cast<la_ssize_t>(size);
}

// The UTF-8 call is needed for names beyond ASCII; it reports failure when the name has no
// form in the thread's locale even though the UTF-8 form, which the writer uses, is set.
bool setName(archive_entry* entry, const std::string& utf8) {
    return archive_entry_update_pathname_utf8(entry, utf8.c_str()) != 0 ||
           archive_entry_pathname_utf8(entry) != nullptr;
}

std::string boundedText(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

} // namespace

uint64_t volumeSliceBytes(const SqxOptions& options) {
    if (options.multipleVolumes == 0) return 0;
    switch (options.volumeSize) {
    case 9:
        return 100663296;
    case 11:
        return 250640384;
    case 12:
        return 681574400;
    case 13:
        return 737280000;
    default:
        return options.volumeSize >= 65536 ? static_cast<uint64_t>(options.volumeSize) : 0;
    }
}

ArchiveWriter::ArchiveWriter(std::string target, const std::vector<std::string>& specifications,
                             const SqxOptions& options, CallbackChannel& callback)
    : target_(std::move(target)), specifications_(specifications), options_(options),
      callback_(callback), faults_(Faults::fromEnvironment()) {}

int32_t ArchiveWriter::failure(int32_t fallback) const {
    if (callback_.stopped()) return SQX_E_ABORTED;
    if (sink_ != nullptr && sink_->result() != SQX_OK) return sink_->result();
    return fallback;
}

bool ArchiveWriter::succeeded(int archiveResult) const {
    return archiveResult == ARCHIVE_OK && !callback_.stopped() &&
           (sink_ == nullptr || sink_->result() == SQX_OK);
}

int32_t ArchiveWriter::configure(archive* a) {
    if (archive_write_set_format_zip(a) != ARCHIVE_OK ||
        archive_write_set_options(a, "zip:compression=deflate,zip:hdrcharset=UTF-8") !=
            ARCHIVE_OK ||
        archive_write_set_bytes_per_block(a, 0) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(a, 1) != ARCHIVE_OK)
        return SQX_E_INTERNAL;
    const std::string password = boundedText(options_.password, sizeof options_.password);
    if (!password.empty()) {
        // libarchive writes unreadable entries, and says so only per entry, when encryption is
        // on without a passphrase: both settings are checked here.
        if (archive_write_set_options(a, "zip:encryption=aes256") != ARCHIVE_OK ||
            archive_write_set_passphrase(a, password.c_str()) != ARCHIVE_OK)
            return SQX_E_INTERNAL;
    }
    if (archive_write_open2(a, sink_, nullptr, writeToSink, nullptr, nullptr) != ARCHIVE_OK)
        return failure(SQX_E_IO);
    return SQX_OK;
}

int32_t ArchiveWriter::run() {
    VolumeSink sink(target_, volumeSliceBytes(options_), callback_, faults_);
    sink_ = &sink;
    removeLeftovers(sink.folder());
    if (const int32_t r = sink.open(); r != SQX_OK) return r;
    std::unique_ptr<archive, ArchiveFree> a(archive_write_new());
    if (!a) return SQX_E_NO_MEMORY;
    buffer_.resize(kChunkBytes);
    int32_t result = configure(a.get());
    for (size_t i = 0; result == SQX_OK && i < specifications_.size(); ++i)
        result = writeEntry(a.get(), static_cast<int32_t>(i + 1), specifications_[i]);
    if (result == SQX_OK && !succeeded(archive_write_close(a.get()))) result = failure(SQX_E_IO);
    if (result == SQX_OK) result = sink.finish();
    if (result == SQX_OK) result = check(sink);
    if (result == SQX_OK) result = sink.commit();
    if (result != SQX_OK) {
        sink.fail(result); // from here on nothing reaches the disk, and no callback is made
        archive_write_finish_entry(a.get());
        archive_write_close(a.get());
        sink.discard();
    }
    a.reset();
    sink_ = nullptr;
    return result;
}

int32_t ArchiveWriter::check(VolumeSink& sink) {
    if (corruptAt_ != 0) sink.corruptByte(corruptAt_);
    uint64_t entries = 0;
    const int32_t r = ArchiveReader::verify(
        sink.temporaryFiles(), boundedText(options_.password, sizeof options_.password), callback_,
        entries);
    switch (r) {
    case SQX_OK:
        return entries == entriesWritten_ ? SQX_OK : SQX_E_BAD_DATA;
    case SQX_E_ABORTED:
    case SQX_E_NO_MEMORY:
    case SQX_E_ACCESS:
    case SQX_E_IO:
        return r;
    default: // whatever else does not read back as written is damage
        return SQX_E_BAD_DATA;
    }
}

int32_t ArchiveWriter::writeEntry(archive* a, int32_t index, const std::string& specification) {
    const auto answer = callback_.nextFile(index, specification);
    if (!answer) return SQX_E_ABORTED;
    const SourceScan scan = scanSpecification(specification, toUtf8(*answer));
    if (scan.result != SQX_OK) return scan.result;
    if (scan.items.empty()) return SQX_OK;
    entryTotal_ = scan.totalBytes;
    entryDone_ = 0;
    reportedAt_ = 0;
    reportedTime_ = std::chrono::steady_clock::now();
    for (const auto& item : scan.items)
        if (const int32_t r = writeItem(a, item); r != SQX_OK) return r;
    return reportProgress(true) ? SQX_OK : SQX_E_ABORTED;
}

bool ArchiveWriter::reportProgress(bool entryDone) {
    const auto now = std::chrono::steady_clock::now();
    if (!entryDone && entryDone_ - reportedAt_ < kProgressBytes &&
        now - reportedTime_ < kProgressInterval)
        return true;
    reportedAt_ = entryDone_;
    reportedTime_ = now;
    int32_t percent = 100;
    if (!entryDone && entryTotal_ > 0)
        percent = static_cast<int32_t>(std::min<uint64_t>(100, entryDone_ * 100 / entryTotal_));
    return callback_.progress(percent);
}

int32_t ArchiveWriter::writeItem(archive* a, const SourceItem& item) {
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    if (!entry) return SQX_E_NO_MEMORY;
    UniqueFd fd;
    uint64_t size = 0;
    int64_t modified = item.modified;
    mode_t mode = item.mode;
    if (item.folder) {
        archive_entry_set_filetype(entry.get(), AE_IFDIR);
        if (!setName(entry.get(), item.storedName + "/")) return SQX_E_INTERNAL;
    } else {
        if (faults_.failsRead(item.hostPath)) return resultFromErrno(faults_.readErrno);
        fd = UniqueFd(::open(item.hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!fd.valid()) return errno == ENOENT ? SQX_OK : resultFromErrno(errno); // gone since
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) return resultFromErrno(errno);
        if (!S_ISREG(st.st_mode)) return SQX_OK;
        posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        size = static_cast<uint64_t>(st.st_size);
        modified = st.st_mtime;
        mode = st.st_mode;
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        const int method = looksIncompressible(fd.get(), size)
                               ? archive_write_zip_set_compression_store(a)
                               : archive_write_zip_set_compression_deflate(a);
        if (method != ARCHIVE_OK) return SQX_E_INTERNAL;
        if (!setName(entry.get(), item.storedName)) return SQX_E_INTERNAL;
    }
    archive_entry_set_perm(entry.get(), mode & 0777);
    archive_entry_set_mtime(entry.get(), static_cast<time_t>(modified), 0);
    // Always a known size: an encrypted entry of unknown size and no data comes out unreadable.
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
    if (!succeeded(archive_write_header(a, entry.get()))) return failure(SQX_E_IO);
    const uint64_t dataStart = sink_->position();
    if (!item.folder)
        if (const int32_t r = copyData(a, fd.get(), size); r != SQX_OK) return r;
    if (!succeeded(archive_write_finish_entry(a))) return failure(SQX_E_IO);
    ++entriesWritten_;
    if (size > 0 && corruptAt_ == 0 && !faults_.corruptMatch.empty() &&
        item.storedName.find(faults_.corruptMatch) != std::string::npos)
        corruptAt_ = dataStart + (sink_->position() - dataStart) / 2;
    return SQX_OK;
}

int32_t ArchiveWriter::copyData(archive* a, int fd, uint64_t size) {
    uint64_t left = size;
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
        size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(fd, buffer_.data() + got, want - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return resultFromErrno(errno);
            if (n == 0) return SQX_E_SOURCE_CHANGED; // it shrank
            got += static_cast<size_t>(n);
        }
        // The disk reads the next chunks while this one is compressed.
        const uint64_t next = size - left + want;
        if (next < size)
            posix_fadvise(fd, static_cast<off_t>(next), static_cast<off_t>(kReadAheadBytes),
                          POSIX_FADV_WILLNEED);
        if (archive_write_data(a, buffer_.data(), want) != static_cast<la_ssize_t>(want) ||
            !succeeded(ARCHIVE_OK))
            return failure(SQX_E_IO);
        left -= want;
        entryDone_ += want;
        if (!reportProgress(false)) return SQX_E_ABORTED;
    }
    // One byte more than its size: it grew.
    char extra = 0;
    ssize_t n = 0;
    do
        n = ::read(fd, &extra, 1);
    while (n < 0 && errno == EINTR);
    if (n < 0) return resultFromErrno(errno);
    return n == 0 ? SQX_OK : SQX_E_SOURCE_CHANGED;
}

} // namespace sqx
