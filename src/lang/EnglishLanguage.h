#pragma once
// The one translation built into the program: the English language file,
// written to the program folder when no usable language file is there.

#include "platform/Result.h"

#include <QStringList>

namespace lang {

// The product name that replaces the placeholder in the built-in text.
inline constexpr char16_t kProductName[] = u"Postora";
inline constexpr char16_t kAppNamePlaceholder[] = u"%%APPNAME%%";

// The lines as built in, with the placeholder still in them.
QStringList builtInEnglishLines();
// The lines as written to "English.lng": every placeholder replaced by the
// product name.
QStringList englishLanguageLines();

} // namespace lang
