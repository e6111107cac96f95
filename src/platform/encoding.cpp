#include "platform/encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <array>

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

const char* icuName(int codePage) {
    switch (codePage) {
    case 874:
        return "windows-874";
    case 932:
        return "windows-932";
    case 936:
        return "windows-936";
    case 949:
        return "windows-949";
    case 950:
        return "windows-950";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    default:
        return nullptr;
    }
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
    const char* name = icuName(codePage);
    if (!name) return std::nullopt;
    QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) return std::nullopt; // a Qt without these code pages
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    // The converter may substitute a look-alike without saying so: only bytes
    // that read back as the very same text count.
    const auto back = decodeCodePage(bytes, codePage);
    if (!back || *back != text) return std::nullopt;
    return bytes;
}

std::optional<QString> decodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage == 1252) return fromAnsi(bytes);
    const char* name = icuName(codePage);
    if (!name) return std::nullopt;
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
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
    QString text((bytes.size() - 2) / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<char16_t>(bytes.constData() + 2 + 2 * i));
    return text;
}

} // namespace platform
