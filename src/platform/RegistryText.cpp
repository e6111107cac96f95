#include "platform/RegistryText.h"

#include <QtEndian>

namespace platform::regtext {

namespace {

inline char16_t lower(char16_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    if (QChar::isSurrogate(c)) return c;
    return char16_t(QChar::toLower(char32_t(c)));
}

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Raw bytes between escapes: ASCII as it is, anything else read as UTF-8
// (Wine itself never writes bytes above 127; hand-edited files might).
void appendRun(QString& out, const char* begin, const char* end, bool ascii) {
    if (begin == end) return;
    if (ascii)
        out.append(QLatin1StringView(begin, end - begin));
    else
        out.append(QString::fromUtf8(begin, end - begin));
}

} // namespace

QString foldName(QStringView name) {
    QString folded(name.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(folded.data());
    for (QChar c : name)
        *dst++ = lower(c.unicode());
    return folded;
}

int compareNames(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = lower(a[i].unicode());
        const char16_t cb = lower(b[i].unicode());
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool sameName(QStringView a, QStringView b) {
    return a.size() == b.size() && compareNames(a, b) == 0;
}

bool decodeQuoted(const char*& p, const char* end, char terminator, QString& out) {
    const char* run = p;
    unsigned char high = 0;
    while (p < end) {
        const char c = *p;
        if (c == terminator) {
            appendRun(out, run, p, high < 0x80);
            ++p;
            return true;
        }
        if (c != '\\') {
            high |= static_cast<unsigned char>(c);
            ++p;
            continue;
        }
        appendRun(out, run, p, high < 0x80);
        high = 0;
        if (++p == end) {
            run = p;
            break;
        }
        const char e = *p++;
        switch (e) {
        case 'a':
            out.append(QChar(7));
            break;
        case 'b':
            out.append(QChar(8));
            break;
        case 't':
            out.append(QChar(9));
            break;
        case 'n':
            out.append(QChar(10));
            break;
        case 'v':
            out.append(QChar(11));
            break;
        case 'f':
            out.append(QChar(12));
            break;
        case 'r':
            out.append(QChar(13));
            break;
        case 'e':
            out.append(QChar(27));
            break;
        case 'x': {
            char16_t unit = 0;
            int digits = 0;
            for (; digits < 4 && p < end && hexDigit(*p) >= 0; ++digits, ++p)
                unit = char16_t(unit * 16 + hexDigit(*p));
            out.append(digits ? QChar(unit) : QChar(u'x'));
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                char16_t unit = char16_t(e - '0');
                for (int digits = 1; digits < 3 && p < end && *p >= '0' && *p <= '7'; ++digits)
                    unit = char16_t(unit * 8 + (*p++ - '0'));
                out.append(QChar(unit));
            } else {
                // The escaped character itself, read with the following run.
                run = p - 1;
                high = static_cast<unsigned char>(e);
                continue;
            }
        }
        run = p;
    }
    appendRun(out, run, p, high < 0x80);
    return false;
}

qsizetype appendEscaped(QByteArray& out, QStringView text, char q1, char q2) {
    static const char kEscapes[33] = ".......abtnvfr.............e....";
    const qsizetype start = out.size();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const bool hasNext = i + 1 < n;
        const char16_t next = hasNext ? text[i + 1].unicode() : 0;
        if (c > 127) {
            // A following hex digit would be read as part of a short escape.
            const bool pad = hasNext && next < 128 && hexDigit(char(next)) >= 0;
            char buf[8];
            const int len = std::snprintf(buf, sizeof buf, pad ? "\\x%04x" : "\\x%x", unsigned(c));
            out.append(buf, len);
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out.append('\\');
                out.append(kEscapes[c]);
            } else {
                const bool pad = hasNext && next >= '0' && next <= '7';
                char buf[8];
                const int len =
                    std::snprintf(buf, sizeof buf, pad ? "\\%03o" : "\\%o", unsigned(c));
                out.append(buf, len);
            }
        } else {
            if (c == '\\' || c == q1 || c == q2) out.append('\\');
            out.append(char(c));
        }
    }
    return out.size() - start;
}

QByteArray utf16Bytes(QStringView text, bool terminate) {
    QByteArray bytes((text.size() + (terminate ? 1 : 0)) * 2, Qt::Uninitialized);
    char* dst = bytes.data();
    for (QChar c : text) {
        qToLittleEndian<quint16>(c.unicode(), dst);
        dst += 2;
    }
    if (terminate) qToLittleEndian<quint16>(0, dst);
    return bytes;
}

QString utf16Text(const QByteArray& bytes) {
    const qsizetype n = bytes.size() / 2;
    QString text(n, Qt::Uninitialized);
    const uchar* src = reinterpret_cast<const uchar*>(bytes.constData());
    QChar* dst = text.data();
    for (qsizetype i = 0; i < n; ++i)
        dst[i] = QChar(qFromLittleEndian<quint16>(src + 2 * i));
    return text;
}

} // namespace platform::regtext
