#pragma once
// Text at the edges: Windows-1252 ("ANSI") for files Windows programs write,
// UTF-8-or-1252 for files a person or another program wrote.

#include <QByteArray>
#include <QString>

namespace platform {
// Characters outside Windows-1252 become '?', as Windows' ANSI functions do.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);
// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), else Windows-1252.
QString decodeText(const QByteArray& bytes);
} // namespace platform
