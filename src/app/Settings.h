#pragma once
// The program's settings in memory, and the password scrambler of "BackupPsw".
// SettingsStore (SettingsStore.h) reads and writes them under
// HKCU\Software\Kelvarn\Postora in the program's own hive.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace app {

struct Settings {
    // The main window's design position, the defaults of "X" and "Y".
    static constexpr int kDesignLeft = 227;
    static constexpr int kDesignTop = 161;

    // Platform folders (InitFolders), Windows paths ending with '\'.
    QString programFolder;
    QString documentsFolder;

    // Main set.
    int x = kDesignLeft;
    int y = kDesignTop;
    QString backupDir;            // "BackupDir", ends with '\'
    bool wizardMode = true;       // "Wizard mode"
    bool scheduleEnabled = false; // "ZuveDizizo"
    QString scheduleDir;          // "ZuveDizizoDir", '\' appended in memory
    QDateTime backupTime;         // "BackupTime" (time of day)
    QDateTime backupDate;         // "BackupDate" (day)
    int backupPeriod = 3;         // 0 hours, 1 days, 2 weeks, 3 months
    int backupInterval = 2;

    // Option set.
    QString language = QStringLiteral("English");
    QStringList languages;  // display names of the language files in the program folder
    int languageIndex = -1; // the entry of languages equal to language, or -1
    bool multipleVolumes = false;
    int volumes = 4;    // media choice index 0..4
    int backupMode = 2; // 1 overwrite, 2 new file, 3 new file and keep the last N
    int oldBackupMode = 3;
    int backupKeep = 3;
    bool backupUsePsw = false;
    QString backupPassword; // plain, in memory only
};

// The password scrambler of "BackupPsw". The password travels as UTF-8 bytes;
// decoding also accepts Windows-1252 bytes. Decoding text that is not a valid
// scrambled password (not hexadecimal, too long, inconsistent) gives the empty
// text. A password too long for the one-byte length field (over 221 bytes of
// UTF-8) cannot be scrambled and encodes to the empty text.
QString EncodePassword(const QString& password);
// The same with the random source given: random(k) yields 0 .. k-1.
QString EncodePassword(const QString& password, const std::function<int(int)>& random);
QString DecodePassword(const QString& text);

// The option controls from which "Save" takes the backup mode and keep count.
struct BackupModeControls {
    bool overwriteLast = false; // "Overwrite the last backup file"
    bool newFile = false;       // "Backup to a new file"
    bool keepOnlyLast = false;  // "Keep only the last"
    int keep = 3;               // the number beside "Keep only the last"
};
// 3 for a new file keeping the last N, 2 for a new file alone, 1 for overwrite;
// currentMode when no mode radio is ticked.
int BackupModeFromControls(const BackupModeControls& controls, int currentMode);

// One entry of a check list as "LastClient" keeps it: the entry's text and its tick.
struct TickedName {
    QString name;
    bool ticked = false;
    friend bool operator==(const TickedName&, const TickedName&) = default;
};

// What "LastClient" holds: the client code (0 when none) and the saved ticks,
// in the order the registry lists the values.
struct LastClient {
    int code = 0;
    QList<TickedName> identities;
    QList<TickedName> items;
};

// Re-ticks check-list entries from saved ticks: every saved name that equals an
// entry's text (with the given case rule) sets that entry's tick. Identities
// compare without regard to case, items exactly.
void ApplySavedTicks(QList<TickedName>& entries, const QList<TickedName>& saved,
                     Qt::CaseSensitivity cs);

} // namespace app
