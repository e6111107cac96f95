#pragma once
// The binary hive files of a Windows installation (NTUSER.DAT, UsrClass.dat,
// the machine's SOFTWARE and SYSTEM), read through libhivex and handed to the
// registry as the same tree the Wine text hives give, so nothing above this
// layer can tell them apart. A hive is only ever opened for reading.

#include "platform/HiveFile.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

// What a hive's base block and the transaction logs beside it say.
struct WindowsHiveState {
    // Windows stopped with changes not yet written into the hive itself: the
    // base block's two sequence numbers differ.
    bool dirty = false;
    // Host paths of the .LOG1/.LOG2 files beside the hive that hold those changes.
    QStringList pendingLogs;
};

// Checks that the file exists, is a whole hive (not cut short) and reads its
// base block. Fails naming the file. A dirty hive is no error here.
Result<WindowsHiveState> inspectWindowsHive(const QString& hostPath);

// The check above, a walk through every key, and then a refusal of a dirty
// hive whose logs are beside it: reading it would give an older state than
// the one Windows last saw. A hive that cannot be walked fails naming the
// key where reading stopped; the values left out are added to `problems`.
Status checkWindowsHive(const QString& hostPath, QStringList* problems = nullptr);

// Every key and value of the hive, with its type and bytes as Windows stored
// them (string values UTF-16LE, as the Wine source holds them; a name that is
// not valid UTF-16 as stored; a type hivex does not know as its number).
// Fails naming the file, and the key, when it cannot be opened or walked. A
// value whose data cannot be read is left out and described in `problems`.
Result<HiveFile> readWindowsHive(const QString& hostPath, QStringList* problems = nullptr);

// The values of one key only ('\'-separated, names without regard to case),
// nothing else of the hive read; empty when the key is absent.
Result<std::vector<RegValue>> readWindowsHiveValues(const QString& hostPath,
                                                    const QString& keyPath);

} // namespace platform
