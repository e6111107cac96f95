#pragma once
// The manifests a backup carries at the top of its archive - "infobak.ini"
// and its companions "directory.ini" and "others.ini" - read back from the
// folder the archive was extracted into.

#include "platform/Ini.h"

#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace restore {

struct ArchiveManifest {
    QString emailClient; // "Backup" / "EmailClient" as stored
    int clientCode = 0;  // 0 when the name is not one the program writes
    QStringList identities;
    QStringList items;
    QList<QPair<QString, QString>> directory; // "Directory" of infobak.ini, file order
    platform::IniFile directoryIni;           // empty when the archive has none
    platform::IniFile othersIni;

    // A "Directory" value of infobak.ini; empty when missing.
    QString directoryValue(const QString& key) const;
};

// Reads the manifests below hostFolder; nothing when infobak.ini is missing or
// names no client.
std::optional<ArchiveManifest> ReadManifest(const QString& hostFolder);

// A manifest file as a Windows program reads it: the ANSI code page of the
// locale, or UTF-16LE after a byte-order mark.
platform::IniFile ReadWindowsIni(const QString& hostFile);

} // namespace restore
