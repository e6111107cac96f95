#pragma once
// The Wine processes of one prefix, found in /proc, so that a test can end
// exactly those (other tests run Wine in prefixes of their own at the same time).

#include <QByteArray>
#include <QString>

#include <vector>

namespace support {

// Processes started with WINEPREFIX=prefixDir whose name begins with `name`
// ("regedit.exe", "wineserver"); every one of them for an empty name.
std::vector<int> wineProcesses(const QString& prefixDir, const QByteArray& name = {});

} // namespace support
