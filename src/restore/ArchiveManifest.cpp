#include "restore/ArchiveManifest.h"

#include "clients/Clients.h"
#include "platform/Encoding.h"

#include <QFile>

namespace restore {

namespace {
QStringList numbered(const platform::IniFile& ini, const QString& section, const QString& prefix) {
    QStringList out;
    for (int n = 1;; ++n) {
        const QString key = prefix + QString::number(n);
        if (!ini.hasKey(section, key)) break;
        out << ini.readString(section, key);
    }
    return out;
}
} // namespace

QString ArchiveManifest::directoryValue(const QString& key) const {
    for (const auto& [k, v] : directory)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
    return {};
}

platform::IniFile ReadWindowsIni(const QString& hostFile) {
    QFile f(hostFile);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    const auto text = platform::decodeWindowsFile(bytes, platform::ansiCodePage());
    return text ? platform::IniFile::parse(*text) : platform::IniFile::parse(bytes);
}

std::optional<ArchiveManifest> ReadManifest(const QString& hostFolder) {
    const QString info = hostFolder + QStringLiteral("/infobak.ini");
    if (!QFile::exists(info)) return std::nullopt;
    const platform::IniFile ini = ReadWindowsIni(info);
    ArchiveManifest m;
    m.emailClient = ini.readString(QStringLiteral("Backup"), QStringLiteral("EmailClient"));
    m.clientCode = clients::ClientCodeForManifestName(m.emailClient);
    if (m.clientCode == 0) return std::nullopt;
    m.identities = numbered(ini, QStringLiteral("Identities"), QStringLiteral("Item"));
    m.items = numbered(ini, QStringLiteral("Items"), QStringLiteral("Item"));
    for (const QString& key : ini.keyNames(QStringLiteral("Directory")))
        m.directory << qMakePair(key, ini.readString(QStringLiteral("Directory"), key));
    m.directoryIni = ReadWindowsIni(hostFolder + QStringLiteral("/directory.ini"));
    m.othersIni = ReadWindowsIni(hostFolder + QStringLiteral("/others.ini"));
    return m;
}

} // namespace restore
