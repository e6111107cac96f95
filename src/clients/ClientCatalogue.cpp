// Which mail client is the default, which are installed, and which layouts of
// PocoMail, Opera and Netscape are present. Read-only: nothing is created.

#include "clients/ClientTable.h"
#include "clients/Clients.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"

namespace clients {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

const QString kClientsMail = QStringLiteral("software\\clients\\mail");
} // namespace

ClientCatalogue::ClientCatalogue(platform::Registry& reg, const platform::Files& fs,
                                 base::Interaction* ui)
    : reg_(reg), fs_(fs), ui_(ui) {}

int ClientCatalogue::GetDefaultClient() {
    QString name;
    if (auto key = reg_.open(HKEY_LOCAL_MACHINE, kClientsMail, false))
        name = key->readString(QString()).value_or(QString());
    name = name.toLower();
    for (const ClientRow& row : clientRows())
        if (row.defaultName && name == QLatin1String(row.defaultName)) return row.code;
    return kNone;
}

bool ClientCatalogue::IsClientInstalled(int code) {
    const ClientRow* row = clientRow(code);
    if (!row || row->baseCode != code) return false;
    if (row->alwaysInstalled) return true;
    if (!row->installedKeyword) return false;
    const QLatin1String keyword(row->installedKeyword);
    if (auto key = reg_.open(HKEY_LOCAL_MACHINE, kClientsMail, false)) {
        for (const QString& sub : key->subKeyNames())
            if (sub.toLower().contains(keyword)) return true;
    }
    for (const DetectionKey& k : row->installedKeys)
        if (k.root && reg_.keyExists(k.root, QLatin1String(k.path))) return true;
    return false;
}

QString ClientCatalogue::appDataFolder() {
    return platform::shellFolder(reg_, QStringLiteral("AppData"));
}

bool ClientCatalogue::variantPresent(const ClientRow& row) {
    if (row.versionAppDataFile) {
        const QString appData = appDataFolder();
        return !appData.isEmpty() &&
               fs_.fileExists(appData + QLatin1Char('\\') + QLatin1String(row.versionAppDataFile));
    }
    const DetectionKey& k = row.versionKey;
    if (!k.root) return false;
    if (!k.value) return reg_.keyExists(k.root, QLatin1String(k.path));
    const auto key = reg_.open(k.root, QLatin1String(k.path), false);
    return key && key->valueExists(QLatin1String(k.value));
}

QList<VersionVariant> ClientCatalogue::GetClientVersions(int baseCode) {
    QList<VersionVariant> versions;
    for (const ClientRow& row : clientRows())
        if (row.baseCode == baseCode && row.code != baseCode && variantPresent(row))
            versions.append({QLatin1String(row.versionLabel), row.code});
    return versions;
}

} // namespace clients
