#include "PieceDeflater.h"

#include <libdeflate.h>

#include <cstring>
#include <new>

namespace sqx {

namespace {
// The empty stored block that ends an open piece: header, padding, LEN, NLEN.
constexpr size_t kSyncBytes = 6;
// A final stored block of no bytes, put behind an open piece for its check only.
constexpr uint8_t kFinalEmpty[] = {0x01, 0x00, 0x00, 0xFF, 0xFF};
} // namespace

PieceDeflater::PieceDeflater(int level)
    : compressor_(libdeflate_alloc_compressor(level)),
      decompressor_(libdeflate_alloc_decompressor()) {
    if (compressor_ == nullptr || decompressor_ == nullptr) {
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
    return libdeflate_deflate_compress_bound(nullptr, size) + kSyncBytes + sizeof kFinalEmpty;
}

size_t PieceDeflater::compress(const uint8_t* in, size_t size, bool last, uint8_t* out, size_t room,
                               bool& damaged, bool damage) {
    damaged = false;
    if (room < sizeof kFinalEmpty) return 0;
    room -= sizeof kFinalEmpty; // kept free for the check
    const size_t length =
        last ? libdeflate_deflate_compress(compressor_, in, size, out, room)
             : libdeflate_deflate_compress_unfinished(compressor_, in, size, out, room);
    if (length == 0) return 0;
    if (damage) out[length / 2] ^= 0x5A;
    if (!decodes(out, length, last, in, size)) {
        damaged = true;
        return 0;
    }
    return length;
}

bool PieceDeflater::decodes(uint8_t* stream, size_t length, bool last, const uint8_t* original,
                            size_t size) {
    size_t streamLength = length;
    if (!last) {
        std::memcpy(stream + length, kFinalEmpty, sizeof kFinalEmpty);
        streamLength += sizeof kFinalEmpty;
    }
    // One byte more than the input: a stream that gives more is caught, not cut short.
    if (scratch_.size() < size + 1) scratch_.resize(size + 1);
    size_t used = 0;
    size_t decoded = 0;
    const libdeflate_result r = libdeflate_deflate_decompress_ex(
        decompressor_, stream, streamLength, scratch_.data(), size + 1, &used, &decoded);
    return r == LIBDEFLATE_SUCCESS && used == streamLength && decoded == size &&
           (size == 0 || std::memcmp(scratch_.data(), original, size) == 0);
}

} // namespace sqx
