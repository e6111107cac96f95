#include "WinZipAes.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/sha.h>

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

void bigEndianState(const SHA_CTX& c, uint8_t* out) {
    const SHA_LONG h[] = {c.h0, c.h1, c.h2, c.h3, c.h4};
    for (size_t i = 0; i < 5; ++i)
        for (size_t b = 0; b < 4; ++b)
            out[4 * i + b] = static_cast<uint8_t>(h[i] >> (24 - 8 * b));
}

// PBKDF2-HMAC-SHA1. The HMAC's inner and outer states are computed once, and each round is
// then one compression for each; the output blocks' chains go round by round side by side, so
// that the processor overlaps their compressions. About a quarter of the time of libcrypto's
// general routine, which counts with thousands of small files, each with its own salt.
bool pbkdf2Sha1(const std::string& password, const uint8_t* salt, size_t saltSize, unsigned rounds,
                uint8_t* out, size_t size) {
// The block function is the fast path here; libcrypto 3 keeps it, marked as deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    constexpr size_t kChains = 4; // side by side; 66 bytes of keys need four
    uint8_t key[SHA_CBLOCK] = {};
    if (password.size() > sizeof key)
        SHA1(reinterpret_cast<const uint8_t*>(password.data()), password.size(), key);
    else
        std::memcpy(key, password.data(), password.size());
    uint8_t pad[SHA_CBLOCK];
    SHA_CTX inner, outer;
    for (size_t i = 0; i < sizeof pad; ++i)
        pad[i] = key[i] ^ 0x36;
    bool ok = SHA1_Init(&inner) == 1 && SHA1_Update(&inner, pad, sizeof pad) == 1;
    for (size_t i = 0; i < sizeof pad; ++i)
        pad[i] = key[i] ^ 0x5c;
    ok = ok && SHA1_Init(&outer) == 1 && SHA1_Update(&outer, pad, sizeof pad) == 1;
    // A round hashes one 20-byte digest after the 64-byte key block: one block with padding.
    uint8_t block[kChains][SHA_CBLOCK] = {};
    constexpr unsigned kBits = (SHA_CBLOCK + SHA_DIGEST_LENGTH) * 8;
    for (auto& b : block) {
        b[SHA_DIGEST_LENGTH] = 0x80;
        b[SHA_CBLOCK - 2] = static_cast<uint8_t>(kBits >> 8);
        b[SHA_CBLOCK - 1] = static_cast<uint8_t>(kBits & 0xFF);
    }
    uint8_t sum[kChains][SHA_DIGEST_LENGTH];
    SHA_CTX c[kChains];
    for (uint32_t first = 1; ok && size > 0; first += kChains) {
        const size_t chains = std::min(kChains, (size + SHA_DIGEST_LENGTH - 1) / SHA_DIGEST_LENGTH);
        for (size_t k = 0; ok && k < chains; ++k) { // round 1: salt and block number
            const uint32_t number = first + static_cast<uint32_t>(k);
            const uint8_t counter[4] = {
                static_cast<uint8_t>(number >> 24), static_cast<uint8_t>(number >> 16),
                static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number)};
            c[k] = inner;
            ok = SHA1_Update(&c[k], salt, saltSize) == 1 && SHA1_Update(&c[k], counter, 4) == 1 &&
                 SHA1_Final(block[k], &c[k]) == 1;
            c[k] = outer;
            ok = ok && SHA1_Update(&c[k], block[k], SHA_DIGEST_LENGTH) == 1 &&
                 SHA1_Final(block[k], &c[k]) == 1;
            std::memcpy(sum[k], block[k], SHA_DIGEST_LENGTH);
        }
        for (unsigned round = 1; ok && round < rounds; ++round) {
            for (size_t k = 0; k < chains; ++k) {
                c[k] = inner;
                SHA1_Transform(&c[k], block[k]);
            }
            for (size_t k = 0; k < chains; ++k) {
                bigEndianState(c[k], block[k]);
                c[k] = outer;
                SHA1_Transform(&c[k], block[k]);
            }
            for (size_t k = 0; k < chains; ++k) {
                bigEndianState(c[k], block[k]);
                for (size_t i = 0; i < SHA_DIGEST_LENGTH; ++i)
                    sum[k][i] ^= block[k][i];
            }
        }
        for (size_t k = 0; k < chains; ++k) {
            const size_t n = std::min<size_t>(size, SHA_DIGEST_LENGTH);
            std::memcpy(out, sum[k], n);
            out += n;
            size -= n;
        }
    }
    OPENSSL_cleanse(key, sizeof key);
    OPENSSL_cleanse(pad, sizeof pad);
    OPENSSL_cleanse(block, sizeof block);
    OPENSSL_cleanse(sum, sizeof sum);
    OPENSSL_cleanse(c, sizeof c);
    OPENSSL_cleanse(&inner, sizeof inner);
    OPENSSL_cleanse(&outer, sizeof outer);
    return ok;
#pragma GCC diagnostic pop
}

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
