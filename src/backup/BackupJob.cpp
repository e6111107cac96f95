#include "backup/BackupJob.h"

#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "platform/Files.h"
#include "platform/SourceCheck.h"

namespace backup {

BackupJob::BackupJob(BackupEngine& engine, GuardFn clientRunning)
    : engine_(engine), clientRunning_(std::move(clientRunning)) {}

JobOutcome BackupJob::Run(const JobRequest& request, base::Interaction& ui,
                          ProgressDisplay* progress, AbortToken* abort) {
    using Kind = JobOutcome::Kind;
    if (running_ || engine_.running())
        return {Kind::Busy, QStringLiteral(" Another backup is still at work."), {}};
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    } running(running_);

    // Nothing to ask the person about a client that cannot be backed up.
    if (!CollectorFor(request.clientCode)) return {Kind::NoCollector, {}, {}};
    const auto made = MakeBackupRequest(request.targetPath, request.clientCode, request.identities,
                                        request.items);
    if (!made) return {Kind::Failed, QLatin1Char(' ') + made.error().message, {}};
    // A prefix that is gone reads like one without mail: backing it up would
    // replace the last good archive with an empty one.
    if (const platform::Status source =
            platform::checkBackupSource(engine_.files().drives().prefixDir());
        !source)
        return {Kind::Failed, QLatin1Char(' ') + source.message(), {}};
    if (clientRunning_ && clientRunning_(request.clientCode)) return {Kind::ClientRunning, {}, {}};

    BackupState& state = engine_.state();
    state.resetForRun();
    engine_.driver().setRunPassword(engine_.settings().backupPassword);
    const bool failed = engine_.RunBackup(made.value(), RunFor{&ui, progress, abort});
    if (state.BackupAborted) return {Kind::Aborted, {}, {}};
    if (failed || state.BackupFailed) return {Kind::Failed, state.BackupErrorText, {}};

    JobOutcome done{Kind::Succeeded, {}, {}};
    if (request.rotate)
        done.deleted =
            RotateBackups(engine_.files(), request.clientCode, request.targetPath, *request.rotate);
    return done;
}

} // namespace backup
