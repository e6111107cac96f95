#include "WinZipAes.h"

#include "Pbkdf2.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <cstring>

namespace sqx {

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
struct MacFree {
    void operator()(EVP_MAC* m) const { EVP_MAC_free(m); }
};
struct MacCtxFree {
    void operator()(EVP_MAC_CTX* c) const { EVP_MAC_CTX_free(c); }
};

constexpr size_t kKeyBytes = 32;
constexpr size_t kBlock = 16;
// Counter blocks encrypted per libcrypto call: enough to keep its AES pipeline full.
constexpr size_t kBatchBlocks = 256;

} // namespace

struct WinZipAes::State {
    std::unique_ptr<EVP_CIPHER_CTX, CipherFree> cipher;
    std::unique_ptr<EVP_MAC, MacFree> hmac;
    std::unique_ptr<EVP_MAC_CTX, MacCtxFree> mac;
    uint64_t counter = 0; // blocks used so far; the first block has the number 1
    uint8_t stream[kBatchBlocks * kBlock];
    size_t streamUsed = sizeof stream; // bytes of `stream` already used
    uint8_t counters[kBatchBlocks * kBlock];

    bool refill() {
        std::memset(counters, 0, sizeof counters);
        for (size_t i = 0; i < kBatchBlocks; ++i) {
            const uint64_t n = ++counter;
            for (int b = 0; b < 8; ++b)
                counters[i * kBlock + size_t(b)] = static_cast<uint8_t>(n >> (8 * b));
        }
        int out = 0;
        if (EVP_EncryptUpdate(cipher.get(), stream, &out, counters, sizeof counters) != 1 ||
            out != static_cast<int>(sizeof stream))
            return false;
        streamUsed = 0;
        return true;
    }
};

WinZipAes::WinZipAes() = default;
WinZipAes::~WinZipAes() {
    if (state_) OPENSSL_cleanse(state_->stream, sizeof state_->stream);
}

bool WinZipAes::start(const std::string& password, const Salt& salt,
                      uint8_t (&header)[kSaltBytes + kVerifierBytes]) {
    uint8_t keys[2 * kKeyBytes + kVerifierBytes];
    if (!pbkdf2Sha1(password, salt.data(), salt.size(), 1000, keys, sizeof keys)) return false;
    auto state = std::make_unique<State>();
    state->cipher.reset(EVP_CIPHER_CTX_new());
    state->hmac.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    bool ok = state->cipher && state->hmac;
    if (ok) state->mac.reset(EVP_MAC_CTX_new(state->hmac.get()));
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_END};
    ok = ok && state->mac &&
         EVP_EncryptInit_ex(state->cipher.get(), EVP_aes_256_ecb(), nullptr, keys, nullptr) == 1 &&
         EVP_CIPHER_CTX_set_padding(state->cipher.get(), 0) == 1 &&
         EVP_MAC_init(state->mac.get(), keys + kKeyBytes, kKeyBytes, params) == 1;
    std::memcpy(header, salt.data(), kSaltBytes);
    std::memcpy(header + kSaltBytes, keys + 2 * kKeyBytes, kVerifierBytes);
    OPENSSL_cleanse(keys, sizeof keys);
    if (ok) state_ = std::move(state);
    return ok;
}

bool WinZipAes::encrypt(uint8_t* data, size_t size) {
    if (!state_) return false;
    State& s = *state_;
    for (size_t done = 0; done < size;) {
        if (s.streamUsed == sizeof s.stream && !s.refill()) return false;
        const size_t n = std::min(size - done, sizeof s.stream - s.streamUsed);
        size_t i = 0;
        for (; i + 8 <= n; i += 8) { // a word at a time; memcpy keeps it free of alignment
            uint64_t d, k;
            std::memcpy(&d, data + done + i, 8);
            std::memcpy(&k, s.stream + s.streamUsed + i, 8);
            d ^= k;
            std::memcpy(data + done + i, &d, 8);
        }
        for (; i < n; ++i)
            data[done + i] ^= s.stream[s.streamUsed + i];
        s.streamUsed += n;
        done += n;
    }
    return EVP_MAC_update(s.mac.get(), data, size) == 1;
}

bool WinZipAes::finish(uint8_t (&mac)[kMacBytes]) {
    if (!state_) return false;
    uint8_t full[EVP_MAX_MD_SIZE];
    size_t length = 0;
    if (EVP_MAC_final(state_->mac.get(), full, &length, sizeof full) != 1 || length < kMacBytes)
        return false;
    std::memcpy(mac, full, kMacBytes);
    return true;
}

} // namespace sqx
