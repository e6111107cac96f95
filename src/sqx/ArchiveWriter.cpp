#include "ArchiveWriter.h"

#include "ArchiveReader.h"
#include "Incompressible.h"
#include "Leftovers.h"
#include "MediaSizes.h"
#include "Names.h"
#include "ReadBack.h"
#include "SourceScan.h"
#include "UniqueFd.h"
#include "VolumeSink.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace sqx {

namespace {

// Large enough that the worker's call overhead is nothing, small enough that a few in flight
// per thread keep memory low; pieces do not depend on the thread count, so neither does the
// archive.
constexpr size_t kPieceBytes = 1 << 20;
// Pieces handed out per worker thread, beyond the two the calling thread works on, and the
// most in all: about 2 MiB each (input and output), whatever the size of the files. Four keep
// the workers fed through runs of small files, where the calling thread's opening and reading
// weighs most.
constexpr size_t kPiecesPerThread = 4;
constexpr size_t kMostPieces = 34;
// libdeflate at level 6 (its search made a little shallower) stays within 0.3 per cent of
// zip -6 in size, where level 5 leaves mail two per cent larger, at less than half its time.
constexpr int kLevel = 6;
constexpr uint64_t kProgressBytes = 1 << 20;
constexpr uint64_t kReadAheadBytes = 4 << 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// A file this large may pass 4 GiB once stored (Deflate and AES add a little): ZIP64 sizes.
constexpr uint64_t kZip64From = 0xFFFFFFFFull - (64 << 20);

std::string boundedText(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

// Reads until `size` bytes or the end of the file; the bytes read, or -errno.
int64_t readFull(int fd, uint8_t* data, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -errno;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(got);
}

} // namespace

uint64_t volumeSliceBytes(const SqxOptions& options) {
    if (options.multipleVolumes == 0) return 0;
    return mediaVolumeBytes(options.volumeSize);
}

ArchiveWriter::ArchiveWriter(std::string target, const std::vector<std::string>& specifications,
                             const SqxOptions& options, CallbackChannel& callback,
                             AddReport& report)
    : target_(std::move(target)), specifications_(specifications), options_(options),
      callback_(callback), report_(report), faults_(Faults::fromEnvironment()),
      password_(boundedText(options.password, sizeof options.password)) {}

ArchiveWriter::~ArchiveWriter() {
    pool_.reset(); // the threads end before the pieces they work on go
    OPENSSL_cleanse(password_.data(), password_.size());
}

int32_t ArchiveWriter::failure(int32_t fallback) const {
    if (callback_.stopped()) return SQX_E_ABORTED;
    if (sink_ != nullptr && sink_->result() != SQX_OK) return sink_->result();
    return fallback;
}

int32_t ArchiveWriter::run() {
    VolumeSink sink(target_, volumeSliceBytes(options_), callback_, faults_);
    sink_ = &sink;
    removeLeftovers(sink.folder());
    int32_t result = sink.open();
    if (result == SQX_OK) result = writeArchive();
    pool_.reset(); // no thread outlives the writing, whatever its result
    pending_.clear();
    free_.clear();
    pieces_.clear(); // the check after writing needs memory of its own
    if (result == SQX_OK && failOnLeftOut_) result = SQX_E_LEFT_OUT;
    if (result == SQX_OK) result = sink.finish();
    if (result == SQX_OK) result = check(sink);
    if (result == SQX_OK) result = sink.commit();
    if (result != SQX_OK) {
        sink.fail(result); // from here on nothing reaches the disk, and no callback is made
        sink.discard();
    }
    sink_ = nullptr;
    return result;
}

int32_t ArchiveWriter::writeArchive() {
    const unsigned threads = PiecePool::threadsFromEnvironment();
    const size_t count = std::min<size_t>(threads * kPiecesPerThread + 2, kMostPieces);
    for (size_t i = 0; i < count; ++i) {
        pieces_.push_back(std::make_unique<Piece>());
        pieces_.back()->input = std::make_unique_for_overwrite<uint8_t[]>(kPieceBytes);
        free_.push_back(pieces_.back().get());
    }
    pool_ = std::make_unique<PiecePool>(threads, kLevel, password_);
    for (size_t i = 0; i < specifications_.size(); ++i)
        if (const int32_t r = writeEntry(static_cast<int32_t>(i + 1), specifications_[i]);
            r != SQX_OK)
            return r;
    if (const int32_t r = drain(); r != SQX_OK) return r;
    return writeDirectory();
}

int32_t ArchiveWriter::check(VolumeSink& sink) {
    if (corruptAt_ != 0) sink.corruptByte(corruptAt_);
    // An independent reader must find every entry in the headers; it runs beside the
    // comparison of the bytes, without callbacks (the calling thread keeps making those).
    uint64_t entries = 0;
    int32_t headers = SQX_E_INTERNAL;
    CallbackChannel silent(nullptr, 0);
    auto readHeaders = [&] {
        try {
            headers = ArchiveReader::verify(sink.temporaryFiles(), password_, silent, entries);
        } catch (...) {
            headers = SQX_E_NO_MEMORY;
        }
    };
    std::thread reader;
    try {
        reader = std::thread(readHeaders);
    } catch (const std::system_error&) {
        // No thread to spare: one after the other.
    }
    int64_t failed = ReadBack::kDirectory;
    const int32_t bytes = readBack_.verify(sink.temporaryFiles(), callback_, failed);
    if (reader.joinable())
        reader.join();
    else
        readHeaders();
    if (bytes != SQX_OK) {
        if (bytes == SQX_E_BAD_DATA && failed >= 0 && static_cast<size_t>(failed) < written_.size())
            ArchiveReader::lastFailedEntry().set(written_[static_cast<size_t>(failed)].name);
        return bytes;
    }
    switch (headers) {
    case SQX_OK:
        return entries == entriesWritten_ ? SQX_OK : SQX_E_BAD_DATA;
    case SQX_E_ABORTED:
    case SQX_E_NO_MEMORY:
    case SQX_E_ACCESS:
    case SQX_E_IO:
        return headers;
    default: // whatever else does not read back as written is damage
        return SQX_E_BAD_DATA;
    }
}

int32_t ArchiveWriter::writeEntry(int32_t index, const std::string& specification) {
    // A volume prompt asks for the disk that receives an entry's bytes before the next entry
    // is announced, as when writing was not overlapped: split archives go to slow media, where
    // writing in step costs little.
    if (volumeSliceBytes(options_) != 0)
        if (const int32_t r = drain(); r != SQX_OK) return r;
    std::string root;
    const auto answer = callback_.nextFile(index, specification, root);
    if (!answer) return SQX_E_ABORTED;
    const SourceScan scan = scanSpecification(specification, toUtf8(*answer), root, faults_);
    for (const std::string& link : scan.leftOut) {
        report_.leftOut.push_back(link);
        const int32_t reply = callback_.leftOut(link);
        if (reply == SQX_ANSWER_STOP) return SQX_E_ABORTED;
        if (reply == SQX_ANSWER_REPLACE) failOnLeftOut_ = true;
    }
    if (scan.result != SQX_OK) {
        report_.failedSource = scan.failedPath;
        return scan.result;
    }
    if (scan.items.empty()) return SQX_OK;
    entryTotal_ = scan.totalBytes;
    entryDone_ = 0;
    reportedAt_ = 0;
    reportedTime_ = std::chrono::steady_clock::now();
    for (const auto& item : scan.items)
        if (const int32_t r = readItem(item); r != SQX_OK) return r;
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

WinZipAes::Salt ArchiveWriter::nextSalt() {
    WinZipAes::Salt salt{};
    const uint64_t number = saltsDrawn_++;
    if (faults_.fixedSalt.empty()) {
        if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) == 1) return salt;
        throw std::runtime_error("no random bytes");
    }
    const std::string text = faults_.fixedSalt + ":" + std::to_string(number);
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1 ||
        length < salt.size())
        throw std::runtime_error("no digest");
    std::memcpy(salt.data(), digest, salt.size());
    return salt;
}

int32_t ArchiveWriter::sourceFailed(int error) {
    report_.failedSource = source_;
    return resultFromErrno(error);
}

int32_t ArchiveWriter::readItem(const SourceItem& item) {
    OpenEntry entry;
    entry.zip.modified = item.modified;
    UniqueFd fd;
    uint64_t size = 0;
    bool deflate = false;
    if (item.folder) {
        entry.zip.name = item.storedName + "/";
        entry.zip.folder = true;
        entry.zip.mode = S_IFDIR | (item.mode & 0777);
    } else {
        source_ = item.hostPath;
        if (faults_.failsRead(item.hostPath)) return sourceFailed(faults_.readErrno);
        fd = UniqueFd(::open(item.hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!fd.valid()) return errno == ENOENT ? SQX_OK : sourceFailed(errno); // gone since
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) return sourceFailed(errno);
        if (!S_ISREG(st.st_mode)) return SQX_OK;
        size = static_cast<uint64_t>(st.st_size);
        if (size > kPieceBytes) posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        entry.zip.name = item.storedName;
        entry.zip.modified = st.st_mtime;
        entry.zip.mode = S_IFREG | (st.st_mode & 0777);
        // An empty file has no data to encrypt: it is stored as it is.
        entry.zip.aes = !password_.empty() && size > 0;
        deflate = size > 0 && !looksIncompressible(fd.get(), size);
        entry.zip.method = deflate ? 8 : 0;
        entry.zip.descriptor = size > kPieceBytes;
        entry.zip.zip64Local = size >= kZip64From;
        if (entry.zip.aes) entry.salt = nextSalt();
        entry.corrupt = size > 0 && !faults_.corruptMatch.empty() && corruptAt_ == 0 &&
                        item.storedName.find(faults_.corruptMatch) != std::string::npos;
    }
    open_.push_back(std::move(entry));
    OpenEntry& queued = open_.back();
    if (item.folder) {
        Piece* piece = nullptr;
        if (const int32_t r = takePiece(piece); r != SQX_OK) return r;
        piece->inputSize = 0;
        piece->deflate = false;
        piece->last = true;
        return hand(piece, queued);
    }
    const bool failsHalfWay =
        faults_.dataErrno != 0 && item.hostPath.find(faults_.dataMatch) != std::string::npos;
    return readData(fd.get(), size, queued, deflate, failsHalfWay);
}

int32_t ArchiveWriter::readData(int fd, uint64_t size, OpenEntry& entry, bool deflate,
                                bool failsHalfWay) {
    uint64_t left = size;
    do {
        Piece* piece = nullptr;
        if (const int32_t r = takePiece(piece); r != SQX_OK) return r;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, kPieceBytes));
        const int64_t got = failsHalfWay && left < size ? -faults_.dataErrno
                                                        : readFull(fd, piece->input.get(), want);
        if (got < 0) {
            free_.push_back(piece);
            return sourceFailed(static_cast<int>(-got));
        }
        if (static_cast<size_t>(got) < want) {
            free_.push_back(piece);
            report_.failedSource = source_;
            return SQX_E_SOURCE_CHANGED; // it shrank
        }
        left -= want;
        // The disk reads the next pieces while this one is compressed.
        if (left > 0)
            posix_fadvise(fd, static_cast<off_t>(size - left), static_cast<off_t>(kReadAheadBytes),
                          POSIX_FADV_WILLNEED);
        if (left == 0) {
            // One byte more than its size: it grew.
            uint8_t extra = 0;
            const int64_t more = readFull(fd, &extra, 1);
            if (more != 0) {
                free_.push_back(piece);
                report_.failedSource = source_;
                return more < 0 ? resultFromErrno(static_cast<int>(-more)) : SQX_E_SOURCE_CHANGED;
            }
        }
        piece->inputSize = want;
        piece->deflate = deflate;
        piece->last = left == 0;
        if (const int32_t r = hand(piece, entry); r != SQX_OK) return r;
        entryDone_ += want;
        if (!reportProgress(false)) return SQX_E_ABORTED;
    } while (left > 0);
    return SQX_OK;
}

int32_t ArchiveWriter::takePiece(Piece*& piece) {
    bool wrote = true;
    while (wrote && !pending_.empty()) // what is finished goes out first, keeping memory low
        if (const int32_t r = writeOldest(false, wrote); r != SQX_OK) return r;
    if (free_.empty())
        if (const int32_t r = writeOldest(true, wrote); r != SQX_OK) return r;
    piece = free_.back();
    free_.pop_back();
    return SQX_OK;
}

int32_t ArchiveWriter::hand(Piece* piece, OpenEntry& entry) {
    piece->sealed = entry.zip.aes && !entry.zip.descriptor;
    piece->salt = entry.salt;
    piece->failing = false;
    piece->damage = false;
    if (!faults_.compressMatch.empty() && !compressFaultUsed_ &&
        entry.zip.name.find(faults_.compressMatch) != std::string::npos) {
        piece->failing = true;
        compressFaultUsed_ = true;
    }
    if (!faults_.damageMatch.empty() && !damageFaultUsed_ && piece->deflate &&
        entry.zip.name.find(faults_.damageMatch) != std::string::npos) {
        piece->damage = true;
        damageFaultUsed_ = true;
    }
    pending_.push_back({piece, &entry});
    pool_->submit(piece);
    return SQX_OK;
}

int32_t ArchiveWriter::writeOldest(bool wait, bool& wrote) {
    wrote = false;
    if (pending_.empty()) return SQX_OK;
    const Pending next = pending_.front();
    if (wait)
        pool_->wait(next.piece);
    else if (!pool_->done(next.piece))
        return SQX_OK;
    pending_.pop_front();
    free_.push_back(next.piece);
    wrote = true;
    if (next.piece->result == SQX_E_BAD_DATA)
        ArchiveReader::lastFailedEntry().set(next.entry->zip.name);
    if (next.piece->result != SQX_OK) return next.piece->result;
    return writePiece(*next.piece, *next.entry);
}

bool ArchiveWriter::put(const void* data, size_t size) {
    readBack_.add(data, size, partOf_);
    return sink_->write(data, size);
}

int32_t ArchiveWriter::writePiece(Piece& piece, OpenEntry& entry) {
    ZipEntry& zip = entry.zip;
    partOf_ = static_cast<int64_t>(written_.size());
    if (!entry.started) {
        entry.started = true;
        zip.offset = sink_->position();
        if (!zip.descriptor) { // one piece: everything is known before the header
            zip.crc = piece.crc;
            zip.size = piece.inputSize;
            zip.packedSize = piece.outputSize;
        }
        record_.clear();
        appendLocalHeader(record_, zip);
        if (!put(record_.data(), record_.size())) return failure(SQX_E_IO);
        if (zip.aes && zip.descriptor) {
            entry.aes = std::make_unique<WinZipAes>();
            uint8_t header[WinZipAes::kSaltBytes + WinZipAes::kVerifierBytes];
            if (!entry.aes->start(password_, entry.salt, header)) return SQX_E_INTERNAL;
            if (!put(header, sizeof header)) return failure(SQX_E_IO);
            zip.packedSize = sizeof header;
        }
    }
    const uint64_t dataStart = sink_->position();
    if (entry.aes && !entry.aes->encrypt(piece.output.data(), piece.outputSize))
        return SQX_E_INTERNAL;
    if (!put(piece.output.data(), piece.outputSize)) return failure(SQX_E_IO);
    if (entry.corrupt && corruptAt_ == 0 && piece.outputSize > 0)
        corruptAt_ = dataStart + piece.outputSize / 2;
    if (zip.descriptor) {
        zip.crc = zip.size == 0 ? piece.crc
                                : static_cast<uint32_t>(crc32_combine(
                                      zip.crc, piece.crc, static_cast<z_off_t>(piece.inputSize)));
        zip.size += piece.inputSize;
        zip.packedSize += piece.outputSize;
    }
    if (!piece.last) return SQX_OK;
    record_.clear();
    if (entry.aes) {
        uint8_t mac[WinZipAes::kMacBytes];
        if (!entry.aes->finish(mac)) return SQX_E_INTERNAL;
        record_.insert(record_.end(), mac, mac + sizeof mac);
        zip.packedSize += sizeof mac;
    }
    if (zip.descriptor) appendDataDescriptor(record_, zip);
    if (!record_.empty() && !put(record_.data(), record_.size())) return failure(SQX_E_IO);
    written_.push_back(std::move(zip));
    ++entriesWritten_;
    open_.pop_front();
    return SQX_OK;
}

int32_t ArchiveWriter::drain() {
    bool wrote = true;
    while (!pending_.empty())
        if (const int32_t r = writeOldest(true, wrote); r != SQX_OK) return r;
    return SQX_OK;
}

int32_t ArchiveWriter::writeDirectory() {
    partOf_ = ReadBack::kDirectory;
    const uint64_t start = sink_->position();
    for (const ZipEntry& e : written_) {
        record_.clear();
        appendCentralHeader(record_, e);
        if (!put(record_.data(), record_.size())) return failure(SQX_E_IO);
    }
    const uint64_t size = sink_->position() - start;
    record_.clear();
    appendEnd(record_, written_.size(), start, size);
    if (!put(record_.data(), record_.size())) return failure(SQX_E_IO);
    return SQX_OK;
}

} // namespace sqx
