#pragma once
// One backup as every caller runs it ("/b", "/auto", the main window, the
// wizard, the progress window): the running-client guard, the collector and
// the archive writer, then - for the unattended run - the rotation of older
// archives. The caller learns the outcome from the value Run returns; the
// engine's BackupState is the job's own view of the run in progress.

#include "backup/ArchiveList.h"
#include "backup/BackupFiles.h"
#include "backup/BackupRequest.h"
#include "platform/PrefixLock.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace base {
class Interaction;
}

namespace backup {

class BackupEngine;
class ProgressDisplay;

// What a caller asks for. Lists as long as the client has them; the job
// refuses more than a request can carry.
struct JobRequest {
    int clientCode = 0;
    QString targetPath; // full Windows path of the archive
    QList<Selected> identities;
    QList<Selected> items;
    // Set by the unattended run: older archives are thinned out after a
    // successful backup, never after a failed one.
    std::optional<RotateOptions> rotate;
    // Stored after the collector's own entries, with the same checks (a
    // restore's record of what it is about to change).
    QList<ArchiveEntry> extraEntries;
    // Only those, without the collector's: a record that stands alone (its
    // manifest among them) where the client's data cannot be read now.
    bool extrasOnly = false;
};

// Set by whoever may stop a run (the Abort button, closing the main window);
// the archive writer stops at its next callback.
class AbortToken {
public:
    void request() { requested_ = true; }
    bool requested() const { return requested_; }

private:
    bool requested_ = false;
};

struct JobOutcome {
    enum class Kind {
        Succeeded,
        Failed,        // text says why, as appended to "Message20"
        Aborted,       // the person stopped it
        ClientRunning, // the guard held it back; the guard has said why
        NoCollector,   // no collector for the client code: nothing was done
        Busy,          // another backup of this process was still at work
    };
    Kind kind = Kind::Failed;
    QString text;
    QStringList deleted; // older archives the rotation removed

    bool succeeded() const { return kind == Kind::Succeeded; }
};

class BackupJob {
public:
    // clientRunning: the running-client guard; true holds the backup back.
    using GuardFn = std::function<bool(int clientCode)>;
    BackupJob(BackupEngine& engine, GuardFn clientRunning);
    BackupJob(const BackupJob&) = delete;
    BackupJob& operator=(const BackupJob&) = delete;

    // progress and abort may be null. A second Run while one is at work (a
    // window handler reached through the event pumping of the first) is
    // refused with Busy and changes nothing.
    JobOutcome Run(const JobRequest& request, base::Interaction& ui, ProgressDisplay* progress,
                   AbortToken* abort);
    bool running() const { return running_; }
    // How long a backup waits while another run works on the prefix.
    int lockWaitMs = platform::kPrefixLockWaitMs;

private:
    BackupEngine& engine_;
    GuardFn clientRunning_;
    bool running_ = false;
};

} // namespace backup
