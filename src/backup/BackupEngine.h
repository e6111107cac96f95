#pragma once
// The backup engine of the process: the archiving library, the archive file
// list with its task table, the archive writer and the outcome of the last
// backup. RunBackup hands one request to the collector of its client code.

#include "backup/ArchiveList.h"
#include "backup/BackupRequest.h"
#include "backup/BackupState.h"
#include "backup/SqxDriver.h"
#include "backup/SqxLibrary.h"

#include <QString>
#include <QStringList>

namespace platform {
class Registry;
class Files;
} // namespace platform
namespace regdump {
class RegistryDump;
}
namespace base {
class Interaction;
struct Settings;
} // namespace base

namespace backup {

struct BackupContext;
class AbortToken;
class ProgressDisplay;
using CollectorFn = bool (*)(BackupContext& ctx, const BackupRequest& request);

// The collector for a client code; nullptr for a code without one.
CollectorFn CollectorFor(int clientCode);

// What one run works with beyond the engine's own objects; null members
// take the engine's interaction, no progress display, no abort token.
struct RunFor {
    base::Interaction* ui = nullptr;
    ProgressDisplay* progress = nullptr;
    AbortToken* abort = nullptr;
    const QList<ArchiveEntry>* extraEntries = nullptr; // stored besides the collector's
    bool extrasOnly = false;                           // and nothing else
};

class BackupEngine {
public:
    struct Deps {
        platform::Registry& registry;
        const platform::Files& files;
        regdump::RegistryDump& dump;
        const base::Settings& settings;
        base::Interaction& ui;
        MessageLookup message;
        QString stagingFolder; // Windows path, no trailing '\'
        // The catalogue's Netscape 6/7 profile-path list, which outlives the engine.
        const QStringList* netscapeProfilePaths = nullptr;
    };
    explicit BackupEngine(Deps deps);
    BackupEngine(const BackupEngine&) = delete;
    BackupEngine& operator=(const BackupEngine&) = delete;

    // Loads the library from programHostFolder; false when it is missing or
    // lacks an entry point (library().error() says which).
    bool LoadSqx(const QString& programHostFolder);

    // Returns true when the backup failed. A code without a collector does
    // nothing and gives false; a request beyond 20 identities or items is
    // refused as a failure, and so is a call while a run is at work.
    // Callers outside the engine's tests go through BackupJob.
    bool RunBackup(const BackupRequest& request, RunFor run = {});
    bool running() const { return running_; }
    // RunBackup with the writer in list-only mode: the collector dumps and
    // lists as always (its staging files included), but nothing is archived
    // and the library is not needed. list() then holds every entry the backup
    // would store. Returns true when the collector reported a failure.
    bool DryRun(const BackupRequest& request);

    BackupState& state() { return state_; }
    SqxDriver& driver() { return driver_; }
    ArchiveList& list() { return list_; }
    SqxLibrary& library() { return library_; }
    const QString& stagingFolder() const { return d_.stagingFolder; }
    const platform::Files& files() const { return d_.files; }
    const platform::Registry& registry() const { return d_.registry; }
    const base::Settings& settings() const { return d_.settings; }

private:
    Deps d_;
    SqxLibrary library_;
    ArchiveList list_;
    BackupState state_;
    SqxDriver driver_;
    bool running_ = false;
};

} // namespace backup
