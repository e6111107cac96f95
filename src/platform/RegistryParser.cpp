// Reading Wine's registry text format into a HiveFile. The reader walks the
// bytes once, line by line; nothing it meets can stop it: a line it cannot
// understand is skipped and counted, and so are the values of a key whose key
// line was unreadable (they would otherwise land in the key before it).

#include "platform/HiveFile.h"
#include "platform/RegistryText.h"

#include <cstring>

namespace platform {

namespace {

constexpr int kKeptLineNumbers = 200;

inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline void skipSpace(const char*& p, const char* end) {
    while (p < end && isSpace(*p))
        ++p;
}

inline bool startsWith(const char* p, const char* end, const char* lit) {
    const size_t n = std::strlen(lit);
    return size_t(end - p) >= n && std::memcmp(p, lit, n) == 0;
}

// 1 to 8 hex digits.
bool readHex32(const char*& p, const char* end, quint32& v) {
    int digits = 0;
    v = 0;
    for (; p < end && digits < 9 && hexDigit(*p) >= 0; ++p, ++digits)
        v = v * 16 + quint32(hexDigit(*p));
    return digits >= 1 && digits <= 8;
}

enum class HexLine { Done, Continued, Bad };

// Comma-separated bytes; a trailing backslash continues the data on the next line.
HexLine readHexBytes(const char* p, const char* end, QByteArray& out) {
    const qsizetype start = out.size();
    out.resize(start + (end - p) / 2 + 1); // room for the most bytes a line can hold
    char* const base = out.data();
    char* dst = base + start;
    HexLine result = HexLine::Done;
    for (;;) {
        skipSpace(p, end);
        if (p == end) break;
        if (*p == '\\') {
            ++p;
            skipSpace(p, end);
            result = p == end ? HexLine::Continued : HexLine::Bad;
            break;
        }
        const int hi = hexDigit(*p);
        if (hi < 0) {
            result = HexLine::Bad;
            break;
        }
        ++p;
        int byte = hi;
        if (p < end && hexDigit(*p) >= 0) byte = byte * 16 + hexDigit(*p++);
        *dst++ = char(byte);
        skipSpace(p, end);
        if (p < end && *p == ',') {
            ++p;
        } else if (p < end && *p != '\\') {
            result = HexLine::Bad;
            break;
        }
    }
    out.truncate(dst - base);
    return result;
}

} // namespace

class RegistryParser {
public:
    explicit RegistryParser(const QByteArray& bytes)
        : pos_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    HiveFile run() {
        if (end_ - pos_ >= 3 && std::memcmp(pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
        const char* b;
        const char* e;
        if (!nextLine(b, e))
            return std::move(hive_); // an empty file: nothing to read, nothing lost
        const char* t = b;
        skipSpace(t, e);
        const char* te = e;
        while (te > t && isSpace(te[-1]))
            --te;
        if (QByteArrayView(t, te - t) == QByteArrayView("WINE REGISTRY Version 2")) {
            if (!nextLine(b, e)) return std::move(hive_);
        } else {
            hive_.headerOk_ = false;
        }
        do {
            handleLine(b, e);
        } while (nextLine(b, e));
        return std::move(hive_);
    }

private:
    bool nextLine(const char*& b, const char*& e) {
        if (pos_ >= end_) return false;
        lineStart_ = pos_;
        b = pos_;
        const void* nl = std::memchr(pos_, '\n', size_t(end_ - pos_));
        e = nl ? static_cast<const char*>(nl) : end_;
        pos_ = nl ? e + 1 : end_;
        if (e > b && e[-1] == '\r') --e;
        ++lineNo_;
        return true;
    }

    void unreadLine() {
        pos_ = lineStart_;
        --lineNo_;
    }

    void skip(int lineNo) {
        ++hive_.skipped_;
        if (hive_.skippedAt_.size() < kKeptLineNumbers) hive_.skippedAt_.append(lineNo);
    }

    void handleLine(const char* b, const char* e) {
        const char* p = b;
        skipSpace(p, e);
        if (p == e || *p == ';') {
            if (!seenKey_) hive_.preamble_.append(QByteArray(b, e - b));
            return;
        }
        switch (*p) {
        case '[':
            if (!readKeyLine(p + 1, e)) skip(lineNo_);
            return;
        case '#':
            if (!seenKey_)
                hive_.preamble_.append(QByteArray(b, e - b));
            else if (!current_)
                skip(lineNo_);
            else if (!readTimeLine(p, e))
                current_->addMetaLine(QByteArray(p, e - p));
            return;
        case '@':
        case '"':
            readValue(p, e);
            return;
        default:
            skip(lineNo_);
        }
    }

    bool readKeyLine(const char* p, const char* e) {
        seenKey_ = true;
        current_ = nullptr;
        QString path;
        if (!regtext::decodeQuoted(p, e, ']', path)) return false;
        quint64 seconds = 0;
        skipSpace(p, e);
        for (; p < e && *p >= '0' && *p <= '9'; ++p)
            seconds = std::min<quint64>(seconds * 10 + quint64(*p - '0'), 0xffffffffu);
        const auto parts = QStringView(path).split(u'\\', Qt::SkipEmptyParts);
        if (parts.size() > HiveFile::kMaxDepth) return false;
        HiveKey* k = &hive_.root();
        for (QStringView part : parts)
            k = &k->addSubKey(part.toString());
        k->setTimes(quint32(seconds), k->fileTime());
        current_ = k;
        return true;
    }

    bool readTimeLine(const char* p, const char* e) {
        if (!startsWith(p, e, "#time=")) return false;
        p += 6;
        quint64 ticks = 0;
        int digits = 0;
        for (; p < e && hexDigit(*p) >= 0; ++p, ++digits)
            ticks = ticks * 16 + quint64(hexDigit(*p));
        skipSpace(p, e);
        if (digits == 0 || digits > 16 || p != e) return false; // kept as an ordinary "#" line
        current_->setTimes(current_->unixTime(), ticks);
        return true;
    }

    void readValue(const char* p, const char* e) {
        const int firstLine = lineNo_;
        RegValue v;
        if (!current_ || !readName(p, e, v.name) || !readData(p, e, v)) {
            skip(firstLine);
            return;
        }
        current_->setValue(std::move(v));
    }

    bool readName(const char*& p, const char* e, QString& name) {
        if (*p == '@') {
            ++p;
        } else {
            ++p;
            if (!regtext::decodeQuoted(p, e, '"', name)) return false;
        }
        skipSpace(p, e);
        if (p == e || *p != '=') return false;
        ++p;
        skipSpace(p, e);
        return true;
    }

    bool readData(const char* p, const char* e, RegValue& v) {
        if (p < e && *p == '"') return readText(p + 1, e, REG_SZ, v);
        if (startsWith(p, e, "str(")) {
            p += 4;
            quint32 type = 0;
            if (!readHex32(p, e, type) || !startsWith(p, e, "):\"")) return false;
            return readText(p + 3, e, type, v);
        }
        if (startsWith(p, e, "dword:")) {
            p += 6;
            quint32 dw = 0;
            if (!readHex32(p, e, dw)) return false;
            skipSpace(p, e);
            if (p != e) return false;
            v = RegValue::dword(v.name, dw);
            return true;
        }
        quint32 type = REG_BINARY;
        if (startsWith(p, e, "hex:")) {
            p += 4;
        } else if (startsWith(p, e, "hex(")) {
            p += 4;
            if (!readHex32(p, e, type) || !startsWith(p, e, "):")) return false;
            p += 2;
        } else {
            return false;
        }
        v.type = type;
        return readHex(p, e, v.data);
    }

    bool readText(const char* p, const char* e, quint32 type, RegValue& v) {
        QString text;
        if (!regtext::decodeQuoted(p, e, '"', text)) return false;
        skipSpace(p, e);
        if (p != e) return false;
        v.type = type;
        v.data = regtext::utf16Bytes(text, true);
        return true;
    }

    bool readHex(const char* p, const char* e, QByteArray& data) {
        for (;;) {
            switch (readHexBytes(p, e, data)) {
            case HexLine::Done:
                return true;
            case HexLine::Bad:
                return false;
            case HexLine::Continued:
                if (!nextLine(p, e)) return false; // the file ends inside the value
                skipSpace(p, e);
                if (p < e && (*p == '[' || *p == '"' || *p == '@')) {
                    unreadLine(); // the data was cut short; read that line on its own
                    return false;
                }
            }
        }
    }

    const char* pos_;
    const char* end_;
    const char* lineStart_ = nullptr;
    int lineNo_ = 0;
    bool seenKey_ = false;
    HiveKey* current_ = nullptr;
    HiveFile hive_;
};

HiveFile HiveFile::parse(const QByteArray& bytes) {
    return RegistryParser(bytes).run();
}

} // namespace platform
