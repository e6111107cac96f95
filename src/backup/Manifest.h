#pragma once
// The manifest "infobak.ini" and its companion files, written in the staging
// folder (CR LF, in the ANSI code page of the user's locale or else UTF-16LE)
// before they are added to the archive.

#include "platform/Result.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace backup {

using IniPairs = QList<QPair<QString, QString>>;

// Numbered keys prefix1, prefix2, ... for the values, in order.
IniPairs NumberedKeys(const QString& prefix, const QStringList& values);

struct Manifest {
    QString emailClient;    // "Backup" / "EmailClient"
    QStringList identities; // "Identities" / Item1 ...
    QStringList items;      // "Items" / Item1 ...
    IniPairs directory;     // "Directory", keys chosen by the collector
};

// Each writer deletes an old copy first. A file that cannot be written fails
// the backup (Collector records it): an archive without its manifest or map
// cannot be restored as it was.
platform::Status WriteManifest(const platform::Files& fs, const QString& winPath,
                               const Manifest& m);
// One section "Directory" with the given keys (directory.ini, others.ini, ...).
platform::Status WriteDirectoryFile(const platform::Files& fs, const QString& winPath,
                                    const IniPairs& keys);

} // namespace backup
