#pragma once
// Reading a backup back through the archiving library that wrote it: the
// listing, the full check of every entry, and the extraction into a folder.
// The password travels in the options record and answers the library's
// password question; it is never asked for here.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace backup {
class SqxLibrary;
}

namespace restore {

struct ArchiveEntry {
    QString name; // as stored, '/' separated; folders end with '/'
    qint64 size = 0;
    bool isFolder = false;
    bool encrypted = false;
};

// The outcome of one library call.
struct ReadOutcome {
    std::int32_t code = 0;
    QString entry;       // the entry at fault, when the library names one
    QStringList refused; // entries that would have left the folder (extract)
    bool ok() const { return code == 0; }
    // One sentence for a person: what went wrong, and with which entry.
    QString text() const;
};

// Library result codes the restore acts on.
enum : std::int32_t {
    kReadAborted = 2926,
    kReadNotFound = 2952,
    kReadBadArchive = 2954,
    kReadBadData = 2955,
    kReadPasswordNeeded = 2956,
    kReadBadPassword = 2957,
    kReadRefusedEntry = 2961,
    kReadMissingVolume = 2963, // entry names the volume
    kReadNotAFile = 2964,      // a volume that is a pipe, device or folder; entry names it
};

class ArchiveReader {
public:
    // archive: host path of the archive or of the ".001" volume of a set.
    ArchiveReader(const backup::SqxLibrary& library, QString archive, QString password);

    // Called with each entry as the library begins it; false stops the call.
    using EntryFn = std::function<bool(const QString& entry)>;

    ReadOutcome list(QList<ArchiveEntry>& entries) const;
    ReadOutcome test(const EntryFn& onEntry) const;
    // Writes every entry below hostFolder (made before); refused entries are
    // named in the outcome and nothing is written for them.
    // masks: only the entries whose stored names match (empty: every entry).
    ReadOutcome extract(const QString& hostFolder, const EntryFn& onEntry,
                        const QStringList& masks = {}) const;

private:
    ReadOutcome read(bool extracting, const QString& hostFolder, const EntryFn& onEntry,
                     const QStringList& masks) const;

    const backup::SqxLibrary& library_;
    QString archive_;
    QString password_;
};

} // namespace restore
