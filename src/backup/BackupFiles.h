#pragma once
// Names of backup archives, and the thinning out of older ones after an
// unattended backup.

#include "base/Settings.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace backup {

// "ZOzozudoVevezo " ... with its trailing blank; empty for a code without one.
QString BackupFilePrefix(int clientCode);

// prefix + today's date in the user's short date format, every character that
// is not a digit turned into "-", + ".ebk". Empty for a code without a prefix.
QString BackupFileName(int clientCode);

// Why a target path cannot take a backup, as the key of the message that says
// so: "Message17" on a CD-ROM drive, "Message15" when it names no drive (empty,
// a network path) or its drive has less than 500000 bytes free or cannot tell.
// Empty when the target may be written.
QString TargetRefusal(const platform::Files& files, const QString& winPath);
// The same for a given date and date format (QLocale format string). A format
// that spells the month in letters gets the month as a number instead.
QString BackupFileName(int clientCode, const QDate& date, const QString& dateFormat);

struct RotateOptions {
    QString backupFolder; // Windows path with a trailing '\'
    QString namePrefix;   // before the client's prefix in the names: "/auto"'s logon part
    base::BackupMode backupMode = base::BackupMode::NewFile;
    int backupKeep = 3;
};

// Applies the backup mode after a backup that wrote newFile (full Windows
// path). Returns the full paths of the files it deleted.
QStringList RotateBackups(const platform::Files& fs, int clientCode, const QString& newFile,
                          const RotateOptions& options);

} // namespace backup
