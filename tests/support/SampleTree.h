#pragma once
// What a new Wine prefix holds, as wineboot leaves it: the folders of drive C:,
// the few files Wine writes there, and the registry values that point into them.

#include "platform/Registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace support {

struct SampleValue {
    platform::HKEY root;
    QString keyPath;
    platform::RegValue value;
};

// Folders below drive_c, '\'-separated.
QStringList newPrefixFolders(const QString& user);
// Files below drive_c with their content.
std::vector<std::pair<QString, QByteArray>> newPrefixFiles();
// The shell folder, environment and version values of a new prefix.
std::vector<SampleValue> newPrefixValues(const QString& user);

} // namespace support
