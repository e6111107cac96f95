#pragma once
// Reading a backup back through the archiving library that wrote it: the
// listing, the full check of every entry, and the extraction into a folder.
// The password travels in the options record and answers the library's
// password question; only a caller's question (setPasswordQuestion) asks a
// person for it.

#include "sqx/sqx.h"

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
    qint64 modified = 0; // seconds since 1970, UTC
};

// The outcome of one library call.
struct ReadOutcome {
    std::int32_t code = 0; // SQX_OK, or SQX_E_* of sqx/sqx.h
    QString entry;         // the entry at fault, when the library names one
    QStringList refused;   // entries that would have left the folder (extract)
    QStringList kept;      // files already in the folder, left as they were (extract)
    bool ok() const { return code == 0; }
    // One sentence for a person: what went wrong, and with which entry.
    QString text() const;
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

    // Asked once, when the library wants a password and none was given; its
    // answer is the password from then on (empty: none).
    void setPasswordQuestion(std::function<QByteArray()> ask) { ask_ = std::move(ask); }

private:
    ReadOutcome read(bool extracting, const QString& hostFolder, const EntryFn& onEntry,
                     const QStringList& masks) const;

    const backup::SqxLibrary& library_;
    QString archive_;
    QString password_;
    std::function<QByteArray()> ask_;
};

} // namespace restore
