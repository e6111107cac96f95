#pragma once
// Deflate for the pieces of an entry, on one worker thread. A piece that is not the entry's
// last is compressed without a final block and ends with an empty stored block (what a sync
// flush writes), so that the pieces, put one after the other, are one valid stream. Each piece
// starts without the previous one as dictionary: at 1 MiB per piece that costs well under one
// per cent of size. Every piece is decoded again before it leaves the worker, exactly as it is
// written, and must give back its input.

#include <cstddef>
#include <cstdint>
#include <vector>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace sqx {

class PieceDeflater {
public:
    explicit PieceDeflater(int level);
    ~PieceDeflater();
    PieceDeflater(const PieceDeflater&) = delete;
    PieceDeflater& operator=(const PieceDeflater&) = delete;

    // The room compress() needs for `size` bytes of input.
    static size_t bound(size_t size);
    // Compresses into `out` (room for bound(size)) and returns the bytes written, or 0 on
    // failure: `damaged` tells a result that did not decode to the input from one that did
    // not fit. `damage` (the fault seam) flips a byte of the result before it is decoded.
    size_t compress(const uint8_t* in, size_t size, bool last, uint8_t* out, size_t room,
                    bool& damaged, bool damage = false);

private:
    // True when `stream` (with a final empty block put behind it when it is open) decodes to
    // exactly `original`.
    bool decodes(uint8_t* stream, size_t length, bool last, const uint8_t* original, size_t size);

    libdeflate_compressor* compressor_ = nullptr;
    libdeflate_decompressor* decompressor_ = nullptr;
    std::vector<uint8_t> scratch_;
};

} // namespace sqx
