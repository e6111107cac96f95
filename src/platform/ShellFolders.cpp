#include "platform/ShellFolders.h"

#include "platform/Registry.h"

namespace platform {

QString shellFolder(Registry& reg, const QString& name) {
    static const QString kKey =
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    const auto key = reg.open(HKEY_CURRENT_USER, kKey, false);
    return key ? key->readString(name).value_or(QString()) : QString();
}

} // namespace platform
