#pragma once
// What a collector works with during one backup: the shared objects of the
// backup engine and the job state that is fresh for every call of RunBackup.

#include <QList>
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
} // namespace base

namespace backup {

class ArchiveList;
struct ArchiveEntry;
class SqxDriver;
struct BackupState;

struct JobState {
    QString applicationDataFolder; // stored by collectors that read it
};

struct BackupContext {
    platform::Registry& registry;
    const platform::Files& files;
    regdump::RegistryDump& dump;
    ArchiveList& list;
    SqxDriver& driver;
    BackupState& state;
    base::Interaction& ui;
    QString stagingFolder; // Windows path, no trailing '\'
    JobState job;
    // The Netscape 6/7 profile folders that the identity enumeration found, in
    // identity order; null when no enumeration is at hand.
    const QStringList* netscapeProfilePaths = nullptr;
    // Entries the caller adds to the archive after the collector's; may be null.
    const QList<ArchiveEntry>* extraEntries = nullptr;
};

} // namespace backup
