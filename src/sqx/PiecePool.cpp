#include "PiecePool.h"

#include "PieceDeflater.h"
#include "sqx.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sqx {

PiecePool::PiecePool(unsigned threads, int level, const std::string& password)
    : password_(password) {
    try {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this, level] { work(level); });
    } catch (...) {
        stop(); // the threads that did start end before the error goes on
        throw;
    }
}

PiecePool::~PiecePool() {
    stop();
}

void PiecePool::stop() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
        queue_.clear();
    }
    queued_.notify_all();
    for (auto& t : threads_)
        if (t.joinable()) t.join();
}

unsigned PiecePool::threadsFromEnvironment() {
    if (const char* text = std::getenv("SQX_THREADS")) {
        const long n = std::strtol(text, nullptr, 10);
        if (n >= 1 && n <= 64) return static_cast<unsigned>(n);
    }
    // Beyond eight, more threads gain little on one disk and each costs memory.
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : std::min(hardware, 8u);
}

size_t PiecePool::outputRoom(size_t size) {
    return PieceDeflater::bound(size) + WinZipAes::kOverhead;
}

void PiecePool::submit(Piece* piece) {
    {
        const std::lock_guard guard(lock_);
        piece->done = false;
        queue_.push_back(piece);
    }
    queued_.notify_one();
}

void PiecePool::wait(Piece* piece) {
    std::unique_lock guard(lock_);
    finished_.wait(guard, [&] { return piece->done; });
}

bool PiecePool::done(Piece* piece) {
    const std::lock_guard guard(lock_);
    return piece->done;
}

void PiecePool::work(int level) {
    std::unique_ptr<PieceDeflater> deflater;
    try {
        deflater = std::make_unique<PieceDeflater>(level);
    } catch (const std::bad_alloc&) {
        // Without a compressor this thread fails every piece it takes.
    }
    for (;;) {
        Piece* piece = nullptr;
        {
            std::unique_lock guard(lock_);
            queued_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            piece = queue_.front();
            queue_.pop_front();
        }
        try {
            if (!deflater) throw std::bad_alloc();
            process(*piece, *deflater);
        } catch (...) { // nothing may escape a thread; the calling thread reports it
            piece->result = SQX_E_NO_MEMORY;
        }
        {
            const std::lock_guard guard(lock_);
            piece->done = true;
        }
        finished_.notify_all();
    }
}

void PiecePool::process(Piece& piece, PieceDeflater& deflater) {
    piece.result = SQX_OK;
    if (piece.failing) {
        piece.result = SQX_E_INTERNAL;
        return;
    }
    piece.crc = static_cast<uint32_t>(libdeflate_crc32(0, piece.input.get(), piece.inputSize));
    const size_t room = outputRoom(piece.inputSize);
    if (piece.output.size() < room) piece.output.resize(room);
    const size_t front = piece.sealed ? WinZipAes::kSaltBytes + WinZipAes::kVerifierBytes : 0;
    uint8_t* data = piece.output.data() + front;
    size_t length = piece.inputSize;
    if (piece.deflate) {
        bool damaged = false;
        length = deflater.compress(piece.input.get(), piece.inputSize, piece.last, data,
                                   room - front - WinZipAes::kMacBytes, damaged, piece.damage);
        if (length == 0) {
            piece.result = damaged ? SQX_E_BAD_DATA : SQX_E_INTERNAL;
            return;
        }
    } else if (piece.inputSize > 0) {
        std::memcpy(data, piece.input.get(), piece.inputSize);
    }
    piece.outputSize = front + length;
    if (!piece.sealed) return;
    WinZipAes aes;
    uint8_t header[WinZipAes::kSaltBytes + WinZipAes::kVerifierBytes];
    uint8_t mac[WinZipAes::kMacBytes];
    if (!aes.start(password_, piece.salt, header) || !aes.encrypt(data, length) ||
        !aes.finish(mac)) {
        piece.result = SQX_E_INTERNAL;
        return;
    }
    std::memcpy(piece.output.data(), header, sizeof header);
    std::memcpy(piece.output.data() + piece.outputSize, mac, sizeof mac);
    piece.outputSize += sizeof mac;
}

} // namespace sqx
