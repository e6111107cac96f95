#pragma once
// Writing below a folder the caller trusts without ever following a symbolic
// link on the way: every name is opened with openat(O_NOFOLLOW), one at a
// time, so a link planted in the tree cannot send a write elsewhere. Names are
// matched exactly first, then without regard to case, as Wine finds them.

#include "platform/Result.h"

#include <QString>
#include <QStringList>

namespace platform {

// What writing the file `root`/`names` would meet, found without changing
// anything but a test file that is removed again.
struct WriteProbe {
    QString problem;          // empty when the file can be written; else which name and why
    quint64 device = 0;       // file system of the deepest folder that exists
    qint64 freeBytes = -1;    // room left there for this user; -1 when unknown
    qint64 replacedSize = -1; // size of the file it would replace; -1 when none
    bool exists = false;      // something (file, folder, link) is already there
};
// `testWrite` makes and removes a file in the deepest existing folder, to learn
// that the folder takes writes (read-only file systems, immutable folders).
WriteProbe probeWrite(const QString& root, const QStringList& names, bool testWrite = true);

// Places the file `source` at `root`/`names`: missing folders are made, the
// bytes are written under `tempName` in the file's folder (moved there when on
// the same file system) and renamed over the final name, which keeps the case
// of a file already there. The error's message is the reason (the system's text).
Status placeNoFollow(const QString& root, const QStringList& names, const QString& source,
                     const QString& tempName);

// Device and size of a host file, without following a link; false when it is not there.
bool fileDeviceAndSize(const QString& hostPath, quint64& device, qint64& size);

} // namespace platform
