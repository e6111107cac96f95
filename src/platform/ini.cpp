#include "platform/ini.h"

#include "platform/encoding.h"

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

IniFile IniFile::parse(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.at(0) == '\xFF';
        QString text;
        text.reserve(bytes.size() / 2);
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes.at(little ? i : i + 1));
            const auto hi = static_cast<unsigned char>(bytes.at(little ? i + 1 : i));
            text.append(QChar(char16_t(lo | (hi << 8))));
        }
        return parse(text);
    }
    return parse(decodeText(bytes));
}

IniFile IniFile::parse(const QString& text) {
    IniFile ini;
    qsizetype start = 0;
    const qsizetype n = text.size();
    auto push = [&](qsizetype end) {
        QStringView line = QStringView(text).sliced(start, end - start);
        const qsizetype nul = line.indexOf(QChar(0));
        if (nul >= 0) line = line.first(nul);
        ini.lines_.push_back(parseLine(line.toString()));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') continue;
        push(i);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) push(n);
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
    if (k >= 0) { // the key keeps the spelling the file gave it
        lines_[k] = parseLine(lines_[k].name + u'=' + text);
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

QByteArray IniFile::toAnsiBytes() const {
    QString text;
    for (const Line& l : lines_) {
        text += l.raw;
        text += QStringLiteral("\r\n");
    }
    return encodeWindowsFile(text, ansiCodePage());
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
