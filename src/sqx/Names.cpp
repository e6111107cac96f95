#include "Names.h"

#include <cstdint>
#include <vector>

namespace sqx {

namespace {

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is not valid.
size_t decodeUtf8(std::string_view text, size_t pos, char32_t& out) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(pos);
    if (c < 0x80) {
        out = c;
        return 1;
    }
    size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > text.size()) return 0;
    for (size_t i = 1; i < len; ++i) {
        const unsigned char cc = byte(pos + i);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    out = cp;
    return len;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones keep their C1 code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isValidUtf8(std::string_view text) {
    char32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t len = decodeUtf8(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

char32_t foldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE && c != 0xD7) return c + 32;                  // Latin-1
    if (c >= 0x100 && c <= 0x137 && (c % 2) == 0) return c + 1; // Latin Extended-A
    if (c >= 0x139 && c <= 0x148 && (c % 2) == 1) return c + 1;
    if (c >= 0x14A && c <= 0x177 && (c % 2) == 0) return c + 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E && (c % 2) == 1) return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32; // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;               // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

std::vector<char32_t> foldedCodePoints(std::string_view text) {
    const std::string utf8 = toUtf8(text);
    std::vector<char32_t> out;
    out.reserve(utf8.size());
    char32_t cp = 0;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = decodeUtf8(utf8, i, cp);
        out.push_back(foldCase(cp));
        i += len;
    }
    return out;
}

// Classic glob with '*' and '?' over code points, iterative with one back-track point.
bool globMatch(const std::vector<char32_t>& mask, const std::vector<char32_t>& name) {
    size_t m = 0, n = 0, starM = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++m, ++n;
        } else if (m < mask.size() && mask[m] == U'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*')
        ++m;
    return m == mask.size();
}

} // namespace

std::string toUtf8(std::string_view text) {
    if (isValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        appendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char32_t(c));
    }
    return out;
}

std::string normaliseStoredName(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    const auto isSep = [](char c) { return c == '/' || c == '\\'; };
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !isSep(name[end]))
            ++end;
        const std::string_view part = name.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") parts.push_back(part);
        start = end + 1;
    }
    std::string out;
    for (const auto part : parts) {
        if (!out.empty()) out += '/';
        out += part;
    }
    return out;
}

std::string_view lastComponent(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view parentPart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string joinName(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (name.empty()) return std::string(folder);
    std::string out(folder);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

bool hasWildcard(std::string_view component) {
    return component.find_first_of("*?") != std::string_view::npos;
}

bool maskMatches(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    const std::vector<char32_t> n = foldedCodePoints(name);
    if (mask.size() > 1 && mask.back() == '.') {
        if (name.find('.') != std::string_view::npos) return false;
        return globMatch(foldedCodePoints(mask.substr(0, mask.size() - 1)), n);
    }
    if (globMatch(foldedCodePoints(mask), n)) return true;
    if (mask.size() > 2 && mask.substr(mask.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return globMatch(foldedCodePoints(mask.substr(0, mask.size() - 2)), n);
    return false;
}

} // namespace sqx
