#include "app/SettingsReport.h"

#include "base/Settings.h"

namespace app {

namespace {
QString yesNo(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

QStringList SettingsReport(const base::Settings& s) {
    const QString iso = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return {
        QStringLiteral("program folder: ") + s.programFolder,
        QStringLiteral("documents folder: ") + s.documentsFolder,
        QStringLiteral("X: %1").arg(s.x),
        QStringLiteral("Y: %1").arg(s.y),
        QStringLiteral("BackupDir: ") + s.backupDir,
        QStringLiteral("Wizard mode: ") + yesNo(s.wizardMode),
        QStringLiteral("ZuveDizizo: ") + yesNo(s.scheduleEnabled),
        QStringLiteral("ZuveDizizoDir: ") + s.scheduleDir,
        QStringLiteral("BackupTime: ") + s.backupTime.toString(iso),
        QStringLiteral("BackupDate: ") + s.backupDate.toString(iso),
        QStringLiteral("BackupPeriod: %1").arg(int(s.backupPeriod)),
        QStringLiteral("BackupInterval: %1").arg(s.backupInterval),
        QStringLiteral("Language: ") + s.language,
        QStringLiteral("languages: ") + s.languages.join(QStringLiteral(", ")),
        QStringLiteral("MultipleVolumes: ") + yesNo(s.multipleVolumes),
        QStringLiteral("Volumes: %1").arg(int(s.volumes)),
        QStringLiteral("BackupMode: %1").arg(int(s.backupMode)),
        QStringLiteral("OldBackupMode: %1").arg(int(s.oldBackupMode)),
        QStringLiteral("BackupKeep: %1").arg(s.backupKeep),
        QStringLiteral("BackupUsePsw: ") + yesNo(s.backupUsePsw),
        QStringLiteral("BackupPsw: ") +
            (s.backupPassword.isEmpty() ? QStringLiteral("(none)") : QStringLiteral("(set)")),
    };
}

} // namespace app
