#pragma once
// The Wine processes of one prefix, found in /proc, so that a test can end
// exactly those (other tests run Wine in prefixes of their own at the same time).

#include <QString>

#include <optional>
#include <vector>

namespace support {

// The process of a program (by its name, "regedit.exe") started with WINEPREFIX=prefixDir.
std::optional<int> wineProgramPid(const QString& prefixDir, const QString& exeName);
// Every process started with WINEPREFIX=prefixDir: what a killed server leaves behind.
std::vector<int> winePids(const QString& prefixDir);
// The prefix's Wine server ("wineserver" or "wineserver64"): it works in a folder
// "server-<dev>-<inode>" named after the prefix.
std::optional<int> wineServerPid(const QString& prefixDir);

} // namespace support
