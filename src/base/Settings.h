#pragma once
// The program's settings in memory. app::SettingsStore reads and writes them
// under HKCU\Software\Kelvarn\Postora in the program's own hive.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace base {

// What happens to older archives after an unattended backup ("BackupMode").
enum class BackupMode : int {
    Overwrite = 1, // delete the newest other archive
    NewFile = 2,   // keep every archive
    KeepLast = 3,  // keep the new one and the last N others
};
// The unit of the schedule's interval ("BackupPeriod").
enum class BackupPeriod : int { Hours = 0, Days = 1, Weeks = 2, Months = 3 };
// The volume size choice ("Volumes"), in the order the options list them.
enum class VolumeMedia : int { Floppy = 0, Zip100 = 1, Zip250 = 2, Cd650 = 3, Cd700 = 4 };

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
    BackupPeriod backupPeriod = BackupPeriod::Months;
    int backupInterval = 2;

    // Option set.
    QString language = QStringLiteral("English");
    QStringList languages;  // display names of the language files in the program folder
    int languageIndex = -1; // the entry of languages equal to language, or -1
    bool multipleVolumes = false;
    VolumeMedia volumes = VolumeMedia::Cd700;
    BackupMode backupMode = BackupMode::NewFile;
    BackupMode oldBackupMode = BackupMode::KeepLast;
    int backupKeep = 3;
    bool backupUsePsw = false;
    QString backupPassword; // plain, in memory only
};

// The password rule of every editor of the password: a protected archive
// needs at least kMinPasswordLength characters; the fields hold at most
// kMaxPasswordLength.
inline constexpr int kMinPasswordLength = 5;
inline constexpr int kMaxPasswordLength = 50;
// Protection on with a password the rule refuses.
bool PasswordRefused(bool protect, const QString& password);
// The password an archive of a backup is written with: none while protection
// is off, whatever password is kept for later.
QString ArchivePassword(const Settings& settings);

// The option controls from which "Save" takes the backup mode and keep count.
struct BackupModeControls {
    bool overwriteLast = false; // "Overwrite the last backup file"
    bool newFile = false;       // "Backup to a new file"
    bool keepOnlyLast = false;  // "Keep only the last"
    int keep = 3;               // the number beside "Keep only the last"
};
// KeepLast for a new file keeping the last N, NewFile for a new file alone,
// Overwrite for overwrite; currentMode when no mode radio is ticked.
BackupMode BackupModeFromControls(const BackupModeControls& controls, BackupMode currentMode);

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

} // namespace base
