#include "Pbkdf2.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>

namespace sqx {

namespace {

// Only the chaining words: the block function reads and writes nothing else of its context.
void setState(SHA_CTX& c, const SHA_CTX& from) {
    c.h0 = from.h0;
    c.h1 = from.h1;
    c.h2 = from.h2;
    c.h3 = from.h3;
    c.h4 = from.h4;
}

// The digest as the next round's message: its five words, big-endian.
void putDigest(const SHA_CTX& c, uint8_t* block) {
    const uint32_t words[] = {__builtin_bswap32(c.h0), __builtin_bswap32(c.h1),
                              __builtin_bswap32(c.h2), __builtin_bswap32(c.h3),
                              __builtin_bswap32(c.h4)};
    std::memcpy(block, words, sizeof words);
}

} // namespace

// libcrypto's block function is the fast path; libcrypto 3 keeps it, and the other low-level
// digest calls, marked as deprecated. Measured with bench_pbkdf2 (2000 keys of 66 bytes, 1000
// rounds, OpenSSL 3.0): 363 us a key here, 1430 us with PKCS5_PBKDF2_HMAC, 3.9 times as fast.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool pbkdf2Sha1(const std::string& password, const uint8_t* salt, size_t saltSize, unsigned rounds,
                uint8_t* out, size_t size) {
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
        // The sums are kept as the digests' words; they are turned into bytes at the end.
        uint32_t words[kChains][5];
        for (size_t k = 0; k < chains; ++k)
            for (size_t i = 0; i < 5; ++i)
                words[k][i] = static_cast<uint32_t>(sum[k][4 * i]) << 24 |
                              static_cast<uint32_t>(sum[k][4 * i + 1]) << 16 |
                              static_cast<uint32_t>(sum[k][4 * i + 2]) << 8 | sum[k][4 * i + 3];
        for (unsigned round = 1; ok && round < rounds; ++round) {
            for (size_t k = 0; k < chains; ++k) {
                setState(c[k], inner);
                SHA1_Transform(&c[k], block[k]);
            }
            for (size_t k = 0; k < chains; ++k) {
                putDigest(c[k], block[k]);
                setState(c[k], outer);
                SHA1_Transform(&c[k], block[k]);
            }
            for (size_t k = 0; k < chains; ++k) {
                putDigest(c[k], block[k]);
                words[k][0] ^= c[k].h0;
                words[k][1] ^= c[k].h1;
                words[k][2] ^= c[k].h2;
                words[k][3] ^= c[k].h3;
                words[k][4] ^= c[k].h4;
            }
        }
        for (size_t k = 0; k < chains; ++k)
            for (size_t i = 0; i < SHA_DIGEST_LENGTH; ++i)
                sum[k][i] = static_cast<uint8_t>(words[k][i / 4] >> (24 - 8 * (i % 4)));
        OPENSSL_cleanse(words, sizeof words);
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
}
#pragma GCC diagnostic pop

} // namespace sqx
