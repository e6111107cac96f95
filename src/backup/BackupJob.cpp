#include "backup/BackupJob.h"

#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/PrefixLock.h"
#include "platform/Registry.h"
#include "platform/SourceCheck.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace backup {

namespace {
// What the archiving library adds to the target's name for the temporary
// name it writes under (".sqxtmp-<process>-<tag>") and a volume's number,
// with room to spare.
constexpr int kTemporaryNameRoom = 40;

// Makes the missing folders of the target, for every caller alike; made
// receives them. Empty, or why the target cannot take the archive.
QString prepareTarget(const platform::Files& fs, const QString& target, QStringList& made) {
    if (const platform::Status fits = fs.fitsFileSystem(target, kTemporaryNameRoom);
        fits.code() == platform::kFilenameTooLong)
        return QStringLiteral(" The archive cannot be written: %1.").arg(fits.message());
    const QString folder = platform::extractFilePath(target);
    if (folder.isEmpty() || fs.directoryExists(folder)) return {};
    if (const platform::Status st = fs.createDirectories(folder, &made); !st)
        return QStringLiteral(" The folder %1 cannot be made: %2.").arg(folder, st.message());
    return {};
}
} // namespace

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
    // One backup or restore of a prefix at a time: the archive would hold a mix of two states.
    const platform::DriveMap& drives = engine_.files().drives();
    platform::PrefixLock prefixLock;
    if (const QString source =
            drives.prefixDir().isEmpty() ? drives.windowsRoot() : drives.prefixDir();
        !source.isEmpty()) {
        const platform::Status locked = prefixLock.acquire(
            QFileInfo(engine_.registry().config().ownHivePath).absolutePath(), source, lockWaitMs);
        if (!locked) return {Kind::Busy, QStringLiteral(" %1.").arg(locked.message()), {}};
    }
    // A prefix that is gone reads like one without mail: backing it up would
    // replace the last good archive with an empty one.
    if (const platform::Status source = platform::checkBackupSource(
            engine_.files().drives().prefixDir(),
            engine_.registry().config().windows ? &*engine_.registry().config().windows : nullptr);
        !source)
        return {Kind::Failed, QLatin1Char(' ') + source.message(), {}};
    // Asked to be protected, never written without: the person would trust
    // a password that is not there.
    const base::Settings& settings = engine_.settings();
    const QString password = base::ArchivePassword(settings);
    if (settings.backupUsePsw && password.isEmpty())
        return {Kind::Failed,
                QStringLiteral(" The backup is to be protected with a password, but no password "
                               "is set; nothing was written."),
                {}};
    if (clientRunning_ && clientRunning_(request.clientCode)) return {Kind::ClientRunning, {}, {}};

    QStringList madeFolders;
    if (const QString refusal = prepareTarget(engine_.files(), request.targetPath, madeFolders);
        !refusal.isEmpty())
        return {Kind::Failed, refusal, {}};
    // A run that leaves no archive leaves no empty folders either.
    auto unmake = qScopeGuard([&] {
        for (auto it = madeFolders.crbegin(); it != madeFolders.crend(); ++it)
            (void)engine_.files().removeEmptyFolder(*it);
    });

    BackupState& state = engine_.state();
    state.resetForRun();
    engine_.driver().setRunPassword(password);
    const bool failed = engine_.RunBackup(
        made.value(), RunFor{&ui, progress, abort, &request.extraEntries, request.extrasOnly});
    if (state.BackupAborted) return {Kind::Aborted, {}, {}};
    if (failed || state.BackupFailed) return {Kind::Failed, state.BackupErrorText, {}};

    unmake.dismiss();
    JobOutcome done{Kind::Succeeded, {}, {}};
    if (request.rotate)
        done.deleted =
            RotateBackups(engine_.files(), request.clientCode, request.targetPath, *request.rotate);
    return done;
}

} // namespace backup
