#include "restore/SettingsPaths.h"

#include "platform/Encoding.h"
#include "platform/Files.h"
#include "restore/Destinations.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace restore {

namespace {

struct Setting {
    qsizetype line = 0;
    QString name;  // "[Section] Key", or a preference's name
    QString value; // as the client reads it (a preference unescaped)
};

// Mozilla's preference line: user_pref("name", "value");
const QRegularExpression& prefLine() {
    static const char* const pattern =
        R"re(^\s*user_pref\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*"((?:[^"\\]|\\.)*)"\s*\)\s*;)re";
    static const QRegularExpression re(QString::fromLatin1(pattern));
    return re;
}

QString unescapeScript(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i)
        out += (s[i] == u'\\' && i + 1 < s.size()) ? s[++i] : s[i];
    return out;
}

QList<Setting> settingsOf(const QStringList& lines) {
    QList<Setting> found;
    QString section;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(u'[') && t.endsWith(u']')) {
            section = t;
            continue;
        }
        if (const auto m = prefLine().match(lines[i]); m.hasMatch()) {
            found.append({i, m.captured(1), unescapeScript(m.captured(2))});
            continue;
        }
        const qsizetype eq = t.indexOf(u'=');
        if (eq > 0 && !t.startsWith(u';'))
            found.append({i, section + u' ' + t.left(eq).trimmed(), t.mid(eq + 1).trimmed()});
    }
    return found;
}

// Why the place a value names is not the client's; empty when the value names
// no place, or one inside the client's folders.
QString placeProblem(QString value, const Destinations& destinations) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    if (value.startsWith(QLatin1String("\\\\")) || value.startsWith(QLatin1String("//")))
        return QStringLiteral("a network folder");
    if (value.size() >= 3 && value[0].isLetter() && value[1] == u':' &&
        (value[2] == u'\\' || value[2] == u'/'))
        return destinations.folderProblem(value.replace(u'/', u'\\'));
    // A relative folder is read from the settings file's own folder.
    static const QRegularExpression climbs(QStringLiteral(R"((^|[\\/])\.\.([\\/]|$))"));
    if (climbs.match(value).hasMatch()) return QStringLiteral("a \"..\" that climbs out");
    return {};
}

// A file as lines: the bytes of each kept as they are, so that only the
// lines changed are written anew.
struct Text {
    QList<QByteArray> raw; // each with its line end
    QStringList lines;     // decoded, the same lines
    enum { Utf8, Ansi, Utf16 } form = Ansi;

    QByteArray encode(const QString& line) const {
        if (form == Utf16) return platform::utf16LeBytes(line);
        return form == Utf8 ? line.toUtf8() : platform::toAnsi(line);
    }
};

std::optional<Text> readText(const QString& hostPath) {
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() > (16 << 20)) return std::nullopt;
    QByteArray bytes = f.readAll();
    Text t;
    if (bytes.startsWith("\xFF\xFE")) {
        t.form = Text::Utf16;
        const QString text = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
        qsizetype from = 0;
        while (from < text.size()) {
            qsizetype end = text.indexOf(u'\n', from);
            end = end < 0 ? text.size() : end + 1;
            t.lines << text.mid(from, end - from);
            t.raw << platform::utf16LeBytes(t.lines.last());
            from = end;
        }
        t.raw.prepend(QByteArray("\xFF\xFE", 2)); // the mark, a line of its own
        t.lines.prepend(QString());
        return t;
    }
    t.form = QString::fromUtf8(bytes).toUtf8() == bytes ? Text::Utf8 : Text::Ansi;
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', from);
        end = end < 0 ? bytes.size() : end + 1;
        t.raw << bytes.mid(from, end - from);
        t.lines << platform::decodeText(t.raw.last());
        from = end;
    }
    return t;
}

QString lineEnd(const QString& line) {
    if (line.endsWith(QLatin1String("\r\n"))) return QStringLiteral("\r\n");
    return line.endsWith(u'\n') ? QStringLiteral("\n") : QString();
}

} // namespace

QString ConfineSettingsPaths(const QString& stagingHost, const QList<Placement>& placements,
                             const Destinations& destinations, const platform::Files& files,
                             QStringList& changes) {
    for (const Placement& p : placements) {
        const QString staged = stagingHost + u'/' + p.entry;
        auto text = readText(staged);
        if (!text) return QStringLiteral("%1 cannot be read").arg(p.entry);
        QList<Setting> outside;
        QStringList why;
        for (const Setting& s : settingsOf(text->lines))
            if (const QString w = placeProblem(s.value, destinations); !w.isEmpty()) {
                outside << s;
                why << w;
            }
        if (outside.isEmpty()) continue;

        // What this prefix's own copy holds: the person's setting, not the backup's.
        QHash<QString, Setting> current;
        std::optional<Text> mine;
        if (const auto host = files.hostPath(p.winPath)) mine = readText(*host);
        if (mine)
            for (const Setting& s : settingsOf(mine->lines))
                current.insert(s.name.toLower(), s);

        for (qsizetype i = 0; i < outside.size(); ++i) {
            const Setting& s = outside[i];
            const auto own = current.constFind(s.name.toLower());
            // The prefix already names it: nothing the backup brings.
            if (own != current.constEnd() && own->value == s.value) continue;
            QString now;
            if (own != current.constEnd() && placeProblem(own->value, destinations).isEmpty()) {
                QString line = mine->lines[own->line];
                line.chop(lineEnd(line).size());
                text->raw[s.line] = text->encode(line + lineEnd(text->lines[s.line]));
                now = QStringLiteral("this prefix's value %1 is kept").arg(own->value);
            } else {
                text->raw[s.line].clear();
                now = QStringLiteral("removed, so the client uses its default");
            }
            changes << QStringLiteral("%1: %2 named %3, %4; %5")
                           .arg(p.entry, s.name, s.value, why[i], now);
        }
        const QByteArray bytes = text->raw.join();
        QFile f(staged);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            return QStringLiteral("%1 cannot be written (%2)").arg(p.entry, f.errorString());
    }
    return {};
}

} // namespace restore
