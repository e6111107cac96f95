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

} // namespace support
