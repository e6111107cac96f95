#pragma once
// Data that is already compressed (pictures, archives, encrypted mail) does not shrink under
// Deflate, which still costs most of a backup's time on it: such files are stored as they are.

#include <cstdint>

namespace sqx {

// Samples up to four 64 KiB windows spread over the file (without moving its offset); true when
// every window looks like random bytes. Files under 256 KiB are never sampled.
bool looksIncompressible(int fd, uint64_t size);

} // namespace sqx
