#pragma once
// The program's settings in memory, and the store that reads and writes them
// under HKCU\Software\Kelvarn\Postora in the program's own hive.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace app {

struct Settings {
    // Platform folders (InitFolders), Windows paths ending with '\'.
    QString programFolder;
    QString documentsFolder;

    // Main set.
    int x = 227;
    int y = 161;
    QString backupDir;          // "BackupDir", ends with '\'
    bool wizardMode = true;     // "Wizard mode"
    bool scheduleEnabled = false; // "ZuveDizizo"
    QString scheduleDir;        // "ZuveDizizoDir", '\' appended in memory
    QDateTime backupTime;       // "BackupTime" (time of day)
    QDateTime backupDate;       // "BackupDate" (day)
    int backupPeriod = 3;       // 0 hours, 1 days, 2 weeks, 3 months
    int backupInterval = 2;

    // Option set.
    QString language = QStringLiteral("English");
    QStringList languages;      // languages found in the program folder
    bool multipleVolumes = false;
    int volumes = 4;            // media choice index
    int backupMode = 2;         // 1 overwrite, 2 new file, 3 new file and keep the last N
    int oldBackupMode = 3;
    int backupKeep = 3;
    bool backupUsePsw = false;
    QString backupPassword;     // plain, in memory only
};

// The password scrambler of "BackupPsw". Decoding text that is not a valid
// scrambled password gives the empty text.
QString EncodePassword(const QString& password);
QString DecodePassword(const QString& text);

} // namespace app
