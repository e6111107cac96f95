#pragma once
// One restore as every caller runs it (the command line now, the windows
// next): the archive is read through the library that wrote it, checked and
// extracted into a private folder first; then its entries go either below a
// folder, keeping the archive's layout, or back into the mail client of the
// current prefix - after a safety backup of what the client holds now - with
// the registry dumps imported by Wine's own registry editor.

#include "platform/PrefixLock.h"
#include "restore/restorers/Restorer.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>
#include <optional>

namespace backup {
struct ArchiveEntry;
class BackupJob;
class SqxLibrary;
} // namespace backup
namespace base {
class Interaction;
}
namespace clients {
class ClientCatalogue;
}
namespace platform {
class PlacementJournal;
}

namespace restore {

class CheckedDump;
struct UndoRecord;

struct RestoreRequest {
    enum class Destination { Client, Folder };
    QString archive; // host path of the archive or of its ".001" volume
    QString password;
    RestoreChoice choice;
    Destination destination = Destination::Client;
    QString folder;       // Folder: host path
    QString safetyFolder; // Client: Windows path of the folder for the safety backup
};

struct RestoreReport {
    enum class Kind {
        Restored,
        Failed,        // error says why; placed lists what was written before
        Refused,       // nothing was changed; error says why
        ClientRunning, // the guard held it back; nothing was changed
    };
    Kind kind = Kind::Failed;
    QString error;
    QString emailClient;
    int clientCode = 0;
    QStringList identities;
    QStringList items;
    QStringList placed;       // Windows paths (client) or host paths (folder) written
    QStringList removed;      // Windows paths an undo removed (files a restore had added)
    QStringList imported;     // dumps imported into the prefix's registry
    QStringList undetermined; // entries whose place could not be found, not restored
    QStringList rewrites;     // "<entry>: <old folder> -> <new folder> (n)"
    QStringList oldPaths;     // entries that may hold an old path, left as they were
    QString safetyArchive;    // Windows path of the backup taken before the restore
    QString headline;         // one line for a person: completed, with errors, or not
    int libraryCode = 0;      // the archiving library's result when reading failed
    bool aborted = false;     // stopped on request before the next file; placed stays listed
    bool ok() const { return kind == Kind::Restored; }
};

class RestoreJob {
public:
    struct Deps {
        backup::BackupJob& backupJob;
        const backup::SqxLibrary& library;
        platform::Registry& registry;
        const platform::Files& files;
        clients::ClientCatalogue& catalogue;
        base::Interaction& ui;
        // The running-client guard: true holds the restore back.
        std::function<bool(int clientCode)> clientRunning;
    };
    explicit RestoreJob(Deps deps);

    // One line per step for a person watching a long restore.
    std::function<void(const QString& line)> progress;
    // Asked before each file is placed: true stops the restore there.
    std::function<bool()> stopRequested;
    // The message table of the language in use; a key it lacks (or no table)
    // reads as the built-in English.
    std::function<QString(const QString& key)> messages;
    // How long a direct restore waits while another run works on the prefix.
    int lockWaitMs = platform::kPrefixLockWaitMs;

    // What the archive holds: client, identities and items by the manifest's
    // names (kind Restored when it could be read).
    RestoreReport Inspect(const QString& archive, const QString& password);
    RestoreReport Run(const RestoreRequest& request);

    // Wine's registry editor is there to import the dumps.
    static bool RegeditAvailable();
    // "Before restore - EudoraBackup 10-02-2003 14-05-33.ebk": never matched
    // by the rotation of the client's backups.
    static QString SafetyFileName(int clientCode);

private:
    void say(const QString& line) const;
    QString text(const QString& key, const QString& english) const;
    RestoreReport finish(RestoreReport report) const;
    RestoreReport run(const RestoreRequest& request);
    bool safetyBackup(int clientCode, const QString& folder,
                      const QList<backup::ArchiveEntry>& undoEntries, RestoreReport& report,
                      bool recordOnly = false);
    // The record of what is about to change (files to replace, create or
    // remove; keys to import, create or delete), for the safety backup.
    std::optional<QList<backup::ArchiveEntry>>
    recordUndo(const QString& staging, const QStringList& paths, const QStringList& keys,
               const QStringList& dumps, RestoreReport& report);
    // Restoring a safety archive in the prefix it was taken in.
    RestoreReport undo(const UndoRecord& record, const QString& staging,
                       const RestoreRequest& request, RestoreReport report);
    bool placeFiles(const QString& staging, const RestorePlan& plan, RestoreReport& report);
    bool importDumps(const QStringList& dumps, const std::vector<CheckedDump>& checked,
                     RestoreReport& report);
    void rewritePaths(const QString& staging, const QStringList& entries, bool dumps,
                      const class PathRewrite& rw, RestoreReport& report);
    RestoreReport toFolder(const QString& staging, const RestorePlan& plan,
                           const RestoreRequest& request, RestoreReport report);

    Deps d_;
    platform::PlacementJournal* journal_ = nullptr; // of the run at work
};

} // namespace restore
