#pragma once
// Errno to result-code mapping, and the fault injection that tests use to make the archive sink
// or a source file fail on purpose (see the SQX_FAULT_* variables in sqx.h). Only the tests'
// variant of the library (built with SQX_TEST_SEAMS) reads them: in the shipping one every
// fault is off and salts are always random.

#include <cstdint>
#include <string>

namespace sqx {

// EACCES/EPERM -> 5, ENOSPC/EDQUOT/EFBIG -> 101, EROFS -> 150, ENOENT/ENOTDIR -> not found,
// ENOMEM -> no memory, anything else -> input/output error.
int32_t resultFromErrno(int error);

struct Faults {
    int writeErrno = 0; // fail the sink when it passes writeAfter bytes
    uint64_t writeAfter = 0;
    int openErrno = 0; // fail creating the temporary target
    int readErrno = 0; // fail opening a source whose path contains readMatch
    std::string readMatch;
    int listErrno = 0; // fail listing a source folder whose path contains listMatch
    std::string listMatch;
    int dataErrno = 0; // fail reading past the first MiB of a source whose path contains dataMatch
    std::string dataMatch;
    // Flip a byte in the middle of the stored data of the first file whose stored name
    // contains corruptMatch, once the archive is written and before it is checked.
    std::string corruptMatch;
    // Fail compressing the first piece of the first file whose stored name contains this.
    std::string compressMatch;
    // Damage the compressed bytes of that piece of the first such file (which must deflate).
    std::string damageMatch;
    // Salts of encrypted entries derived from this text instead of drawn at random, so that
    // runs can be compared byte for byte.
    std::string fixedSalt;
    // The writer kills itself (SIGKILL) before this step of putting a finished archive in
    // place (1 = the first), as a crash or power cut would stop it.
    unsigned killAtStep = 0;

    static Faults fromEnvironment();
    bool failsRead(const std::string& path) const;
    bool failsList(const std::string& path) const;
};

} // namespace sqx
