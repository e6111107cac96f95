#pragma once
// A real backup of a sample client, taken apart, changed as an attacker would
// and put back together as a plain ZIP: what anyone can mail to a user. The
// restore job over the same prefix, and snapshots that tell whether anything
// inside or outside the prefix changed.

#include "support/BackupRig.h"

#include "backup/BackupJob.h"
#include "restore/RestoreJob.h"

#include <functional>
#include <map>
#include <vector>

namespace testsupport {

// Every file, folder and link below a host folder: relative name -> bytes
// (a link: "-> target"; a folder: "<folder>").
std::map<QString, QByteArray> treeSnapshot(const QString& folder);
// The names that differ between two snapshots, each with how.
QStringList treeDifferences(const std::map<QString, QByteArray>& before,
                            const std::map<QString, QByteArray>& after);

struct RestoringRig : BackupRig {
    backup::BackupJob backupJob{*engine, [](int) { return false; }};
    restore::RestoreJob job{restoreDeps(backupJob, [](int) { return false; })};
    // A backup of every identity and item of the client into archive().
    bool backUp(int code);
    // A direct restore of archive() into the prefix.
    restore::RestoreReport restoreDirectly();
};

class HostileArchive {
public:
    struct Entry {
        QString name; // as stored, never normalised
        QByteArray bytes;
    };
    // The entries of `zip`, in their order; empty (with ok() false) when it cannot be read.
    explicit HostileArchive(const QString& zip);
    bool ok() const { return ok_; }

    std::vector<Entry>& entries() { return entries_; }
    // The entry named `tail`, else the first whose name ends with it (without
    // regard to case); null when none.
    Entry* find(const QString& tail);
    // A registry dump entry with `fix` applied to every text value; false when
    // the entry is missing, not a dump or nothing changed.
    bool rewriteDump(const QString& tail, const std::function<QString(const QString&)>& fix);
    // An INI entry with one value set (section and key as written by the backup).
    bool setIniValue(const QString& tail, const QString& section, const QString& key,
                     const QString& value);

    // Writes the entries as a ZIP over `zip`; false (with the reason logged) on failure.
    bool write(const QString& zip) const;

private:
    std::vector<Entry> entries_;
    bool ok_ = false;
};

// "Z:\..." of a host path, as a backup from someone else could name it.
QString zPath(const QString& hostPath);

// Attacks as rows of a table: a client, and how its real backup (and, when
// the attack needs it, the prefix) is changed.
namespace hostile {

struct Scene {
    support::SamplePrefix& prefix;
    QString beside; // a folder beside the prefix, holding a canary
    QString folder; // set: the restore goes below this host folder (/p:)
    QString skip;   // set: why the row cannot run here
    std::vector<std::function<void()>> undo;
};
using Mutation = std::function<bool(HostileArchive&, Scene&)>;
using Value = std::function<QString(const Scene&)>;

Value fixed(const QString& text);
Value inHome(const QString& rest = {});      // "Z:\<home><rest>"
Value inPrefixUser(const QString& withUser); // %1: the prefix's Windows user

Mutation all(std::vector<Mutation> steps);
Mutation add(const QString& entry, const QByteArray& bytes = "evil");
Mutation addBeside(const QString& like, const QString& name); // in the folder of `like`
Mutation duplicate(const QString& tail);                      // a second entry of that name
Mutation rename(const QString& tail, const QString& name);
// Every text value of the dump that contains `containing` becomes the value.
Mutation dumpText(const QString& entry, const QString& containing, Value value);
Mutation ini(const QString& entry, const QString& section, const QString& key, Value value);
// The prefix's file (a Windows path, %1: the user) made immutable for the restore.
Mutation immutable(const QString& withUser);
// The prefix's folder (%1: the user) on a small file system of its own with
// `room` bytes free beyond what it holds (a tmpfs; needs the right to mount).
Mutation smallDisk(const QString& withUser, qint64 room);
// A folder restore into a folder beside the prefix whose `entry` is a link to the canary.
Mutation intoFolderWithLink(const QString& entry);

struct Outcome {
    restore::RestoreReport report;
    QStringList changed; // inside the prefix (files, both hives), in $HOME, beside the prefix
    QString skip;
    QString setUpError;
};
// A prefix with every client; the client's backup changed by `mutate` and restored.
Outcome attack(int client, const Mutation& mutate);

} // namespace hostile

} // namespace testsupport
