#include "schedule/UnattendedRun.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "backup/BackupEngine.h"
#include "backup/BackupFiles.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "lang/Localization.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "schedule/CompanionControl.h"
#include "schedule/RunUninstall.h"
#include "schedule/ScheduleStore.h"

#include <QFileInfo>
#include <QLockFile>

#include <cstdio>

namespace schedule {

namespace {

void printLine(const QString& text) {
    const QByteArray line = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

QList<backup::Selected> rows(const std::vector<NamedCheck>& checks) {
    QList<backup::Selected> out;
    for (const NamedCheck& c : checks)
        out << backup::Selected{c.second, c.first};
    return out;
}

} // namespace

UnattendedRun::UnattendedRun(app::AppContext& ctx) : reportLine(&printLine), ctx_(ctx) {}

QString UnattendedRun::LockPath(app::AppContext& ctx) {
    return QFileInfo(ctx.registry().config().ownHivePath).absolutePath() +
           QStringLiteral("/auto.lock");
}

int UnattendedRun::Run() {
    // A second run leaves at once rather than wait behind a first one that may
    // be waiting for a person at the running-client window.
    const QString lockPath = LockPath(ctx_);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0); // stale only when its owner has gone
    if (!lock.tryLock(0)) {
        reportLine(
            lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("postora: /auto: another unattended backup is still at "
                                 "work; this one leaves")
                : QStringLiteral("postora: /auto: cannot use the lock file %1").arg(lockPath));
        return app::kExitFailed;
    }
    return runLocked();
}

QString UnattendedRun::logonName() {
    const auto key = ctx_.registry().open(
        platform::HKEY_CURRENT_USER,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
    return key ? key.value().readString(QStringLiteral("Logon User Name")).value_or(QString())
               : QString();
}

int UnattendedRun::runLocked() {
    backup::BackupEngine* engine = ctx_.engine();
    if (!engine) {
        reportLine(QStringLiteral("postora: /auto: the backup engine is not ready"));
        return app::kExitFailed;
    }
    const app::Settings& settings = ctx_.settings();
    engine->writer().setRunPassword(settings.backupPassword);

    const platform::Files& fs = ctx_.files();
    const QString folder = platform::includeTrailingBackslash(settings.scheduleDir);
    if (settings.scheduleDir.isEmpty() ||
        (!fs.directoryExists(folder) &&
         (!fs.createDirectories(folder) || !fs.directoryExists(folder)))) {
        reportLine(QStringLiteral("postora: /auto: the backups folder %1 cannot be made; "
                                  "nothing was backed up")
                       .arg(folder));
        return app::kExitFailed;
    }

    QString logonPart = logonName() + QLatin1Char(' ');
    if (logonPart == QLatin1String(" ")) logonPart.clear();

    int status = app::kExitOk;
    ScheduleStore store(ctx_.registry());
    for (const QString& keyName : store.ClientKeyNames()) {
        if (!store.ReadClientChoice(keyName).selected) continue;
        if (!backupClient(keyName, folder, logonPart)) status = app::kExitFailed;
    }
    return status;
}

bool UnattendedRun::backupClient(const QString& keyName, const QString& folder,
                                 const QString& logonPart) {
    bool isNumber = false;
    const int code = keyName.toInt(&isNumber, 10);
    if (!isNumber || code <= 0) {
        reportLine(QStringLiteral("postora: /auto: the client key \"%1\" names no client; skipped")
                       .arg(keyName));
        return false;
    }
    ScheduleStore store(ctx_.registry());
    const ClientChoice choice = store.ReadClientChoice(keyName);
    const QString target = folder + logonPart + backup::BackupFileName(code);

    QStringList identities;
    QStringList items;
    ctx_.catalogue().GetIdentitiesAndItems(code, identities, items);

    // Row i stands for the i-th stored identity; one that the client no
    // longer has leaves its row empty but counted.
    QList<backup::Selected> identityRows;
    for (const NamedCheck& stored : choice.identities) {
        backup::Selected row;
        for (const QString& current : identities)
            if (current.compare(stored.first, Qt::CaseInsensitive) == 0) {
                row = backup::Selected{stored.second, current};
                break;
            }
        identityRows << row;
    }
    // A key without "Items" was not written by the schedule editor: the
    // client's items are all backed up, as "/b" does.
    const QList<backup::Selected> itemRows =
        choice.hasItems ? rows(choice.items) : backup::AllTicked(items);

    const auto request = backup::MakeBackupRequest(target, code, identityRows, itemRows);
    if (!request) {
        reportLine(
            QStringLiteral("postora: /auto: client %1: %2").arg(code).arg(request.error().message));
        return false;
    }
    if (ctx_.guard().CheckRunningClient(code)) return false; // the guard has said why
    if (!backup::CollectorFor(code)) {
        reportLine(
            QStringLiteral("postora: /auto: client %1 cannot be backed up; skipped").arg(code));
        return false;
    }

    backup::BackupEngine& engine = *ctx_.engine();
    backup::BackupState& state = engine.state();
    state.resetForRun();
    engine.RunBackup(request.value());
    if (state.BackupAborted || state.BackupFailed) {
        reportLine(QStringLiteral("postora: /auto: client %1: backup to %2 %3")
                       .arg(code)
                       .arg(target, state.BackupAborted
                                        ? QStringLiteral("aborted")
                                        : QStringLiteral("failed: ") +
                                              ctx_.message(QStringLiteral("Message20")) +
                                              state.BackupErrorText));
        return false; // older archives stay when the new one is not there
    }
    const app::Settings& settings = ctx_.settings();
    backup::RotateOptions rotate;
    rotate.backupFolder = platform::extractFilePath(target);
    rotate.namePrefix = logonPart;
    rotate.backupMode = settings.backupMode;
    rotate.backupKeep = settings.backupKeep;
    backup::RotateBackups(ctx_.files(), code, target, rotate);
    return true;
}

int RunAutoCommand(app::AppContext& ctx) {
    return UnattendedRun(ctx).Run();
}

int RunUninstallCommand(app::AppContext& ctx) {
    CompanionControl companion(
        ctx.registry(), ctx.files(), ctx.procList(), ctx.settings().programFolder,
        [&ctx](const QString& key) { ctx.localization().messageBox().ShowErrorMessage(key); });
    if (RunUninstall(companion, ctx.files())) return app::kExitOk;
    // Not told in a box, but a script learns it.
    if (ctx.files().fileExists(companion.CompanionPath()))
        printLine(
            QStringLiteral("postora: /uninstall: cannot delete %1").arg(companion.CompanionPath()));
    return app::kExitFailed;
}

} // namespace schedule
