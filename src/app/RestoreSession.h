#pragma once
// One restore as the command line and the windows make it: the job over the
// program's parts, the backup opened with its password (the stored one first,
// then one asked for), the choices, and the folder of the safety backup.

#include "restore/RestoreJob.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace app {

class AppContext;

class RestoreSession {
public:
    explicit RestoreSession(AppContext& ctx) : ctx_(ctx) {}

    // The job, its progress lines and outcome in the language in use; nothing
    // when the archiving library is not loaded. clientRunning: true holds the
    // restore back.
    std::optional<restore::RestoreJob> makeJob(std::function<bool(int)> clientRunning) const;
    // The running-client guard as a restore asks it.
    std::function<bool(int)> clientGuard() const;

    // What the backup at archive (a host path) holds, read with the stored
    // password and, when the library wants another, with the one ask gives;
    // nothing when ask gives none. password: the one read with last.
    using AskPassword = std::function<std::optional<QString>()>;
    std::optional<restore::RestoreReport> open(restore::RestoreJob& job, const QString& archive,
                                               const AskPassword& ask, QString& password) const;
    // The library refused the backup for its password (none given, or a wrong one).
    static bool passwordRefused(const restore::RestoreReport& seen);

    // The restore of the chosen identities and items: into hostFolder when
    // there is one, else into the client with the safety backup in the backup
    // folder (else the documents folder).
    restore::RestoreRequest request(const QString& archive, const QString& password,
                                    const QStringList& identities, const QStringList& items,
                                    const std::optional<QString>& hostFolder) const;

private:
    AppContext& ctx_;
};

} // namespace app
