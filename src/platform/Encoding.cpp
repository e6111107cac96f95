#include "platform/Encoding.h"

#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

#include <iconv.h>

namespace platform {

namespace {

// Code points of the bytes 0x80..0x9F. The five bytes Windows-1252 leaves
// undefined map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ansiByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c) return char(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray toAnsi(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character outside the code page, one '?'
            out.append('?');
            continue;
        }
        out.append(ansiByte(c.unicode()));
    }
    return out;
}

QString fromAnsi(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        d[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QString decodeText(const QByteArray& bytes) {
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return text;
    return fromAnsi(bytes);
}

namespace {

struct LanguagePage {
    const char* language;
    int codePage;
};

// Default ANSI code pages of the languages whose page is not 1252.
constexpr std::array<LanguagePage, 42> kLanguagePages{{
    {"ru", 1251},  {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"kk", 1251},
    {"ky", 1251},  {"tt", 1251}, {"mn", 1251}, {"tg", 1251}, {"ba", 1251}, {"sah", 1251},
    {"sr", 1251},  {"el", 1253}, {"ja", 932},  {"ko", 949},  {"cs", 1250}, {"hu", 1250},
    {"pl", 1250},  {"ro", 1250}, {"sk", 1250}, {"sl", 1250}, {"hr", 1250}, {"sq", 1250},
    {"bs", 1250},  {"tk", 1250}, {"tr", 1254}, {"az", 1254}, {"uz", 1254}, {"he", 1255},
    {"iw", 1255},  {"yi", 1255}, {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"ug", 1256},
    {"ckb", 1256}, {"lt", 1257}, {"lv", 1257}, {"et", 1257}, {"th", 874},  {"vi", 1258},
}};

// glibc's names of the code pages. Its tables agree with Windows on every
// character they map (Qt's own tables do not: its code page 932 swaps three
// control characters); what they do not map is written as UTF-16.
const char* glibcName(int codePage) {
    switch (codePage) {
    case 874:
        return "WINDOWS-874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    default:
        return nullptr;
    }
}

bool singleByte(int codePage) {
    return codePage == 874 || (codePage >= 1250 && codePage <= 1258);
}

// The tables of the double-byte code pages map their user-defined areas to
// private-use characters each in its own way (Windows, glibc and ICU differ),
// so no reader can be trusted to get such a character back.
bool privateUse(char16_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != iconv_t(-1); }

    // All of `in` converted, or nothing when any of it has no exact form.
    std::optional<QByteArray> run(QByteArrayView in) {
        if (!valid()) return std::nullopt;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        QByteArray out(in.size() * 2 + 16, Qt::Uninitialized);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = size_t(in.size());
        size_t used = 0;
        bool flushing = false;
        for (;;) {
            char* dst = out.data() + used;
            size_t dstLeft = size_t(out.size()) - used;
            const size_t r = flushing ? ::iconv(cd_, nullptr, nullptr, &dst, &dstLeft)
                                      : ::iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            used = size_t(dst - out.data());
            if (r == size_t(-1)) {
                if (errno != E2BIG) return std::nullopt;
                out.resize(out.size() * 2);
                continue;
            }
            if (r > 0) return std::nullopt; // a substitute was written
            if (flushing) break;
            flushing = true;
        }
        out.truncate(qsizetype(used));
        return out;
    }

private:
    iconv_t cd_;
};

QString fromUtf16Le(const QByteArray& bytes) {
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<char16_t>(bytes.constData() + 2 * i));
    return text;
}

// One converter each way per code page and thread (a converter keeps state).
struct Converters {
    explicit Converters(const char* name) : encode(name, "UTF-16LE"), decode("UTF-16LE", name) {}
    Converter encode;
    Converter decode;
};

Converters* convertersFor(int codePage) {
    const char* name = glibcName(codePage);
    if (!name) return nullptr;
    thread_local std::map<int, std::unique_ptr<Converters>> cache;
    auto& slot = cache[codePage];
    if (!slot) slot = std::make_unique<Converters>(name);
    return slot->encode.valid() && slot->decode.valid() ? slot.get() : nullptr;
}

// A single-byte code page as Windows reads it: byte by byte. (glibc's
// converters for 1255 and 1258 join a letter and its accents into one
// character, and split such characters when writing; Windows does neither.)
struct ByteTable {
    std::array<char16_t, 256> chars{};
    std::array<bool, 256> defined{};
    QHash<char16_t, char> bytes;
};

const ByteTable* byteTableFor(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<ByteTable>> tables;
    const std::lock_guard lock(mutex);
    auto& slot = tables[codePage];
    if (slot) return slot.get();
    Converters* conv = convertersFor(codePage);
    if (!conv) return nullptr;
    auto table = std::make_unique<ByteTable>();
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const auto unit = conv->decode.run(QByteArrayView(&byte, 1));
        if (!unit || unit->size() != 2) continue;
        const char16_t c = qFromLittleEndian<char16_t>(unit->constData());
        table->chars[size_t(b)] = c;
        table->defined[size_t(b)] = true;
        if (!table->bytes.contains(c)) table->bytes.insert(c, byte);
    }
    slot = std::move(table);
    return slot.get();
}

std::optional<QByteArray> encode1252(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char b = ansiByte(c.unicode());
        if (b == '?' && c != u'?') return std::nullopt;
        out.append(b);
    }
    return out;
}

} // namespace

int ansiCodePageForLocale(QStringView locale) {
    qsizetype end = 0;
    while (end < locale.size() && locale[end].isLetter())
        ++end;
    const QString language = locale.first(end).toString().toLower();
    const qsizetype at = locale.indexOf(u'@');
    const QStringView modifier = at < 0 ? QStringView() : locale.sliced(at + 1);
    QStringView territory;
    if (end < locale.size() && locale[end] == u'_') {
        qsizetype t = end + 1;
        while (t < locale.size() && locale[t].isLetter())
            ++t;
        territory = locale.sliced(end + 1, t - end - 1);
    }
    if (language == u"zh") {
        for (const char* traditional : {"TW", "HK", "MO"})
            if (territory.compare(QLatin1String(traditional), Qt::CaseInsensitive) == 0) return 950;
        return 936;
    }
    // Serbian and Uzbek come in both alphabets; the modifier names the other one.
    if (language == u"sr" && modifier.startsWith(u"latin")) return 1250;
    if (language == u"uz" && modifier.startsWith(u"cyrillic")) return 1251;
    for (const LanguagePage& lp : kLanguagePages)
        if (language == QLatin1String(lp.language)) return lp.codePage;
    return 1252;
}

int ansiCodePage() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) return ansiCodePageForLocale(value);
    }
    return 1252;
}

std::optional<QByteArray> encodeCodePage(QStringView text, int codePage) {
    if (codePage == 1252) return encode1252(text);
    if (singleByte(codePage)) {
        const ByteTable* table = byteTableFor(codePage);
        if (!table) return std::nullopt;
        QByteArray out(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto it = table->bytes.constFind(text[i].unicode());
            if (it == table->bytes.cend()) return std::nullopt;
            out[i] = *it;
        }
        return out;
    }
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return privateUse(c.unicode()); }))
        return std::nullopt;
    Converters* conv = convertersFor(codePage);
    if (!conv) return std::nullopt;
    auto bytes = conv->encode.run(QByteArrayView(utf16LeBytes(text)));
    if (!bytes) return std::nullopt;
    // glibc writes a few look-alikes (U+00A5 as a backslash in 932): only
    // bytes that read back as the very same text count.
    const auto back = decodeCodePage(*bytes, codePage);
    if (!back || *back != text) return std::nullopt;
    return bytes;
}

std::optional<QString> decodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage == 1252) return fromAnsi(bytes);
    if (singleByte(codePage)) {
        const ByteTable* table = byteTableFor(codePage);
        if (!table) return std::nullopt;
        QString text(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = size_t(static_cast<unsigned char>(bytes[i]));
            if (!table->defined[b]) return std::nullopt;
            text[i] = QChar(table->chars[b]);
        }
        return text;
    }
    Converters* conv = convertersFor(codePage);
    if (!conv) return std::nullopt;
    const auto units = conv->decode.run(QByteArrayView(bytes));
    if (!units) return std::nullopt;
    QString text = fromUtf16Le(*units);
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return privateUse(c.unicode()); }))
        return std::nullopt;
    return text;
}

QByteArray utf16LeBytes(QStringView text) {
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<char16_t>(text[i].unicode(), out.data() + 2 * i);
    return out;
}

QByteArray encodeWindowsFile(QStringView text, int codePage, bool* unicode) {
    auto bytes = encodeCodePage(text, codePage);
    if (unicode) *unicode = !bytes;
    if (bytes) return *std::move(bytes);
    return QByteArrayLiteral("\xFF\xFE") + utf16LeBytes(text);
}

std::optional<QString> decodeWindowsFile(const QByteArray& bytes, int codePage) {
    if (!bytes.startsWith("\xFF\xFE")) return decodeCodePage(bytes, codePage);
    return fromUtf16Le(bytes.sliced(2));
}

} // namespace platform
