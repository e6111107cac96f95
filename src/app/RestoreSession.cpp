#include "app/RestoreSession.h"

#include "app/AppContext.h"
#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "clients/RunningClientGuard.h"
#include "restore/ArchiveReader.h"

namespace app {

std::optional<restore::RestoreJob>
RestoreSession::makeJob(std::function<bool(int)> clientRunning) const {
    if (!ctx_.job() || !ctx_.engine()) return std::nullopt;
    std::optional<restore::RestoreJob> job;
    job.emplace(restore::RestoreJob::Deps{*ctx_.job(), ctx_.engine()->library(), ctx_.registry(),
                                          ctx_.files(), ctx_.catalogue(), ctx_.ui(),
                                          std::move(clientRunning)});
    job->messages = [&ctx = ctx_](const QString& key) { return ctx.message(key); };
    return job;
}

std::function<bool(int)> RestoreSession::clientGuard() const {
    return [&ctx = ctx_](int code) {
        return ctx.guard().CheckRunningClient(code, clients::RunningClientGuard::For::Restore);
    };
}

bool RestoreSession::passwordRefused(const restore::RestoreReport& seen) {
    return seen.libraryCode == SQX_E_PASSWORD_NEEDED || seen.libraryCode == SQX_E_BAD_PASSWORD;
}

std::optional<restore::RestoreReport> RestoreSession::open(restore::RestoreJob& job,
                                                           const QString& archive,
                                                           const AskPassword& ask,
                                                           QString& password) const {
    password = ctx_.settings().backupPassword;
    restore::RestoreReport seen = job.Inspect(archive, password);
    if (!passwordRefused(seen)) return seen;
    const std::optional<QString> asked = ask();
    if (!asked) return std::nullopt;
    password = *asked;
    return job.Inspect(archive, password);
}

restore::RestoreRequest RestoreSession::request(const QString& archive, const QString& password,
                                                const QStringList& identities,
                                                const QStringList& items,
                                                const std::optional<QString>& hostFolder) const {
    restore::RestoreRequest request;
    request.archive = archive;
    request.password = password;
    request.choice.identities = identities;
    request.choice.items = items;
    if (hostFolder) {
        request.destination = restore::RestoreRequest::Destination::Folder;
        request.folder = *hostFolder;
    } else {
        request.safetyFolder = ctx_.settings().backupDir;
        if (request.safetyFolder.isEmpty()) request.safetyFolder = ctx_.settings().documentsFolder;
    }
    return request;
}

} // namespace app
