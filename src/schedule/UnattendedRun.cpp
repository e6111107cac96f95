#include "schedule/UnattendedRun.h"

#include "backup/BackupFiles.h"
#include "backup/BackupJob.h"
#include "base/ErrorLine.h"
#include "base/ExitStatus.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "desktop/DesktopNotification.h"
#include "lang/MessageTable.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "schedule/LastRun.h"
#include "schedule/ScheduleStore.h"

#include <QFileInfo>
#include <QLockFile>

namespace schedule {

namespace {

QList<backup::Selected> rows(const std::vector<NamedCheck>& checks) {
    QList<backup::Selected> out;
    for (const NamedCheck& c : checks)
        out << backup::Selected{c.second, c.first};
    return out;
}

} // namespace

UnattendedRun::UnattendedRun(Deps deps)
    : reportLine(&base::WriteErrorLine), notify([](const QString& summary, const QString& body) {
          desktop::Notify(QStringLiteral("Postora"), summary, body);
      }),
      d_(std::move(deps)) {}

QString UnattendedRun::text(const QString& key, const QString& english) const {
    return lang::orEnglish(d_.message ? d_.message(key) : QString(), english);
}

void UnattendedRun::recordFailure(int code, const QString& reason) {
    RecordFailure(d_.registry, code, QDateTime::currentDateTime(), reason);
    failures_ << QStringLiteral("%1: %2").arg(clients::ClientCaption(code), reason);
}

QString UnattendedRun::LockPath(const platform::Registry& registry) {
    return QFileInfo(registry.config().ownHivePath).absolutePath() + QStringLiteral("/auto.lock");
}

int UnattendedRun::Run() {
    // A second run leaves at once rather than wait behind a first one that may
    // be waiting for a person at the running-client window.
    const QString lockPath = LockPath(d_.registry);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0); // stale only when its owner has gone
    if (!lock.tryLock(0)) {
        reportLine(
            lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("postora: /auto: another unattended backup is still at "
                                 "work; this one leaves")
                : QStringLiteral("postora: /auto: cannot use the lock file %1").arg(lockPath));
        return base::kExitFailed;
    }
    return runLocked();
}

QString UnattendedRun::logonName() {
    const auto key =
        d_.registry.open(platform::HKEY_CURRENT_USER,
                         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
    return key ? key.value().readString(QStringLiteral("Logon User Name")).value_or(QString())
               : QString();
}

int UnattendedRun::runLocked() {
    const base::Settings& settings = d_.settings;
    const QString folder = platform::includeTrailingBackslash(settings.scheduleDir);
    // Its folders are made by each backup, which names the one it cannot make.
    if (settings.scheduleDir.isEmpty()) {
        reportLine(
            QStringLiteral("postora: /auto: no backups folder is set; nothing was backed up"));
        return base::kExitFailed;
    }

    QString logonPart = logonName() + QLatin1Char(' ');
    if (logonPart == QLatin1String(" ")) logonPart.clear();

    int status = base::kExitOk;
    failures_.clear();
    ScheduleStore store(d_.registry);
    for (const QString& keyName : store.ClientKeyNames()) {
        if (!store.ReadClientChoice(keyName).selected) continue;
        if (!backupClient(keyName, folder, logonPart)) status = base::kExitFailed;
    }
    // One notification for the whole run, however many clients it names.
    if (!failures_.isEmpty() && notify)
        notify(text(QStringLiteral("ScheduledBackupFailed"),
                    QStringLiteral("A scheduled backup did not happen")),
               failures_.join(QLatin1Char('\n')));
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
    ScheduleStore store(d_.registry);
    const ClientChoice choice = store.ReadClientChoice(keyName);
    const QString target = folder + logonPart + backup::BackupFileName(code);

    QStringList identities;
    QStringList items;
    d_.catalogue.GetIdentitiesAndItems(code, identities, items);

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

    backup::JobRequest request;
    request.clientCode = code;
    request.targetPath = target;
    request.identities = identityRows;
    request.items = itemRows;
    backup::RotateOptions rotate;
    rotate.backupFolder = platform::extractFilePath(target);
    rotate.namePrefix = logonPart;
    rotate.backupMode = d_.settings.backupMode;
    rotate.backupKeep = d_.settings.backupKeep;
    request.rotate = rotate;

    const backup::JobOutcome outcome = d_.job.Run(request, d_.ui, nullptr, nullptr);
    using Kind = backup::JobOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Succeeded:
        RecordSuccess(d_.registry, code, QDateTime::currentDateTime());
        return true;
    case Kind::ClientRunning: // the guard has said why
        recordFailure(code, text(QStringLiteral("ScheduledClientRunning"),
                                 QStringLiteral("skipped: the program was running")));
        return false;
    case Kind::NoCollector:
        reportLine(
            QStringLiteral("postora: /auto: client %1 cannot be backed up; skipped").arg(code));
        recordFailure(code, text(QStringLiteral("ScheduledClientUnknown"),
                                 QStringLiteral("skipped: this client cannot be backed up")));
        return false;
    case Kind::Aborted:
        reportLine(QStringLiteral("postora: /auto: client %1: backup to %2 aborted")
                       .arg(code)
                       .arg(target));
        recordFailure(code, text(QStringLiteral("ScheduledBackupAborted"),
                                 QStringLiteral("the backup was aborted")));
        return false;
    case Kind::Failed:
    case Kind::Busy:
        break;
    }
    // Older archives stay when the new one is not there.
    reportLine(QStringLiteral("postora: /auto: client %1: backup to %2 failed: %3%4")
                   .arg(code)
                   .arg(target, d_.message(QStringLiteral("Message20")), outcome.text));
    recordFailure(code, (d_.message(QStringLiteral("Message20")) + outcome.text).trimmed());
    return false;
}

} // namespace schedule
