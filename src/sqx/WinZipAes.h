#pragma once
// WinZip AES-256 (AE-2) for one entry: keys from the password and the entry's salt
// (PBKDF2-HMAC-SHA1, 1000 rounds), AES-256 in the counter mode of that format (a little-endian
// counter from 1) and HMAC-SHA1 over the encrypted bytes, of which the first 10 are kept.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sqx {

class WinZipAes {
public:
    static constexpr size_t kSaltBytes = 16;
    static constexpr size_t kVerifierBytes = 2;
    static constexpr size_t kMacBytes = 10;
    // Salt and verifier before the data, code after it.
    static constexpr size_t kOverhead = kSaltBytes + kVerifierBytes + kMacBytes;
    using Salt = std::array<uint8_t, kSaltBytes>;

    WinZipAes();
    ~WinZipAes();
    WinZipAes(const WinZipAes&) = delete;
    WinZipAes& operator=(const WinZipAes&) = delete;

    // Derives the keys; false when libcrypto refuses. `header` receives salt and verifier.
    bool start(const std::string& password, const Salt& salt,
               uint8_t (&header)[kSaltBytes + kVerifierBytes]);
    // Encrypts in place, continuing the key stream of the previous call.
    bool encrypt(uint8_t* data, size_t size);
    bool finish(uint8_t (&mac)[kMacBytes]);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace sqx
