#pragma once
// Reads an Outlook Express 5/6 store (.dbx) from a random-access device, one block at a
// time: the file header, the index tree of the store's records, each message's info
// record (status, dates) and its chain of text blocks. Nothing of the file is trusted:
// every offset is checked against the file and against the object's own marker, every
// walk is bounded, so a truncated or garbled file gives named problems, never a crash
// or a loop. A message whose chain breaks goes to the sink as a damaged one (the text
// read up to the break); the others are read on.
//
// The layout follows Arne Schloh's public description of the format ("OE dbx file
// format": the pages 'file header', 'tree', 'indexed info', 'message info', 'message'
// and 'folder info').

#include "mail/MessageSink.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace mail {

class DbxReader {
public:
    enum class Kind { Messages, Folders, Other };
    struct Folder {
        quint32 id = 0;
        quint32 parent = 0; // 0xFFFFFFFF for the tree's root
        QString name;
        QString file; // the .dbx of its messages; empty for folders without one
    };
    struct Outcome {
        qint64 found = 0; // messages listed in the index
        qint64 written = 0;
        qint64 damaged = 0;
        QStringList problems; // what was wrong in the store, one line each
        QString error;        // set when the sink failed: the read stopped there
    };

    explicit DbxReader(QIODevice& in);
    // Checks the header; false, and error() names what the file is not, otherwise.
    bool open();
    Kind kind() const { return kind_; }
    QString error() const { return error_; }

    // Every message of a message store, in the index's order.
    Outcome readMessages(MessageSink& sink);
    // The folder records of the folder list (Folders.dbx); problems go to `problems`.
    QList<Folder> folders(QStringList* problems);
    // A folder's names from the top, the tree's root left out; empty when the
    // parents do not lead up to a root (a loop, a missing parent).
    static QStringList folderPath(const QList<Folder>& folders, quint32 id);

private:
    struct Info;
    template <typename Visit> void walkTree(QStringList& problems, Visit&& visit);
    std::optional<Info> readInfo(quint32 at, QStringList& problems);
    bool readAt(qint64 at, char* to, qint64 size);
    // Sends the chain from `first` to the sink; the offset of the break, or 0 when whole.
    qint64 sendChain(quint32 first, MessageSink& sink, bool* sinkFailed);

    QIODevice& in_;
    qint64 size_ = 0;
    Kind kind_ = Kind::Other;
    quint32 listed_ = 0; // the record count in the header
    quint32 root_ = 0;
    QString error_;
};

} // namespace mail
