#include "backup/BackupFiles.h"

#include "clients/ClientTable.h"
#include "platform/Files.h"

#include <QLocale>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace backup {

QString BackupFilePrefix(int clientCode) {
    const clients::ClientRow* row = clients::clientRow(clientCode);
    return row && row->archivePrefix ? QString::fromLatin1(row->archivePrefix) : QString();
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

namespace {
// One archive as rotation sees it: a plain file, or a set of volumes
// ("name.ebk.001", "name.ebk.002", ...) that stands or goes as a whole.
struct ArchiveSet {
    QString name;        // "name.ebk"
    QStringList members; // file names in the folder
    QDateTime modified;  // of the newest member
};

// "name.ebk" for "name.ebk" and for a volume "name.ebk.NNN"; empty otherwise.
QString archiveNameOf(const QString& file) {
    static const QRegularExpression volume(QStringLiteral("^(.*\\.ebk)\\.[0-9]{3,}$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (file.endsWith(QLatin1String(".ebk"), Qt::CaseInsensitive)) return file;
    const auto m = volume.match(file);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

QStringList RotateBackups(const platform::Files& fs, int clientCode, const QString& newFile,
                          const RotateOptions& options) {
    QString prefix = BackupFilePrefix(clientCode).trimmed();
    if (prefix.isEmpty()) prefix = QStringLiteral("ebk");
    const QString pattern =
        options.backupFolder + options.namePrefix + prefix + QStringLiteral("*");
    const auto found = fs.find(pattern, platform::FA_ANYFILE & ~quint32(platform::FA_DIRECTORY));
    if (!found) return {};
    // Names compare without regard to case, as the file system the archive
    // was written to resolves them: the new archive is never "another" one.
    QMap<QString, ArchiveSet> sets;
    for (const platform::FindData& f : found.value()) {
        const QString name = archiveNameOf(f.name);
        if (name.isEmpty() ||
            !platform::wildcardMatch(options.namePrefix + prefix + QStringLiteral("*.ebk"), name))
            continue;
        ArchiveSet& set = sets[name.toLower()];
        if (set.name.isEmpty()) set.name = name;
        set.members << f.name;
        if (!set.modified.isValid() || f.modified > set.modified) set.modified = f.modified;
    }
    std::vector<ArchiveSet> files;
    const QString newKey = platform::extractFileName(newFile).toLower();
    const bool sameFolder =
        platform::extractFilePath(newFile).compare(options.backupFolder, Qt::CaseInsensitive) == 0;
    for (auto it = sets.cbegin(); it != sets.cend(); ++it)
        if (!(sameFolder && it.key() == newKey)) files.push_back(it.value());
    std::stable_sort(files.begin(), files.end(), [](const ArchiveSet& a, const ArchiveSet& b) {
        return a.modified < b.modified;
    });

    QStringList deleted;
    auto remove = [&](const ArchiveSet& set) {
        for (const QString& member : set.members) {
            const QString path = options.backupFolder + member;
            if (fs.removeFile(path)) deleted << path;
        }
    };
    if (options.backupMode == base::BackupMode::Overwrite) {
        if (!files.empty()) remove(files.back());
        return deleted;
    }
    // Mode 2 keeps every backup, as the option says.
    if (options.backupMode != base::BackupMode::KeepLast || options.backupKeep <= 0) return deleted;
    int others = 0;
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        if (++others > options.backupKeep) remove(*it);
    return deleted;
}

QString TargetRefusal(const platform::Files& files, const QString& winPath) {
    const QChar letter = winPath.isEmpty() ? QChar() : winPath.front().toUpper();
    if (!letter.isLetter()) return QStringLiteral("Message15");
    if (files.driveType(letter) == 5) return QStringLiteral("Message17"); // a CD-ROM drive
    const platform::Result<qint64> free = files.freeSpace(letter);
    if (!free || *free < 500000) return QStringLiteral("Message15");
    return {};
}

} // namespace backup
