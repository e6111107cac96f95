#pragma once
// PBKDF2-HMAC-SHA1, the key derivation of WinZip AES: every encrypted entry has a salt of its
// own, so an archive of thousands of small files derives thousands of keys of 1000 rounds.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sqx {

// Writes `size` bytes of key to `out`; false when libcrypto fails. The HMAC's inner and outer
// states are computed once and each round is one compression for each, the output blocks'
// chains side by side so that the processor overlaps them: about a quarter of the time of
// libcrypto's general routine (bench/bench_pbkdf2).
bool pbkdf2Sha1(const std::string& password, const uint8_t* salt, size_t saltSize, unsigned rounds,
                uint8_t* out, size_t size);

} // namespace sqx
