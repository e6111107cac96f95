#pragma once
// Small host file system helpers shared by the path and file layers.

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Entry names of a host folder in the order the file system returns them,
// without "." and ".."; empty when it cannot be read.
QStringList listDirectory(const QString& hostDir);

// Removes a host folder with everything below it. Symbolic links are removed,
// never followed. Returns false when something could not be removed.
bool removeTree(const QString& hostPath);

// Writes a whole host file through a temporary file beside it, flushed to
// disk (unless `flush` is false) and renamed over the target: readers see the
// old or the new content. `label` names the file in error messages.
Status writeHostFileAtomically(const QString& hostPath, const QByteArray& data,
                               const QString& label, bool flush = true);

// Drive type (DriveType) of the host folder `path` (canonical), given the text
// of /proc/self/mountinfo: a CD-ROM on iso9660 and udf mounts, removable below
// /media and /run/media, else fixed.
int driveTypeFromMountInfo(const QByteArray& mountInfo, const QString& path);

// errno -> Windows error code, for a failed operation on a file.
int errorFromErrno(int err);

} // namespace platform
