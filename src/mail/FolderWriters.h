#pragma once
// The two kinds of folder writer behind MailTarget.

#include "mail/MessageSink.h"

#include <QFile>
#include <QString>

namespace mail {

// Counts and the damaged-message place, common to both formats.
class FolderWriter : public MessageSink {
public:
    FolderWriter(QString damagedDir, QString name) : damagedDir_(damagedDir), name_(name) {}
    QString error() const override { return error_; }
    qint64 written() const { return written_; }
    qint64 damaged() const { return damaged_; }

protected:
    // <damaged>/<folder name>.<position>.eml
    QString damagedPath(qint64 position);
    bool fail(const QString& what, const QFile& f);

    QString damagedDir_;
    QString name_;
    QString error_;
    qint64 written_ = 0;
    qint64 damaged_ = 0;
};

// One file per message: written into tmp/, renamed into cur/ with its flags when
// whole (the Maildir delivery rule: a reader never sees half a message).
class MaildirFolder final : public FolderWriter {
public:
    MaildirFolder(const QString& dir, const QString& damagedDir, const QString& name,
                  quint64& sequence);
    bool ready() const { return error_.isEmpty(); }
    bool begin(const MessageStatus& status) override;
    bool beginDamaged(qint64 position) override;
    bool append(QByteArrayView bytes) override;
    bool commit() override;
    void abort() override;

private:
    bool open(const QDateTime& when);
    QString dir_;
    quint64& sequence_;
    QFile file_;
    QString unique_;
    QString flags_;
    qint64 damagedAt_ = -1;
};

// One mbox file, mboxrd quoting: a "From " line before each message, a blank line
// after it, and one more '>' before every line that starts with ">*From ". The
// status goes into Status/X-Status lines at the end of the message's header.
class MboxFolder final : public FolderWriter {
public:
    MboxFolder(const QString& path, const QString& damagedDir, const QString& name);
    bool ready() const { return error_.isEmpty(); }
    bool begin(const MessageStatus& status) override;
    bool beginDamaged(qint64 position) override;
    bool append(QByteArrayView bytes) override;
    bool commit() override;
    void abort() override;

private:
    bool put(QByteArrayView bytes);
    bool endOfHeader(QByteArrayView eol);
    QFile file_;
    QFile damagedFile_;
    bool inDamaged_ = false;
    qint64 start_ = 0;
    QByteArray statusLines_; // without line ends: "Status: RO\nX-Status: AF\n"
    // Where in a line the quoting is: at its start, how many '>' were seen, how much
    // of "From " matched; or past the point where it matters.
    bool lineStart_ = true;
    qint64 quotes_ = 0;
    int fromMatched_ = 0;
    bool inHeader_ = true;
    bool pendingCr_ = false; // a CR at the start of a header line: maybe its end
    char last_ = '\n';
};

} // namespace mail
