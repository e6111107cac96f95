#pragma once
// Messages as the old clients stored them, for the sample prefixes' mail stores: CRLF
// line ends; a plain letter with lines that begin with "From " (which an mbox must
// quote); a non-Latin subject in RFC 2047 form with an 8-bit UTF-8 body; a letter with
// a binary attachment in base64; a forwarded letter inside a letter. `tag` makes each
// folder's messages differ.

#include <QByteArray>
#include <QList>

namespace support {

QList<QByteArray> sampleMessages(const QByteArray& owner, const QByteArray& tag);

// An mbox-like store of the messages, each after `separator` (a whole line) and
// followed by an empty line; with `quote`, lines starting "From " get a '>' first, as
// the clients that separate after empty lines wrote them. `offsets` gets where each
// separator starts.
QByteArray mboxLikeStore(const QList<QByteArray>& messages, const QByteArray& separator, bool quote,
                         QList<qint64>* offsets = nullptr);
QByteArray quoteFromLines(QByteArray message);
// A Eudora table of contents: each message's offset and state (0 unread, 1 read, 2
// replied, 3 forwarded).
QByteArray eudoraToc(const QList<qint64>& offsets, const QList<int>& states);

} // namespace support
