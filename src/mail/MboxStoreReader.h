#pragma once
// Reads the mbox-like stores of the old clients, where messages follow one another in
// one file, each after a separator line of the client's own form; streaming, one line
// at a time, so that no whole store is held in memory. The separator lines are left
// out; a message's bytes are otherwise as the store holds them (quoted "From " lines
// stay quoted: no reader can tell which ones the client quoted).
//
//   Eudora (.mbx), PocoMail (.mbx): every line that starts "From ???@??? ".
//   Netscape 4, Mozilla, Opera 6 (.mbs): a line that starts "From " at the start of the
//   file or after an empty line.
//
// Eudora's .toc beside a mailbox gives each message's place and status: read with
// eudoraStatuses() and handed in, it marks the messages that start where it says.

#include "mail/MessageSink.h"

#include <QHash>
#include <QIODevice>

namespace mail {

class MboxStoreReader {
public:
    enum class Rule { EudoraStyle, AfterEmptyLine };
    struct Outcome {
        qint64 written = 0;
        QString error; // the sink or the device failed: the read stopped there
    };

    MboxStoreReader(QIODevice& in, Rule rule) : in_(in), rule_(rule) {}
    // Status by the offset of a message's separator line.
    void setStatuses(QHash<qint64, MessageStatus> statuses) { statuses_ = std::move(statuses); }
    Outcome read(MessageSink& sink);

private:
    QIODevice& in_;
    Rule rule_;
    QHash<qint64, MessageStatus> statuses_;
};

// The status Eudora's table of contents (.toc) keeps for each message of its mailbox,
// by the message's offset in the .mbx: a 104-byte header with the count at 102, then a
// 218-byte record per message with its offset at 0 and its state at 12 (as described
// in the comp.mail.eudora.ms-windows postings on the .toc structure). Nothing for a
// file that does not have that shape.
QHash<qint64, MessageStatus> eudoraStatuses(QIODevice& toc);

} // namespace mail
