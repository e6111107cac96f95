#pragma once
// One line on standard error, written and flushed at once: how command-line
// runs tell a script what failed.

#include <QString>

namespace base {
// text + '\n' in the locale's encoding.
void WriteErrorLine(const QString& text);
} // namespace base
