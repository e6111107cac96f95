#include "PieceDeflater.h"

#include <libdeflate.h>
#include <zlib.h>

#include <new>

namespace sqx {

namespace {
// An empty stored block after the last block: 3 header bits, padding to the byte, 0000 FFFF.
constexpr size_t kMarkerBytes = 5;
} // namespace

struct PieceDeflater::Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, -15) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};

PieceDeflater::PieceDeflater(int level)
    : compressor_(libdeflate_alloc_compressor(level)), inflater_(std::make_unique<Inflater>()) {
    if (compressor_ == nullptr || !inflater_->ready) {
        if (compressor_ != nullptr) libdeflate_free_compressor(compressor_);
        throw std::bad_alloc();
    }
}

PieceDeflater::~PieceDeflater() {
    libdeflate_free_compressor(compressor_);
}

size_t PieceDeflater::bound(size_t size) {
    return libdeflate_deflate_compress_bound(nullptr, size) + kMarkerBytes + 1;
}

size_t PieceDeflater::compress(const uint8_t* in, size_t size, bool last, uint8_t* out,
                               size_t room) {
    const size_t length = libdeflate_deflate_compress(compressor_, in, size, out, room);
    if (length == 0 || last) return length;
    return openEnd(out, length, room, size);
}

size_t PieceDeflater::openEnd(uint8_t* stream, size_t length, size_t room, size_t decodedSize) {
    // Decoding with Z_BLOCK stops at every block boundary; there the number of bits left
    // unused in the last byte read tells where the next block's header, and its final bit,
    // begin. The first block starts at bit 0.
    if (scratch_.size() < decodedSize + 1) scratch_.resize(decodedSize + 1);
    z_stream& z = inflater_->stream;
    if (inflateReset(&z) != Z_OK) return 0;
    z.next_in = stream;
    z.avail_in = static_cast<uInt>(length);
    z.next_out = scratch_.data();
    z.avail_out = static_cast<uInt>(scratch_.size());
    size_t finalByte = 0;
    unsigned finalMask = 1;
    int endUnused = -1; // bits left unused in the stream's last byte
    for (;;) {
        const int r = inflate(&z, Z_BLOCK);
        if (r == Z_STREAM_END) break;
        if (r != Z_OK) return 0;
        if ((z.data_type & 128) == 0) continue;
        const unsigned unused = static_cast<unsigned>(z.data_type) & 63;
        if (unused >= 8) return 0;
        if ((z.data_type & 64) != 0) { // the boundary after the final block: the end
            endUnused = static_cast<int>(unused);
            continue;
        }
        const size_t used = length - z.avail_in;
        if (unused != 0) {
            finalByte = used - 1;
            finalMask = 0x100u >> unused;
        } else {
            finalByte = used;
            finalMask = 1;
        }
    }
    if (endUnused < 0 || z.avail_in != 0 || z.total_out != decodedSize || finalByte >= length ||
        (stream[finalByte] & finalMask) == 0)
        return 0;
    const unsigned unused = static_cast<unsigned>(endUnused);
    stream[finalByte] &= static_cast<uint8_t>(~finalMask);
    // The stored block's header goes into the unused bits of the last byte when it fits.
    if (unused != 0) stream[length - 1] &= static_cast<uint8_t>((1u << (8 - unused)) - 1);
    if (unused < 3) {
        if (length + 1 > room) return 0;
        stream[length++] = 0;
    }
    if (length + 4 > room) return 0;
    stream[length++] = 0x00;
    stream[length++] = 0x00;
    stream[length++] = 0xFF;
    stream[length++] = 0xFF;
    return length;
}

} // namespace sqx
