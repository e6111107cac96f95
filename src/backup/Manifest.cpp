#include "backup/Manifest.h"

#include "platform/Files.h"
#include "platform/Ini.h"

namespace backup {

namespace {
void writeSection(platform::IniFile& ini, const QString& section, const IniPairs& keys) {
    for (const auto& [key, value] : keys)
        ini.writeString(section, key, value);
}

platform::Status saveFresh(const platform::Files& fs, const QString& winPath,
                           const platform::IniFile& ini) {
    (void)fs.removeFile(winPath);
    return ini.save(fs, winPath);
}
} // namespace

IniPairs NumberedKeys(const QString& prefix, const QStringList& values) {
    IniPairs out;
    out.reserve(values.size());
    for (int i = 0; i < values.size(); ++i)
        out.append({prefix + QString::number(i + 1), values[i]});
    return out;
}

platform::Status WriteManifest(const platform::Files& fs, const QString& winPath,
                               const Manifest& m) {
    platform::IniFile ini;
    ini.writeString(QStringLiteral("Backup"), QStringLiteral("EmailClient"), m.emailClient);
    writeSection(ini, QStringLiteral("Identities"),
                 NumberedKeys(QStringLiteral("Item"), m.identities));
    writeSection(ini, QStringLiteral("Items"), NumberedKeys(QStringLiteral("Item"), m.items));
    writeSection(ini, QStringLiteral("Directory"), m.directory);
    return saveFresh(fs, winPath, ini);
}

platform::Status WriteDirectoryFile(const platform::Files& fs, const QString& winPath,
                                    const IniPairs& keys) {
    // An empty map still names its section.
    platform::IniFile ini = platform::IniFile::parse(QStringLiteral("[Directory]"));
    writeSection(ini, QStringLiteral("Directory"), keys);
    return saveFresh(fs, winPath, ini);
}

} // namespace backup
