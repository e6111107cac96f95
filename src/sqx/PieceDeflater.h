#pragma once
// Deflate for the pieces of an entry, on one worker thread. libdeflate compresses whole buffers
// only, and ends each with a final block; a piece that is not the entry's last has that bit
// cleared and an empty stored block added (what a sync flush writes), so that the pieces, put
// one after the other, are one valid stream. Each piece starts without the previous one as
// dictionary: at 1 MiB per piece that costs well under one per cent of size.
// Every piece is decoded again before it leaves the worker, as it is written, so what is
// written is known to give back the input.

#include <cstddef>
#include <cstdint>
#include <memory>
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

    // The most bytes compress() writes for `size` bytes of input.
    static size_t bound(size_t size);
    // Compresses into `out` (room for bound(size)) and returns the bytes written, or 0 on
    // failure: `damaged` tells a result that did not decode to the input from one that did
    // not fit. `damage` (the fault seam) flips a byte of the result before it is decoded.
    size_t compress(const uint8_t* in, size_t size, bool last, uint8_t* out, size_t room,
                    bool& damaged, bool damage = false);

private:
    // Finds the last block of a finished stream by decoding it, clears its final bit and adds
    // the empty stored block, checking that the result decodes to `original`. Returns the new
    // length, or 0 when it does not.
    size_t openEnd(uint8_t* stream, size_t length, size_t room, const uint8_t* original,
                   size_t size);
    // True when the complete `stream` decodes to exactly `original`.
    bool decodes(const uint8_t* stream, size_t length, const uint8_t* original, size_t size);

    libdeflate_compressor* compressor_ = nullptr;
    libdeflate_decompressor* decompressor_ = nullptr;
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::vector<uint8_t> scratch_;
};

} // namespace sqx
