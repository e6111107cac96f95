#pragma once
// Text replacement shared by the language code: every occurrence of a pattern,
// searched again from the start after each replacement.

#include "platform/Result.h"

#include <QString>

namespace lang {

// Replaces the first occurrence of pattern by replacement and repeats until no
// occurrence is left, so occurrences that a replacement forms with its
// neighbours are replaced too. Fails, leaving nothing half done, when the
// replacement is the pattern itself, contains it, when the pattern is empty, or
// when the rewriting keeps growing the text without end.
platform::Result<QString> replaceString(const QString& pattern, const QString& replacement,
                                        const QString& text);

} // namespace lang
