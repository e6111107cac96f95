#include "base/Settings.h"

namespace base {

BackupMode BackupModeFromControls(const BackupModeControls& controls, BackupMode currentMode) {
    if (controls.newFile) return controls.keepOnlyLast ? BackupMode::KeepLast : BackupMode::NewFile;
    if (controls.overwriteLast) return BackupMode::Overwrite;
    return currentMode;
}

bool PasswordRefused(bool protect, const QString& password) {
    return protect && password.size() < kMinPasswordLength;
}

QString ArchivePassword(const Settings& settings) {
    return settings.backupUsePsw ? settings.backupPassword : QString();
}

void ApplySavedTicks(QList<TickedName>& entries, const QList<TickedName>& saved,
                     Qt::CaseSensitivity cs) {
    for (TickedName& entry : entries)
        for (const TickedName& s : saved)
            if (entry.name.compare(s.name, cs) == 0) entry.ticked = s.ticked;
}

} // namespace base
