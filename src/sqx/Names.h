#pragma once
// Text rules for names: stored-name normalisation, the UTF-8 check with its Windows-1252
// fallback, and wildcard masks matched as Windows matches them.

#include <string>
#include <string_view>

namespace sqx {

// Valid UTF-8 is returned as it is; anything else is read as Windows-1252 and converted.
std::string toUtf8(std::string_view text);

// '\' becomes '/', runs of separators collapse, leading separators and "." and ".." components
// go, and so does a trailing separator: "\\a\\.\\..\\b//c\\" -> "a/b/c".
std::string normaliseStoredName(std::string_view name);

// The part after the last '/' (the whole text when there is none).
std::string_view lastComponent(std::string_view path);
// The part before the last '/' ("" when there is none).
std::string_view parentPart(std::string_view path);
std::string joinName(std::string_view folder, std::string_view name);

bool hasWildcard(std::string_view component);

// Matches one name against a mask with '*' and '?' without regard to case (ASCII and the common
// European letters). "*.*" matches every name; a mask ending in "." matches names without a dot;
// a mask ending in ".*" also matches the name without any extension.
bool maskMatches(std::string_view mask, std::string_view name);

} // namespace sqx
