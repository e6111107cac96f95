#pragma once
// Text at the edges. Files Windows programs read (registry dumps, manifests)
// are written in the ANSI code page Wine uses for the user's locale, or as
// UTF-16LE with a byte-order mark when that code page cannot hold the text.
// Files a person or another program wrote are read as UTF-8-or-1252.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace platform {

// Windows-1252 with '?' for characters outside it. Only for text known to be
// Western (the built-in English language file); files holding user data go
// through encodeWindowsFile().
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);
// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), else Windows-1252.
QString decodeText(const QByteArray& bytes);

// The ANSI code page Wine picks for a POSIX locale name ("ru_RU.UTF-8" -> 1251,
// "ja_JP" -> 932, "sr_RS@latin" -> 1250); 1252 for C, POSIX, empty and any
// language it does not single out.
int ansiCodePageForLocale(QStringView locale);
// The same for this process: LC_ALL, else LC_CTYPE, else LANG (the first one
// set and not empty), read on every call.
int ansiCodePage();

// The text in that code page, or nothing when a character has no byte form
// that reads back as the same character (no best-fit, never '?').
std::optional<QByteArray> encodeCodePage(QStringView text, int codePage);
// Bytes of that code page as text; nothing when a byte sequence is not defined.
std::optional<QString> decodeCodePage(const QByteArray& bytes, int codePage);
// UTF-16LE units of the text, lone surrogates included, without a BOM.
QByteArray utf16LeBytes(QStringView text);

// A whole file for Windows programs: the code page's bytes when it holds every
// character, else "FF FE" and UTF-16LE. `unicode` (when given) tells which.
QByteArray encodeWindowsFile(QStringView text, int codePage, bool* unicode = nullptr);
// Its reverse: the units after a UTF-16LE byte-order mark, else the code
// page's bytes (nothing when they are not all defined there).
std::optional<QString> decodeWindowsFile(const QByteArray& bytes, int codePage);

} // namespace platform
