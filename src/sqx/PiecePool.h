#pragma once
// The worker threads of one SqxAddFiles call: each takes the next piece of entry data off a
// queue and deflates it (and, for an encrypted entry of one piece, encrypts it), with a
// compressor of its own. The calling thread hands pieces out in archive order and takes them
// back in the same order. No callback and no file access happens on a worker.

#include "WinZipAes.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sqx {

struct Piece {
    // Set by the calling thread before it hands the piece out.
    // Not zeroed: the pages of a piece that only ever holds small files are never touched.
    std::unique_ptr<uint8_t[]> input;
    size_t inputSize = 0;
    bool deflate = false;
    bool last = false;   // the entry's last piece: its stream ends here
    bool sealed = false; // the entry's only piece, encrypted here: salt in front, code behind
    WinZipAes::Salt salt{};
    bool failing = false; // the fault seam: this piece fails
    bool damage = false;  // the fault seam: its compressed bytes are damaged before the check
    // Set by the worker.
    std::vector<uint8_t> output;
    size_t outputSize = 0;
    uint32_t crc = 0; // of the input
    int32_t result = 0;
    bool done = false; // guarded by the pool's lock
};

class PiecePool {
public:
    // `password` outlives the pool.
    PiecePool(unsigned threads, int level, const std::string& password);
    ~PiecePool();
    PiecePool(const PiecePool&) = delete;
    PiecePool& operator=(const PiecePool&) = delete;

    void submit(Piece* piece);
    void wait(Piece* piece);
    bool done(Piece* piece);

    // SQX_THREADS when set to 1..64, else the hardware threads (at most 8).
    static unsigned threadsFromEnvironment();
    // Room a piece's output needs for `size` bytes of input.
    static size_t outputRoom(size_t size);

private:
    void work(int level);
    void process(Piece& piece, class PieceDeflater& deflater);
    void stop();

    const std::string& password_;
    std::mutex lock_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<Piece*> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace sqx
