#include "platform/Ini.h"

#include "platform/Encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == QChar(0x1A);
}

QString trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.sliced(b, e - b).toString();
}

QString unquote(const QString& v) {
    if (v.size() >= 2 && v.front() == v.back() && (v.front() == u'"' || v.front() == u'\''))
        return v.mid(1, v.size() - 2);
    return v;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What is written must stay one line.
QString oneLine(QString s) {
    for (QChar& c : s) {
        if (c == u'\r' || c == u'\n' || c == QChar(0)) c = u' ';
    }
    return s;
}

} // namespace

IniFile::Line IniFile::parseLine(const QString& raw) {
    Line line;
    line.raw = raw;
    const QString t = trimBlanks(raw);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimBlanks(QStringView(t).sliced(1, close - 1));
        }
        return line;
    }
    if (t.startsWith(u';')) return line; // a comment
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0) return line;
    line.name = trimBlanks(QStringView(t).first(eq));
    if (line.name.isEmpty()) return line;
    line.kind = Line::Key;
    line.value = unquote(trimBlanks(QStringView(t).sliced(eq + 1)));
    return line;
}

namespace {

// Calls line(begin, end, endLength) for each line of n units, where isCr and
// isLf tell the line-end units apart; a last line without an end has endLength 0.
template <typename IsCr, typename IsLf, typename LineFn>
void forEachLine(qsizetype n, IsCr isCr, IsLf isLf, LineFn line) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (!isCr(i) && !isLf(i)) continue;
        const qsizetype endLength = isCr(i) && i + 1 < n && isLf(i + 1) ? 2 : 1;
        line(start, i, endLength);
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n) line(start, n, 0);
}

QString beforeNul(QString text) {
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    return text;
}

} // namespace

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile ini;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.at(0) == '\xFF';
        ini.form_ = little ? Form::Utf16Le : Form::Utf16Be;
        ini.lead_ = bytes.first(2);
        QString text;
        text.reserve(bytes.size() / 2);
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes.at(little ? i : i + 1));
            const auto hi = static_cast<unsigned char>(bytes.at(little ? i + 1 : i));
            text.append(QChar(char16_t(lo | (hi << 8))));
        }
        forEachLine(
            text.size(), [&](qsizetype i) { return text.at(i) == u'\r'; },
            [&](qsizetype i) { return text.at(i) == u'\n'; },
            [&](qsizetype b, qsizetype e, qsizetype endLength) {
                Line line = parseLine(beforeNul(text.sliced(b, e - b)));
                line.bytes = bytes.sliced(2 + 2 * b, 2 * (e - b + endLength));
                line.lineEnd = bytes.sliced(2 + 2 * e, 2 * endLength);
                ini.lines_.push_back(std::move(line));
            });
        return ini;
    }
    // UTF-8 when the whole file is (as decodeText reads it), else Windows-1252.
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(QByteArrayView(bytes).sliced(bom));
    const bool isUtf8 = !utf8.hasError();
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    ini.form_ = isUtf8 && !ascii ? Form::Utf8 : Form::Ansi;
    ini.lead_ = isUtf8 ? bytes.first(bom) : QByteArray();
    const QByteArray body = bytes.sliced(ini.lead_.size());
    forEachLine(
        body.size(), [&](qsizetype i) { return body.at(i) == '\r'; },
        [&](qsizetype i) { return body.at(i) == '\n'; },
        [&](qsizetype b, qsizetype e, qsizetype endLength) {
            const QByteArray raw = body.sliced(b, e - b);
            Line line = parseLine(beforeNul(isUtf8 ? QString::fromUtf8(raw) : fromAnsi(raw)));
            line.bytes = body.sliced(b, e - b + endLength);
            line.lineEnd = body.sliced(e, endLength);
            ini.lines_.push_back(std::move(line));
        });
    return ini;
}

IniFile IniFile::parse(const QString& text) {
    IniFile ini;
    forEachLine(
        text.size(), [&](qsizetype i) { return text.at(i) == u'\r'; },
        [&](qsizetype i) { return text.at(i) == u'\n'; },
        [&](qsizetype b, qsizetype e, qsizetype) {
            ini.lines_.push_back(parseLine(beforeNul(text.sliced(b, e - b))));
        });
    return ini;
}

Result<IniFile> IniFile::load(const Files& fs, const QString& winPath) {
    auto bytes = fs.readAll(winPath);
    if (!bytes) return bytes.error();
    return parse(*bytes);
}

qsizetype IniFile::findSection(const QString& section, qsizetype* end) const {
    const QString want = trimBlanks(section);
    const auto count = qsizetype(lines_.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (lines_[i].kind != Line::Section || !sameName(lines_[i].name, want)) continue;
        if (end) {
            qsizetype e = i + 1;
            while (e < count && lines_[e].kind != Line::Section)
                ++e;
            *end = e;
        }
        return i;
    }
    return -1;
}

qsizetype IniFile::findKey(qsizetype sectionStart, qsizetype sectionEnd, const QString& key) const {
    const QString want = trimBlanks(key);
    for (qsizetype i = sectionStart + 1; i < sectionEnd; ++i) {
        if (lines_[i].kind == Line::Key && sameName(lines_[i].name, want)) return i;
    }
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    qsizetype end = 0;
    const qsizetype s = findSection(section, &end);
    if (s < 0) return defaultValue;
    const qsizetype k = findKey(s, end, key);
    return k < 0 ? defaultValue : lines_[k].value;
}

int IniFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    const QString v = readString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v.at(i) == u'+' || v.at(i) == u'-')) negative = v.at(i++) == u'-';
    const qsizetype digits = i;
    qint64 n = 0;
    while (i < v.size() && v.at(i) >= u'0' && v.at(i) <= u'9') {
        if (n <= std::numeric_limits<int>::max()) // beyond that the result is clamped
            n = n * 10 + (v.at(i).unicode() - u'0');
        ++i;
    }
    if (i == digits) return defaultValue;
    if (negative) n = -n;
    return int(
        std::clamp<qint64>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    qsizetype end = 0;
    const qsizetype s = findSection(section, &end);
    return s >= 0 && findKey(s, end, key) >= 0;
}

QStringList IniFile::sectionNames() const {
    QStringList names;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section && !names.contains(l.name, Qt::CaseInsensitive))
            names.push_back(l.name);
    }
    return names;
}

QStringList IniFile::keyNames(const QString& section) const {
    QStringList names;
    qsizetype end = 0;
    const qsizetype s = findSection(section, &end);
    for (qsizetype i = s + 1; s >= 0 && i < end; ++i) {
        if (lines_[i].kind == Line::Key && !names.contains(lines_[i].name, Qt::CaseInsensitive))
            names.push_back(lines_[i].name);
    }
    return names;
}

QStringList IniFile::sectionLines(const QString& section) const {
    QStringList out;
    qsizetype end = 0;
    const qsizetype s = findSection(section, &end);
    for (qsizetype i = s + 1; s >= 0 && i < end; ++i)
        out.push_back(lines_[i].raw);
    return out;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString sec = oneLine(section);
    const QString name = oneLine(key);
    const QString text = oneLine(value);
    if (trimBlanks(name).isEmpty()) return;
    qsizetype end = 0;
    const qsizetype s = findSection(sec, &end);
    if (s < 0) {
        lines_.push_back(parseLine(u'[' + sec + u']'));
        lines_.push_back(parseLine(name + u'=' + text));
        return;
    }
    const qsizetype k = findKey(s, end, name);
    if (k >= 0) { // the key keeps the spelling the file gave it, and its line end
        Line line = parseLine(lines_[k].name + u'=' + text);
        if (line.value == lines_[k].value && !lines_[k].bytes.isEmpty()) return; // reads the same
        line.lineEnd = lines_[k].lineEnd;
        lines_[k] = std::move(line);
        return;
    }
    qsizetype at = end; // after the section's last line that is not blank
    while (at > s + 1 && trimBlanks(lines_[at - 1].raw).isEmpty())
        --at;
    lines_.insert(lines_.begin() + at, parseLine(name + u'=' + text));
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    qsizetype end = 0;
    const qsizetype s = findSection(section, &end);
    if (s < 0) return;
    for (qsizetype k = findKey(s, end, key); k >= 0; k = findKey(s, end, key)) {
        lines_.erase(lines_.begin() + k);
        --end;
    }
}

void IniFile::deleteSection(const QString& section) {
    qsizetype end = 0;
    for (qsizetype s = findSection(section, &end); s >= 0; s = findSection(section, &end))
        lines_.erase(lines_.begin() + s, lines_.begin() + end);
}

std::optional<QByteArray> IniFile::encodeLine(const QString& text) const {
    switch (form_) {
    case Form::Utf16Le:
        return utf16LeBytes(text);
    case Form::Utf16Be: {
        QByteArray out = utf16LeBytes(text);
        for (qsizetype i = 0; i + 1 < out.size(); i += 2)
            std::swap(out[i], out[i + 1]);
        return out;
    }
    case Form::Utf8: {
        QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        QByteArray out = utf8.encode(text);
        if (utf8.hasError()) return std::nullopt; // a lone surrogate
        return out;
    }
    case Form::Ansi:
    case Form::Text:
        break;
    }
    return encodeCodePage(text, ansiCodePage());
}

// The whole file as UTF-16LE with a byte-order mark: lines as read are taken
// as the code page reads them, as a Windows program reading the file would.
QByteArray IniFile::asUtf16() const {
    QString text;
    for (const Line& l : lines_) {
        if (l.bytes.isEmpty()) {
            text += l.raw + QStringLiteral("\r\n");
            continue;
        }
        const QByteArray content = l.bytes.first(l.bytes.size() - l.lineEnd.size());
        const auto read = form_ == Form::Ansi ? decodeCodePage(content, ansiCodePage())
                                              : std::optional<QString>();
        text += read.value_or(l.raw);
        // Only a last line lacks its end, and a line may follow it now.
        text += l.lineEnd.isEmpty() ? QStringLiteral("\r\n") : QString::fromLatin1(l.lineEnd);
    }
    return QByteArrayLiteral("\xFF\xFE") + utf16LeBytes(text);
}

QByteArray IniFile::toAnsiBytes() const {
    if (form_ == Form::Text) {
        QString text;
        for (const Line& l : lines_) {
            text += l.raw;
            text += QStringLiteral("\r\n");
        }
        return encodeWindowsFile(text, ansiCodePage());
    }
    const QByteArray crlf = *encodeLine(QStringLiteral("\r\n"));
    QByteArray out = lead_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (!l.bytes.isEmpty()) {
            out += l.bytes;
            continue;
        }
        // The last line as read may lack its end: a line after it needs one.
        if (i > 0 && !lines_[i - 1].bytes.isEmpty() && lines_[i - 1].lineEnd.isEmpty()) out += crlf;
        const auto line = encodeLine(l.raw);
        if (!line) return asUtf16();
        out += *line;
        out += l.lineEnd.isEmpty() ? crlf : l.lineEnd;
    }
    return out;
}

Status IniFile::save(const Files& fs, const QString& winPath) const {
    return fs.writeAll(winPath, toAnsiBytes());
}

QString readProfileString(const Files& fs, const QString& file, const QString& section,
                          const QString& key, const QString& defaultValue) {
    const auto ini = IniFile::load(fs, file);
    return ini ? ini->readString(section, key, defaultValue) : defaultValue;
}

Status writeProfileString(const Files& fs, const QString& file, const QString& section,
                          const QString& key, const QString& value) {
    auto loaded = IniFile::load(fs, file);
    // Only a missing file starts empty: a file that exists but cannot be read
    // must not be replaced by one that holds less.
    if (!loaded && loaded.code() != kFileNotFound) return loaded.status();
    IniFile ini = loaded ? std::move(loaded).value() : IniFile();
    ini.writeString(section, key, value);
    return ini.save(fs, file);
}

} // namespace platform
