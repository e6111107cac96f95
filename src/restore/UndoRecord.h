#pragma once
// What a direct restore is about to change, kept in its safety archive beside
// the client's backup so that restoring that archive is a true undo: every
// file it replaces (its bytes), every file and folder it creates (removed
// again), every registry key it touches (exported whole as it is now) and
// every key it creates (deleted again).
//
// Kept in the archive as "UndoRestore/undo.ini" (UTF-8) with the files and
// key exports below "UndoRestore/". An archive without it restores as any
// backup does. Read back, the record is data from a file like any other: its
// paths and keys are checked before anything is done with them.

#include "backup/ArchiveList.h"
#include "platform/Registry.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {
class Files;
}

namespace restore {

struct UndoRecord {
    struct Replaced {
        QString winPath;
        QString entry; // archive name of the bytes it had
    };
    struct CreatedKey {
        QString key;   // "HKEY_CURRENT_USER\..." as the restore's dump names it
        QString chain; // its highest ancestor that was missing too (or the key itself)
    };
    struct TouchedKey {
        QString key;
        QString entry; // archive name of the export of the whole key
    };
    QString prefix; // host folder of the prefix the record was taken in
    QStringList createdFiles;
    QStringList createdFolders; // deepest first
    QList<Replaced> replaced;
    QList<CreatedKey> createdKeys;
    QList<TouchedKey> touchedKeys;

    static constexpr const char* kFolder = "UndoRestore";
    // An entry of the record rather than of the client's backup.
    static bool IsRecordEntry(const QString& entry);
    // The record below the folder an archive was extracted into; nothing when
    // the archive has none. Errors say what in the record cannot be used.
    static std::optional<platform::Result<UndoRecord>> Read(const QString& stagingHost);
};

// "HKEY_CURRENT_USER\A\B" -> root and "A\B"; nothing for another root or a
// path with empty components.
std::optional<std::pair<platform::HKEY, QString>> SplitKey(const QString& key);
// The keys a dump writes or deletes, each once, none below another of them.
QStringList DumpTopKeys(const QByteArray& dump);

// Why a path the record names may not be written or removed; empty when it
// may: a name a destination may have, on this prefix's own C:, not below
// C:\windows, no link on the way.
QString UndoPathRefusal(const platform::Files& files, const QString& winPath);
// Builds the record of one restore in a private folder of its own.
class UndoRecorder {
public:
    UndoRecorder(platform::Registry& registry, const platform::Files& files,
                 const QString& workHost);

    void addFile(const QString& winPath); // to be replaced or created
    void addDump(const QByteArray& dump); // its keys, to be touched or created
    void addKey(const QString& key);

    // Writes undo.ini and the key exports; the entries the safety backup stores
    // besides the client's own (the replaced files are read where they are).
    platform::Result<QList<backup::ArchiveEntry>> write();

private:
    platform::Registry& registry_;
    const platform::Files& files_;
    QString work_;
    QStringList paths_;
    QStringList keys_;
    QString error_;
};

} // namespace restore
