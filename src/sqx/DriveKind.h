#pragma once
// The drive type of the mount that holds a folder, as the next-volume prompt reports it.

#include <cstdint>
#include <string>

namespace sqx {

// 5 (CD-ROM) on an iso9660 or udf mount, 2 (removable) for mounts under /media or /run/media,
// else 3 (fixed). `mountInfo` is the text of /proc/self/mountinfo (read when empty).
int32_t driveKindOf(const std::string& folder, std::string mountInfo = std::string());

} // namespace sqx
