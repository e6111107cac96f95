#pragma once
// Files the program reads whole as text (hives, INI and list files). Only a
// regular file is read - after following links, so a link to a device, a
// pipe or a folder is refused without waiting on it - and only up to a size
// that no real file of its kind reaches, so a damaged prefix cannot make the
// program hang or take all memory.

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

namespace platform {

// The largest registry file read: real hives stay far below it.
inline constexpr qint64 kHiveSizeLimit = qint64(512) << 20;
// The largest INI, list or language file read.
inline constexpr qint64 kTextFileSizeLimit = qint64(64) << 20;

// The whole file, or an error naming `shownName` (the path as the caller
// shows it) and why it was not read.
Result<QByteArray> readInputFile(const QString& hostPath, qint64 limit, const QString& shownName);
// Its first `count` bytes at most, with the same checks.
Result<QByteArray> readInputHead(const QString& hostPath, qint64 limit, qint64 count,
                                 const QString& shownName);

} // namespace platform
