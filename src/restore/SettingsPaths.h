#pragma once
// The client's own settings files that hold paths (INI files, Mozilla's
// prefs.js) come from the backup: a value in them could point the client's
// attachments, signatures or mail at the Start-up folder or anywhere on the
// host, and the client would write there later. Before anything is placed,
// every value that names a place outside the client's folders in this prefix
// (another drive, a "..", a folder outside the roots) is replaced by the value
// the prefix's current copy of that file holds, or removed so that the client
// uses its default. Each change is listed.

#include "restore/restorers/Restorer.h"

#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace restore {

class Destinations;

// Changes the extracted files of `placements` (below the host folder
// `stagingHost`) in place, adding one line per value changed to `changes`:
// "<entry>: <name> named <value>, <why>; <what now>". Returns why a file
// could not be read or written back (then the restore must not go on);
// empty when all went well.
QString ConfineSettingsPaths(const QString& stagingHost, const QList<Placement>& placements,
                             const Destinations& destinations, const platform::Files& files,
                             QStringList& changes);

} // namespace restore
