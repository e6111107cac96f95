#pragma once
// The byte size of one volume for the volume-size field of the options: the media codes stand
// for what a formatted medium of that kind holds, so that each volume can be copied onto one;
// a larger number is a byte count itself; anything else writes one file.

#include <cstdint>

namespace sqx {

inline constexpr int32_t kMediaZip100 = 9;
inline constexpr int32_t kMediaZip250 = 11;
inline constexpr int32_t kMediaCd650 = 12;
inline constexpr int32_t kMediaCd700 = 13;

constexpr uint64_t mediaVolumeBytes(int32_t sizeField) {
    switch (sizeField) {
    case kMediaZip100:
        return 100431872; // the FAT data area of a formatted disk (the raw disk is 96 MiB)
    case kMediaZip250:
        return 250331136; // likewise; the raw disk is 250,640,384 bytes
    case kMediaCd650:
        return 681574400; // 650 MiB: a 74-minute disc with room for its file system
    case kMediaCd700:
        return 734003200; // 700 MiB: an 80-minute disc with room for its file system
    default:
        return sizeField >= 65536 ? static_cast<uint64_t>(sizeField) : 0;
    }
}

} // namespace sqx
