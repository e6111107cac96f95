#pragma once
// Deflate for the pieces of an entry, on one worker thread. libdeflate compresses whole buffers
// only, and ends each with a final block; a piece that is not the entry's last has that bit
// cleared and an empty stored block added (what a sync flush writes), so that the pieces, put
// one after the other, are one valid stream. Each piece starts without the previous one as
// dictionary: at 1 MiB per piece that costs well under one per cent of size.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct libdeflate_compressor;

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
    // failure.
    size_t compress(const uint8_t* in, size_t size, bool last, uint8_t* out, size_t room);

private:
    // Finds the last block of a finished stream by decoding it, clears its final bit and adds
    // the empty stored block. Returns the new length, or 0 when the stream does not decode.
    size_t openEnd(uint8_t* stream, size_t length, size_t room, size_t decodedSize);

    libdeflate_compressor* compressor_ = nullptr;
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::vector<uint8_t> scratch_;
};

} // namespace sqx
