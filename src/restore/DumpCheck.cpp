#include "restore/DumpCheck.h"

#include "restore/DumpText.h"

#include "platform/Encoding.h"
#include "platform/RegistryText.h"

#include <QFile>
#include <QtEndian>

#include <map>

namespace restore {

namespace {

using platform::HKEY;

// Far beyond any value a mail client keeps; a bigger one is an attack on memory.
constexpr qsizetype kMaxValueBytes = qsizetype(16) << 20;
constexpr qint64 kMaxDumpBytes = qint64(128) << 20;

const QString kUnicodeHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kAnsiHeader = QStringLiteral("REGEDIT4");

struct RootName {
    const char* full;
    const char* shortName;
    HKEY key;
};
constexpr RootName kRoots[] = {
    {"HKEY_CURRENT_USER", "HKCU", platform::HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", platform::HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", "HKCR", platform::HKEY_CLASSES_ROOT},
    {"HKEY_USERS", "HKU", platform::HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", platform::HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", "HKDD", platform::HKEY_DYN_DATA},
};

QString rootText(HKEY key) {
    for (const RootName& r : kRoots)
        if (r.key == key) return QLatin1String(r.full);
    return {};
}

bool isStringType(quint32 type) {
    return type == platform::REG_SZ || type == platform::REG_EXPAND_SZ ||
           type == platform::REG_MULTI_SZ;
}

bool blank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    while (!s.isEmpty() && blank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && blank(s.back()))
        s.chop(1);
    return s;
}

// A name the editor would read other than it is written, or whose place could
// shift: empty (a run of backslashes), "." and "..", blanks at either end,
// control characters, more than Windows allows.
QString badKeyName(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("an empty key name");
    if (name == u"." || name == u"..") return QStringLiteral("a key named \"%1\"").arg(name);
    if (name.size() > 255) return QStringLiteral("a key name longer than 255 characters");
    if (blank(name.front()) || blank(name.back()))
        return QStringLiteral("a key name with blanks at its end");
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("a control character in a key name");
    return {};
}

bool matches(HKEY root, const QStringList& path, const clients::OwnKey& own, bool wholeBranch) {
    const HKEY ownRoot = own.root == clients::OwnKey::LocalMachine ? platform::HKEY_LOCAL_MACHINE
                                                                   : platform::HKEY_CURRENT_USER;
    if (root != ownRoot) return false;
    const QStringList pattern = own.path.split(u'\\');
    if (path.size() < pattern.size()) return false;
    // A deletion takes everything below the key: only inside a branch that is the client's.
    if (path.size() > pattern.size() || wholeBranch) {
        if (!own.subKeys) return false;
    }
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (pattern[i] != u"*" && !platform::regtext::sameName(pattern[i], path[i])) return false;
    return true;
}

bool inside(HKEY root, const QStringList& path, const std::vector<clients::OwnKey>& own,
            bool wholeBranch) {
    // The classes root lands in the user's or the machine's classes, whichever
    // holds the key already: both must be the client's.
    if (root == platform::HKEY_CLASSES_ROOT) {
        const QStringList classes =
            QStringList{QStringLiteral("Software"), QStringLiteral("Classes")} + path;
        return inside(platform::HKEY_CURRENT_USER, classes, own, wholeBranch) &&
               inside(platform::HKEY_LOCAL_MACHINE, classes, own, wholeBranch);
    }
    for (const clients::OwnKey& k : own)
        if (matches(root, path, k, wholeBranch)) return true;
    return false;
}

// A quoted field from `at` (on the opening quote): only the escapes the dump
// form has (\\ and \"); `at` ends past the closing quote.
bool unquote(QStringView s, qsizetype& at, QString& out, QString* why) {
    if (at >= s.size() || s[at] != u'"') return false;
    for (++at; at < s.size(); ++at) {
        const QChar c = s[at];
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c.isNull() || c == u'\r') {
            *why = QStringLiteral("a control character that cannot be written back");
            return false;
        }
        if (c == u'\\') {
            if (at + 1 >= s.size() || (s[at + 1] != u'\\' && s[at + 1] != u'"')) {
                *why = QStringLiteral("an escape the dump form does not have");
                return false;
            }
            ++at;
        }
        out += s[at];
    }
    *why = QStringLiteral("a quote that is not closed");
    return false;
}

std::optional<quint32> hexNumber(QStringView text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits) return std::nullopt;
    quint32 v = 0;
    for (const QChar c : text) {
        const int d = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
        if (d < 0) return std::nullopt;
        v = v * 16 + quint32(d);
    }
    return v;
}

QString valueText(const CheckedDump::Value& v) {
    if (v.remove) return QStringLiteral("-");
    const platform::RegValue& r = v.value;
    if (v.quoted) return DumpText::quote(r.text());
    if (r.type == platform::REG_DWORD && r.data.size() == 4)
        return QStringLiteral("dword:%1")
            .arg(qFromLittleEndian<quint32>(r.data.constData()), 8, 16, QLatin1Char('0'));
    QString out = r.type == platform::REG_BINARY ? QStringLiteral("hex:")
                                                 : QStringLiteral("hex(%1):").arg(r.type, 0, 16);
    for (qsizetype i = 0; i < r.data.size(); ++i) {
        if (i > 0) out += u',';
        // The editor's own line length: long data goes on over continuation lines.
        if (i > 0 && i % 24 == 0) out += QStringLiteral("\\\r\n  ");
        out += QStringLiteral("%1").arg(uchar(r.data[i]), 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

QString CheckedDump::Key::text() const {
    return (QStringList{rootText(root)} + path).join(u'\\');
}

std::optional<CheckedDump>
CheckedDump::check(const QByteArray& bytes, const std::vector<clients::OwnKey>& own, QString* why) {
    CheckedDump d;
    d.unicode_ = bytes.startsWith("\xFF\xFE");
    d.codePage_ = platform::ansiCodePage();
    const auto fail = [why](const QString& where, const QString& reason) {
        *why = where.isEmpty() ? reason : where + QStringLiteral(": ") + reason;
        return std::nullopt;
    };
    const auto decoded = platform::decodeWindowsFile(bytes, d.codePage_);
    if (!decoded) return fail({}, QStringLiteral("not a registry dump in either form"));
    const QStringList lines = decoded->split(u'\n');
    const auto line = [&lines](qsizetype i) {
        QStringView l = lines[i];
        if (l.endsWith(u'\r')) l.chop(1);
        return l;
    };
    d.header_ = trimBlanks(line(0)).toString();
    if (d.header_ != kAnsiHeader && d.header_ != kUnicodeHeader)
        return fail({}, QStringLiteral("not a registry dump in either form"));

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView l = trimBlanks(line(i));
        if (l.isEmpty() || l.startsWith(u';') || l.startsWith(u'#')) continue;
        const QString where = d.keys_.empty() ? QString() : d.keys_.back().text();
        if (l.startsWith(u'[')) {
            const qsizetype close = l.lastIndexOf(u']');
            if (close < 0 || close != l.size() - 1)
                return fail(l.toString(), QStringLiteral("a key line that does not end in ']'"));
            Key key;
            QStringView inner = l.mid(1, close - 1);
            key.remove = inner.startsWith(u'-');
            if (key.remove) inner = inner.mid(1);
            const QStringList parts = inner.toString().split(u'\\');
            bool known = false;
            for (const RootName& r : kRoots) {
                if (parts.first().compare(QLatin1String(r.full), Qt::CaseInsensitive) == 0 ||
                    parts.first().compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0) {
                    key.root = r.key;
                    known = true;
                }
            }
            if (!known) return fail(inner.toString(), QStringLiteral("an unknown registry root"));
            key.path = parts.mid(1);
            for (const QString& name : key.path)
                if (const QString bad = badKeyName(name); !bad.isEmpty())
                    return fail(inner.toString(), bad);
            if (!inside(key.root, key.path, own, key.remove))
                return fail(key.text(),
                            key.remove ? QStringLiteral("a deletion of a key that is not only the "
                                                        "client's own")
                                       : QStringLiteral("not one of the client's own keys"));
            d.keys_.push_back(std::move(key));
            continue;
        }
        if (!l.startsWith(u'"') && !l.startsWith(u'@'))
            return fail(where, QStringLiteral("a line that is neither a key nor a value: %1")
                                   .arg(l.left(80).toString()));
        if (d.keys_.empty()) return fail({}, QStringLiteral("a value before any key"));
        if (d.keys_.back().remove)
            return fail(where, QStringLiteral("a value below a deleted key"));
        Value v;
        qsizetype at = 1;
        QString reason;
        if (l.startsWith(u'"')) {
            at = 0;
            if (!unquote(l, at, v.name, &reason))
                return fail(where,
                            reason.isEmpty() ? QStringLiteral("a malformed value name") : reason);
        }
        v.value.name = v.name;
        QStringView data = trimBlanks(l.mid(at));
        if (!data.startsWith(u'='))
            return fail(where, QStringLiteral("a value without '=': %1").arg(v.name));
        data = trimBlanks(data.mid(1));
        const QString valueName =
            where + QLatin1Char('\\') + (v.name.isEmpty() ? QStringLiteral("@") : v.name);
        if (data == u"-") {
            v.remove = true;
        } else if (data.startsWith(u'"')) {
            QString text;
            qsizetype p = 0;
            if (!unquote(data, p, text, &reason) || p != data.size())
                return fail(valueName,
                            reason.isEmpty() ? QStringLiteral("malformed text data") : reason);
            v.quoted = true;
            v.value.type = platform::REG_SZ;
            v.value.data = platform::regtext::utf16Bytes(text, true);
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const auto n = hexNumber(data.mid(6), 8);
            if (!n) return fail(valueName, QStringLiteral("malformed dword data"));
            v.value.type = platform::REG_DWORD;
            v.value.data.resize(4);
            qToLittleEndian<quint32>(*n, v.value.data.data());
        } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            QStringView rest = data.mid(3);
            quint32 type = platform::REG_BINARY;
            if (rest.startsWith(u'(')) {
                const qsizetype end = rest.indexOf(u')');
                const auto t = end > 0 ? hexNumber(rest.mid(1, end - 1), 8) : std::nullopt;
                if (!t) return fail(valueName, QStringLiteral("a malformed value type"));
                type = *t;
                rest = rest.mid(end + 1);
            }
            if (!rest.startsWith(u':'))
                return fail(valueName, QStringLiteral("malformed hex data"));
            // Hex data goes on over lines ending in a backslash.
            QString joined = rest.mid(1).toString();
            while (joined.endsWith(u'\\') && i + 1 < lines.size()) {
                joined.chop(1);
                joined += trimBlanks(line(++i));
                if (joined.size() > 4 * kMaxValueBytes)
                    return fail(valueName, QStringLiteral("a value larger than 16 MiB"));
            }
            if (joined.size() > 4 * kMaxValueBytes)
                return fail(valueName, QStringLiteral("a value larger than 16 MiB"));
            QByteArray raw;
            for (qsizetype p = 0; p < joined.size();) {
                qsizetype comma = joined.indexOf(u',', p);
                if (comma < 0) comma = joined.size();
                const QStringView b = trimBlanks(QStringView(joined).mid(p, comma - p));
                p = comma + 1;
                // A trailing comma before the end is written by some editors.
                if (b.isEmpty() && p >= joined.size()) break;
                const auto byte = hexNumber(b, 2);
                if (!byte) return fail(valueName, QStringLiteral("malformed hex data"));
                raw += char(*byte);
                if (raw.size() > kMaxValueBytes)
                    return fail(valueName, QStringLiteral("a value larger than 16 MiB"));
            }
            v.value.type = type;
            v.value.data = raw;
        } else {
            return fail(valueName, QStringLiteral("a kind of value data that is not read"));
        }
        d.keys_.back().values.push_back(std::move(v));
    }
    if (!d.bytes()) return fail({}, QStringLiteral("a text the dump's code page cannot hold"));
    return d;
}

std::optional<QByteArray> CheckedDump::bytes() const {
    QString text = header_ + QStringLiteral("\r\n\r\n");
    for (const Key& k : keys_) {
        text +=
            QStringLiteral("[%1%2]\r\n").arg(k.remove ? QStringLiteral("-") : QString(), k.text());
        for (const Value& v : k.values)
            text += (v.name.isEmpty() ? QStringLiteral("@") : DumpText::quote(v.name)) + u'=' +
                    valueText(v) + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    if (unicode_) return QByteArray("\xFF\xFE", 2) + platform::utf16LeBytes(text);
    return platform::encodeCodePage(text, codePage_);
}

QString CheckedDump::differenceIn(platform::Registry& reg, const std::vector<CheckedDump>& dumps) {
    // What the registry must hold once every line is applied in order: a
    // later line may delete what an earlier one wrote, or write it again.
    struct Want {
        const Key* key = nullptr;
        bool present = true;
        std::map<QString, const Value*> values; // by folded name
    };
    std::map<QString, Want> want; // by folded root and path
    for (const CheckedDump& dump : dumps)
        for (const Key& k : dump.keys_) {
            const QString folded = platform::regtext::foldName(k.text());
            if (k.remove) {
                for (auto& [name, w] : want)
                    if (name == folded || name.startsWith(folded + QLatin1Char('\\'))) {
                        w.present = false;
                        w.values.clear();
                    }
                want[folded] = Want{&k, false, {}};
                continue;
            }
            // Writing a key makes every key on its way again.
            for (auto& [name, w] : want)
                if (folded.startsWith(name + QLatin1Char('\\'))) w.present = true;
            Want& w = want[folded];
            w.key = &k;
            w.present = true;
            for (const Value& v : k.values)
                w.values[platform::regtext::foldName(v.name)] = &v;
        }
    for (const auto& [name, w] : want) {
        const QString path = w.key->path.join(u'\\');
        const auto key = reg.open(w.key->root, path);
        if (!w.present) {
            if (key) return QStringLiteral("%1 is still there").arg(w.key->text());
            continue;
        }
        if (!key) return QStringLiteral("%1 is missing").arg(w.key->text());
        for (const auto& [folded, v] : w.values) {
            const QString where = w.key->text() + QLatin1Char('\\') +
                                  (v->name.isEmpty() ? QStringLiteral("@") : v->name);
            const auto got = key->value(v->name);
            if (v->remove) {
                if (got) return QStringLiteral("%1 is still there").arg(where);
                continue;
            }
            if (!got) return QStringLiteral("%1 is missing").arg(where);
            // Texts compare as text: a REGEDIT4 dump holds them in the code page.
            const bool same = got->type == v->value.type &&
                              (isStringType(got->type) ? got->text() == v->value.text()
                                                       : got->data == v->value.data);
            if (!same && !(isStringType(got->type) && got->type == v->value.type &&
                           platform::decodeCodePage(v->value.data, platform::ansiCodePage())
                                   .value_or(QString())
                                   .remove(QChar(0)) == got->text().remove(QChar(0))))
                return QStringLiteral("%1 differs").arg(where);
        }
    }
    return {};
}

QString CheckDumps(const QString& stagingHost, const QStringList& entries, int clientCode,
                   std::vector<CheckedDump>& out) {
    const std::vector<clients::OwnKey> own = clients::OwnRegistryKeys(clientCode);
    for (const QString& entry : entries) {
        QFile f(stagingHost + QLatin1Char('/') + entry);
        QString why;
        if (!f.open(QIODevice::ReadOnly)) {
            why = f.errorString();
        } else if (f.size() > kMaxDumpBytes) {
            why = QStringLiteral("a dump larger than %1 MiB").arg(kMaxDumpBytes >> 20);
        } else if (auto dump = CheckedDump::check(f.readAll(), own, &why)) {
            out.push_back(std::move(*dump));
            continue;
        }
        return QStringLiteral("%1 (%2)").arg(entry, why);
    }
    return {};
}

} // namespace restore
