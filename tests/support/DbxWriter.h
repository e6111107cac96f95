#pragma once
// Writes Outlook Express 5/6 stores (.dbx) as the client lays them out, for the sample
// prefixes and the mail export's tests: the file header, the file info, each message
// as a chain of 0x200-byte text blocks followed by its info record (flags, dates,
// subject, the chain's start), and at the end the index tree over the records.
// Messages go to the file as they are added; only the records' offsets are kept.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>

namespace support {

class DbxWriter {
public:
    // Message stores, the folder list, and the POP3 list and offline file beside them.
    enum class Kind { Messages, Folders, Pop3Uidl, Offline };
    // The store's own status bits, as a message's flags hold them.
    enum Flag : quint32 { Marked = 0x20, Read = 0x80, Answered = 0x80000, Forwarded = 0x100000 };

    DbxWriter(const QString& path, Kind kind);
    DbxWriter(const DbxWriter&) = delete;
    DbxWriter& operator=(const DbxWriter&) = delete;

    // A message: its bytes, flags and arrival time (seconds since 1970).
    void addMessage(const QByteArray& message, quint32 flags = Read, qint64 received = 1049187600);
    // A folder record of the folder list; parent 0xFFFFFFFF for the root.
    void addFolder(quint32 id, quint32 parent, const QByteArray& name, const QByteArray& file);

    // A record of a store that is neither: its number and one string.
    void addRecord(quint32 id, const QByteArray& text);

    qint64 size() const { return at_; }
    // Where each message's chain starts, in the order added.
    const QList<quint32>& chains() const { return chains_; }
    // Writes the index tree and the header.
    bool finish();

private:
    struct Field {
        int index;
        quint32 direct;
        QByteArray data; // stored in the data area when not empty
    };
    quint32 put(const QByteArray& bytes); // at the end; its offset
    quint32 putInfo(const QList<Field>& fields);
    quint32 putTree(qsizetype from, qsizetype count, quint32 parent, int nodeId);

    QFile f_;
    bool ok_ = false;
    qint64 at_ = 0;
    QList<quint32> records_;
    QList<quint32> chains_;
};

// A message store of these messages, all with the same flags; where their chains start
// (nothing when it could not be written).
QList<quint32> writeDbx(const QString& path, const QList<QByteArray>& messages,
                        quint32 flags = DbxWriter::Read);

// Changes a written file in place (a store spoilt on purpose).
bool rewriteFile(const QString& path, const std::function<void(QByteArray&)>& change);

// Breaks the chain of one message of a written store: the block after its first one
// no longer carries its own offset.
bool breakDbxChain(const QString& path, quint32 chainStart);

} // namespace support
