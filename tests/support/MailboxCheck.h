#pragma once
// Reads mail folders back with Python's `mailbox` module, the reader mail tools are
// built on, and with Debian's undbx: independent checks of what the mail export writes
// and reads.

#include "mail/DbxReader.h"
#include "mail/MessageSink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace support {

// One line per message that Python finds in the Maildir or mbox file, sorted:
// "<flags> <sha256 of the message>", the message as the writer was given it (for
// mbox: the Status/X-Status lines taken out and the mboxrd quoting undone).
// Empty with `error` set when Python cannot open it.
QStringList pythonMailbox(const QString& path, bool mbox, QString* error);
// The same line for a message as written: its bytes and flags.
QString mailboxLine(const QByteArray& message, const QString& flags);

// A sink that keeps what a reader hands over, whole messages and damaged ones apart.
struct CollectedMail : mail::MessageSink {
    QList<QByteArray> messages;
    QList<mail::MessageStatus> statuses;
    QList<qint64> damagedAt;
    QList<QByteArray> damaged;

    bool begin(const mail::MessageStatus& s) override;
    bool beginDamaged(qint64 position) override;
    bool append(QByteArrayView bytes) override;
    bool commit() override;
    void abort() override { current_.clear(); }
    QString error() const override { return {}; }

private:
    QByteArray current_;
    mail::MessageStatus status_;
    qint64 damagedAt_ = -1;
};

// Every message of a .dbx file into the sink; `opened` tells whether it was one, and
// the problems name why not.
mail::DbxReader::Outcome readDbx(const QString& path, CollectedMail& sink, bool* opened);

// The flag letters a reader finds for a status: Maildir's, or those Python's mbox
// reads from Status and X-Status.
QString expectedFlags(quint8 status, bool mbox);
// Where the export puts a folder: its Maildir or its mbox file.
QString folderLocation(const QString& root, QStringList path, bool mbox);

// The messages undbx extracts from a .dbx file, sorted by their bytes.
QList<QByteArray> undbxMessages(const QString& dbx, QString* error);

} // namespace support
