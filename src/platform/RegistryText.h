#pragma once
// Pieces of Wine's registry text format shared by the hive reader and writer:
// name comparison the way Wine sorts keys, the backslash escapes of quoted
// text, and UTF-16 value data.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace platform::regtext {

// Names compare without regard to case, by lower-casing each UTF-16 unit
// (Wine's order: "_x" sorts before "A", "A_B" before "AB").
QString foldName(QStringView name);
int compareNames(QStringView a, QStringView b);
bool sameName(QStringView a, QStringView b);

// Reads quoted text up to the unescaped `terminator`; `p` ends just past it.
// Escapes: \a \b \t \n \v \f \r \e, \x with 1-4 hex digits (one UTF-16 unit),
// \NNN octal, a backslash before anything else gives that character.
// Returns false when the terminator is missing.
bool decodeQuoted(const char*& p, const char* end, char terminator, QString& out);

// Appends `text` escaped for a quoted field whose special characters are q1
// and q2 (`"` for text, `[` and `]` for key names). Returns the number of bytes
// appended.
qsizetype appendEscaped(QByteArray& out, QStringView text, char q1, char q2);

// UTF-16LE bytes of `text`, with a terminating NUL when `terminate`.
QByteArray utf16Bytes(QStringView text, bool terminate);
// The UTF-16LE units of `bytes` (an odd last byte is ignored).
QString utf16Text(const QByteArray& bytes);

} // namespace platform::regtext
