// Key derivation of the archiving library against libcrypto's PKCS5_PBKDF2_HMAC, as an
// encrypted entry needs it: 66 bytes of key (two AES-256 keys and the check value) from a
// 16-byte salt in 1000 rounds.
//
//   bench_pbkdf2 [keys=2000] [repeats=5]
//
// Each repeat derives `keys` keys with each routine, taking turns, and the best repeat of
// each is printed (CPU time of the process, so that other work on a shared machine counts
// less), with the ratio. Both routines must give the same bytes, or nothing is printed.

#include "Pbkdf2.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr unsigned kRounds = 1000;
constexpr std::size_t kKeyBytes = 66;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

using Derive = bool (*)(const std::string&, const std::uint8_t*, std::size_t, std::uint8_t*);

bool ours(const std::string& password, const std::uint8_t* salt, std::size_t saltSize,
          std::uint8_t* out) {
    return sqx::pbkdf2Sha1(password, salt, saltSize, kRounds, out, kKeyBytes);
}

bool libcrypto(const std::string& password, const std::uint8_t* salt, std::size_t saltSize,
               std::uint8_t* out) {
    return PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), salt, int(saltSize),
                             int(kRounds), EVP_sha1(), int(kKeyBytes), out) == 1;
}

// Seconds of CPU for `keys` derivations, each with its own salt as in an archive.
double timeIt(Derive derive, int keys, std::uint8_t* last) {
    const std::string password = "correct horse battery staple";
    std::array<std::uint8_t, 16> salt{};
    const double start = cpuSeconds();
    for (int i = 0; i < keys; ++i) {
        std::memcpy(salt.data(), &i, sizeof i);
        if (!derive(password, salt.data(), salt.size(), last)) return -1;
    }
    return cpuSeconds() - start;
}

} // namespace

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    double bestOurs = 1e9, bestTheirs = 1e9;
    for (int r = 0; r < repeats; ++r) {
        std::uint8_t a[kKeyBytes], b[kKeyBytes];
        const double o = timeIt(ours, keys, a);
        const double t = timeIt(libcrypto, keys, b);
        if (o < 0 || t < 0 || std::memcmp(a, b, kKeyBytes) != 0) {
            std::fprintf(stderr, "bench_pbkdf2: the two routines disagree or failed\n");
            return 1;
        }
        bestOurs = std::min(bestOurs, o);
        bestTheirs = std::min(bestTheirs, t);
    }
    std::printf("%d keys of %zu bytes, %u rounds, best of %d (CPU seconds)\n", keys, kKeyBytes,
                kRounds, repeats);
    std::printf("  ours                 %8.3f s  %7.1f us/key\n", bestOurs, bestOurs / keys * 1e6);
    std::printf("  PKCS5_PBKDF2_HMAC    %8.3f s  %7.1f us/key\n", bestTheirs,
                bestTheirs / keys * 1e6);
    std::printf("  libcrypto / ours     %8.2f\n", bestTheirs / bestOurs);
    return 0;
}
