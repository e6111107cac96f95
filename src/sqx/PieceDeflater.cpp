#include "PieceDeflater.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
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
    : compressor_(libdeflate_alloc_compressor(level)),
      decompressor_(libdeflate_alloc_decompressor()), inflater_(std::make_unique<Inflater>()) {
    if (compressor_ == nullptr || decompressor_ == nullptr || !inflater_->ready) {
        if (compressor_ != nullptr) libdeflate_free_compressor(compressor_);
        if (decompressor_ != nullptr) libdeflate_free_decompressor(decompressor_);
        throw std::bad_alloc();
    }
}

PieceDeflater::~PieceDeflater() {
    libdeflate_free_compressor(compressor_);
    libdeflate_free_decompressor(decompressor_);
}

size_t PieceDeflater::bound(size_t size) {
    return libdeflate_deflate_compress_bound(nullptr, size) + kMarkerBytes + 1;
}

size_t PieceDeflater::compress(const uint8_t* in, size_t size, bool last, uint8_t* out, size_t room,
                               bool& damaged, bool damage) {
    damaged = false;
    const size_t length = libdeflate_deflate_compress(compressor_, in, size, out, room);
    if (length == 0) return 0;
    if (damage) out[length / 2] ^= 0x5A;
    const size_t result =
        last ? (decodes(out, length, in, size) ? length : 0) : openEnd(out, length, room, in, size);
    damaged = result == 0;
    return result;
}

bool PieceDeflater::decodes(const uint8_t* stream, size_t length, const uint8_t* original,
                            size_t size) {
    // One byte more than the input: a stream that gives more is caught, not cut short.
    if (scratch_.size() < size + 1) scratch_.resize(size + 1);
    size_t used = 0;
    size_t decoded = 0;
    const libdeflate_result r = libdeflate_deflate_decompress_ex(
        decompressor_, stream, length, scratch_.data(), size + 1, &used, &decoded);
    return r == LIBDEFLATE_SUCCESS && used == length && decoded == size &&
           (size == 0 || std::memcmp(scratch_.data(), original, size) == 0);
}

size_t PieceDeflater::openEnd(uint8_t* stream, size_t length, size_t room, const uint8_t* original,
                              size_t size) {
    // Decoding with Z_BLOCK stops before every block's header; the bits left unused in the
    // last byte read tell where its final bit is. That bit is cleared before the decoder reads
    // it (in the decoder's bit buffer too, when the byte is already taken), and once the last
    // block ends the empty stored block is added and decoded as well: the stream is checked
    // exactly as it is written.
    if (scratch_.size() < size + 1) scratch_.resize(size + 1);
    z_stream& z = inflater_->stream;
    if (inflateReset(&z) != Z_OK) return 0;
    z.next_in = stream;
    z.avail_in = static_cast<uInt>(length);
    z.next_out = scratch_.data();
    z.avail_out = static_cast<uInt>(scratch_.size());
    bool cleared = false;
    bool marked = false;
    for (;;) {
        const int r = inflate(&z, Z_BLOCK);
        if (r != Z_OK) return 0; // the end of a final block, bad data or no room
        if ((z.data_type & 128) == 0) continue;
        const unsigned unused = static_cast<unsigned>(z.data_type) & 63;
        if (unused >= 8) return 0;
        const size_t used = static_cast<size_t>(z.next_in - stream);
        if (z.avail_in == 0) {
            if (marked) break; // after the stored block: the piece is complete
            if (!cleared) return 0;
            // The stored block's header (three zero bits) fits in the last byte's unused bits
            // when there are three; they are zero already, as Deflate pads.
            if (unused != 0 && (stream[length - 1] >> (8 - unused)) != 0) return 0;
            const size_t header = unused < 3 ? 1 : 0;
            if (length + header + 4 > room) return 0;
            uint8_t* marker = stream + length;
            if (header != 0) *marker++ = 0x00;
            marker[0] = 0x00;
            marker[1] = 0x00;
            marker[2] = 0xFF;
            marker[3] = 0xFF;
            z.next_in = stream + length;
            z.avail_in = static_cast<uInt>(header + 4);
            length += header + 4;
            marked = true;
            continue;
        }
        if (cleared || marked) return 0; // a block after the final one
        if (unused == 0) {
            if ((stream[used] & 1) != 0) {
                stream[used] &= 0xFE;
                cleared = true;
            }
            continue;
        }
        const unsigned shift = 8 - unused;
        if (((stream[used - 1] >> shift) & 1) == 0) continue;
        stream[used - 1] &= static_cast<uint8_t>(~(1u << shift));
        if (inflatePrime(&z, -1, 0) != Z_OK ||
            inflatePrime(&z, static_cast<int>(unused), stream[used - 1] >> shift) != Z_OK)
            return 0;
        cleared = true;
    }
    if (z.total_out != size || (size != 0 && std::memcmp(scratch_.data(), original, size) != 0))
        return 0;
    return length;
}

} // namespace sqx
