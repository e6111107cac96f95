#pragma once
// The steps both faces of the main window take to restore a backup: opening
// the folder the backups are in, reading what a chosen backup holds (asking
// for its password) and the request and job of the restore.

#include "restore/RestoreJob.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QListWidget;

namespace app {

class AppContext;

// The host folder a backup is chosen in: the backup folder (else the
// documents folder) or the nearest folder above it that is there, else home.
QString BackupFolderOnHost(AppContext& ctx, const QString& backupFolder);

// What the backup at archive (a host path) holds. The stored backup password
// first, then the password window; password is the one that opened it. False,
// after saying why, when the backup cannot be restored.
bool InspectBackup(AppContext& ctx, const QString& archive, QString& password,
                   restore::RestoreReport& seen);

// The client and the file of a restore, for a person: "Eudora, from <file>".
QString RestoreSubject(AppContext& ctx, const restore::RestoreReport& contents,
                       const QString& archive);

// What a person reads after a restore beyond its headline: the reason of a
// failure whole, the safety archive, the count of files placed, the paths
// rewritten, and what to do when the client has no place in this prefix.
QStringList RestoreDetails(AppContext& ctx, const restore::RestoreReport& report);

// The job of a restore, held back while the client runs; std::nullopt, with
// the reason in error, when the archiving library is not loaded.
std::optional<restore::RestoreJob> MakeRestoreJob(AppContext& ctx, QString& error);

// A restore of the ticked entries of the two lists: below winFolder (a
// Windows path) when there is one, else into the client with the safety
// backup in the backup folder.
restore::RestoreRequest MakeRestoreRequest(AppContext& ctx, const QString& archive,
                                           const QString& password, const QListWidget& identities,
                                           const QListWidget& items,
                                           const std::optional<QString>& winFolder);

// What the last "Close all" of the guard did, in a sentence or three for the
// page that asked it; empty when it ended nothing.
QString ClosedClientsText(AppContext& ctx);

// A message of the language in use, english when its file lacks the key.
QString MessageOr(AppContext& ctx, const QString& key, const QString& english);

} // namespace app
