#pragma once
// Registry keys written as REGEDIT4 files (CR LF, Windows-1252).

#include "platform/registry.h"

#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace regdump {

class TIORegistry {
public:
    TIORegistry(platform::Registry& reg, const platform::Files& fs);

    // fileName is a Windows path. A missing key is written as an empty key;
    // nothing is created in a mail client's registry.
    bool ExportRegistryKey(QString rootName, const QString& keyPath, bool includeSubKeys,
                           const QString& fileName);

    static platform::HKEY RootNameToKey(const QString& name);
    static QString RootKeyToName(platform::HKEY key);
    // The published properties follow in the implementation.
    QStringList RegistryData;

private:
    platform::Registry& reg_;
    const platform::Files& fs_;
};

} // namespace regdump
