#include "restore/DumpText.h"

#include "platform/Encoding.h"
#include "platform/RegistryText.h"

namespace restore {

namespace {

// Reads a quoted field from `at` (on the opening quote); `at` ends past it.
bool unquote(const QString& s, qsizetype& at, QString& out) {
    if (at >= s.size() || s.at(at) != u'"') return false;
    for (++at; at < s.size(); ++at) {
        const QChar c = s.at(at);
        if (c == u'\\' && at + 1 < s.size()) {
            out += s.at(++at);
        } else if (c == u'"') {
            ++at;
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

std::optional<QByteArray> hexBytes(QStringView text) {
    QByteArray out;
    for (const QStringView part : text.split(u',')) {
        const QString t = part.trimmed().toString();
        if (t.isEmpty()) continue;
        bool ok = false;
        const uint v = t.toUInt(&ok, 16);
        if (!ok || v > 0xff) return std::nullopt;
        out += char(v);
    }
    return out;
}

} // namespace

QString DumpText::quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u'"';
}

std::optional<DumpText> DumpText::parse(const QByteArray& bytes) {
    DumpText d;
    d.unicode_ = bytes.startsWith("\xFF\xFE");
    d.codePage_ = platform::ansiCodePage();
    const auto text = platform::decodeWindowsFile(bytes, d.codePage_);
    if (!text) return std::nullopt;
    QStringList physical = text->split(u'\n');
    for (QString& l : physical)
        if (l.endsWith(u'\r')) l.chop(1);
    if (physical.isEmpty() ||
        (physical.first() != QLatin1String("REGEDIT4") &&
         physical.first() != QLatin1String("Windows Registry Editor Version 5.00")))
        return std::nullopt;
    QString key;
    for (qsizetype i = 0; i < physical.size(); ++i) {
        Line line;
        line.raw = physical.at(i);
        // Hex data goes on over lines ending in a backslash.
        while (line.raw.endsWith(u'\\') && !line.raw.startsWith(u'[') && i + 1 < physical.size()) {
            line.raw.chop(1);
            line.raw += physical.at(++i).trimmed();
        }
        if (line.raw.startsWith(u'[') && line.raw.endsWith(u']')) {
            key = line.raw.mid(1, line.raw.size() - 2);
        } else if (!key.isEmpty() && (line.raw.startsWith(u'"') || line.raw.startsWith(u'@'))) {
            qsizetype at = 0;
            bool named = true;
            if (line.raw.startsWith(u'@'))
                at = 1;
            else
                named = unquote(line.raw, at, line.name);
            if (named && at < line.raw.size() && line.raw.at(at) == u'=') {
                line.isValue = true;
                line.nameEnd = int(at);
                const QString data = line.raw.mid(at + 1);
                if (data.startsWith(u'"')) {
                    qsizetype p = 0;
                    if (unquote(data, p, line.data)) line.hexType = 0;
                } else {
                    for (int type : {1, 2, 7}) {
                        const QString prefix = QStringLiteral("hex(%1):").arg(type);
                        if (!data.startsWith(prefix, Qt::CaseInsensitive)) continue;
                        const auto raw = hexBytes(QStringView(data).mid(prefix.size()));
                        if (!raw) break;
                        std::optional<QString> t;
                        if (d.unicode_)
                            t = platform::regtext::utf16Text(*raw);
                        else
                            t = platform::decodeCodePage(*raw, d.codePage_);
                        if (t) {
                            line.hexType = type;
                            line.data = *t;
                        }
                        break;
                    }
                }
            }
        }
        line.key = key;
        d.lines_.push_back(std::move(line));
    }
    return d;
}

std::optional<QString> DumpText::value(const QString& keyPath, const QString& name) const {
    const QString wanted = name == QLatin1String("@") ? QString() : name;
    for (const Line& l : lines_) {
        if (!l.isValue || l.hexType < 0) continue;
        if (l.key.compare(keyPath, Qt::CaseInsensitive) != 0) continue;
        if (l.name.compare(wanted, Qt::CaseInsensitive) != 0) continue;
        QString data = l.data;
        while (data.endsWith(QChar(0)))
            data.chop(1);
        return data;
    }
    return std::nullopt;
}

QStringList DumpText::texts() const {
    QStringList out;
    for (const Line& l : lines_)
        if (l.isValue && l.hexType >= 0) out << l.data;
    return out;
}

QString DumpText::encodeHex(int type, const QString& text, bool* ok) const {
    QByteArray raw;
    *ok = true;
    if (unicode_) {
        raw = platform::utf16LeBytes(text);
    } else {
        const auto b = platform::encodeCodePage(text, codePage_);
        if (!b) {
            *ok = false;
            return {};
        }
        raw = *b;
    }
    QString out = QStringLiteral("hex(%1):").arg(type);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (i > 0) out += u',';
        out += QStringLiteral("%1").arg(uchar(raw.at(i)), 2, 16, QLatin1Char('0'));
    }
    return out;
}

int DumpText::rewrite(const std::function<QString(const QString&)>& fix) {
    int changed = 0;
    for (Line& l : lines_) {
        if (!l.isValue || l.hexType < 0) continue;
        const QString fixed = fix(l.data);
        if (fixed == l.data) continue;
        QString data;
        if (l.hexType == 0) {
            data = quote(fixed);
        } else {
            bool ok = false;
            data = encodeHex(l.hexType, fixed, &ok);
            if (!ok) continue;
        }
        l.raw = l.raw.left(l.nameEnd + 1) + data;
        l.data = fixed;
        ++changed;
    }
    return changed;
}

std::optional<QByteArray> DumpText::bytes() const {
    QString text;
    for (const Line& l : lines_)
        text += l.raw + QStringLiteral("\r\n");
    if (text.endsWith(QStringLiteral("\r\n\r\n"))) text.chop(2);
    if (unicode_) return QByteArray("\xFF\xFE", 2) + platform::utf16LeBytes(text);
    return platform::encodeCodePage(text, codePage_);
}

} // namespace restore
