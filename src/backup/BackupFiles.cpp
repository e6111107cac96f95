#include "backup/BackupFiles.h"

#include "clients/Clients.h"
#include "platform/Files.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace backup {

QString BackupFilePrefix(int clientCode) {
    switch (clientCode) {
    case clients::kOutlookExpress:
        return QStringLiteral("ZOzozudoVevezo ");
    case clients::kOutlook:
        return QStringLiteral("OutlookBackup ");
    case clients::kEudora:
        return QStringLiteral("EudoraBackup ");
    case clients::kIncrediMail:
        return QStringLiteral("IncrediMailBackup ");
    case clients::kPegasus:
        return QStringLiteral("PegasusMailBackup ");
    case clients::kTheBat:
        return QStringLiteral("TheBatBackup ");
    case clients::kFavorites:
        return QStringLiteral("FavoritesBackup ");
    case clients::kPocoMail3:
    case clients::kPocoMail2:
    case clients::kPocoMail20:
        return QStringLiteral("PocoMailBackup ");
    case clients::kOpera6:
    case clients::kOpera7:
        return QStringLiteral("OperaBackup ");
    case clients::kNetscape4:
    case clients::kNetscape67:
        return QStringLiteral("NetscapeBackup ");
    default:
        return {};
    }
}

QString BackupFileName(int clientCode) {
    const QLocale locale = QLocale::system();
    return BackupFileName(clientCode, QDate::currentDate(),
                          locale.dateFormat(QLocale::ShortFormat));
}

QString BackupFileName(int clientCode, const QDate& date, const QString& dateFormat) {
    const QString prefix = BackupFilePrefix(clientCode);
    if (prefix.isEmpty()) return {};
    // Month or day names would all turn into dashes, and archives of different
    // months would share a name: spell them as numbers.
    QString format = dateFormat;
    format.replace(QRegularExpression(QStringLiteral("M{3,}")), QStringLiteral("MM"));
    format.replace(QRegularExpression(QStringLiteral("d{3,}")), QString());
    QString text = QLocale::c().toString(date, format);
    for (QChar& c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) c = QLatin1Char('-');
    }
    return prefix + text + QStringLiteral(".ebk");
}

QStringList RotateBackups(const platform::Files& fs, int clientCode, const QString& newFile,
                          const RotateOptions& options) {
    QString prefix = BackupFilePrefix(clientCode).trimmed();
    if (prefix.isEmpty()) prefix = QStringLiteral("ebk");
    const QString pattern =
        options.backupFolder + options.namePrefix + prefix + QStringLiteral("*.ebk");
    const auto found = fs.find(pattern, platform::FA_ANYFILE & ~quint32(platform::FA_DIRECTORY));
    if (!found) return {};
    std::vector<platform::FindData> files = found.value();
    std::stable_sort(files.begin(), files.end(),
                     [](const platform::FindData& a, const platform::FindData& b) {
                         return a.modified < b.modified;
                     });

    QStringList deleted;
    auto remove = [&](const QString& path) {
        if (fs.removeFile(path)) deleted << path;
    };
    if (options.backupMode == base::BackupMode::Overwrite) {
        for (auto it = files.rbegin(); it != files.rend(); ++it) {
            const QString path = options.backupFolder + it->name;
            if (path != newFile) {
                remove(path);
                break;
            }
        }
        return deleted;
    }
    // Mode 2 keeps every backup, as the option says.
    if (options.backupMode != base::BackupMode::KeepLast || options.backupKeep <= 0) return deleted;
    int others = 0;
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
        const QString path = options.backupFolder + it->name;
        if (path == newFile) continue;
        if (++others > options.backupKeep) remove(path);
    }
    return deleted;
}

} // namespace backup
