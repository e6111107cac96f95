#include "regdump/RegistryDump.h"

#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/RegistryText.h"

#include <QtEndian>

#include <array>
#include <utility>
#include <vector>

namespace regdump {

using namespace platform;

namespace {

struct RootName {
    const char* name;
    HKEY key;
};

constexpr std::array<RootName, 6> kRoots{{
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
}};

// The path as the registry reports an opened key: relative to the root,
// without leading (or trailing) backslashes.
QString relativeKeyPath(const QString& path) {
    qsizetype first = 0;
    qsizetype last = path.size();
    while (first < last && path.at(first) == u'\\')
        ++first;
    while (last > first && path.at(last - 1) == u'\\')
        --last;
    return path.mid(first, last - first);
}

void appendHexByte(QString& text, uchar b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    text += QLatin1Char(digits[b >> 4]);
    text += QLatin1Char(digits[b & 0x0F]);
}

} // namespace

RegistryDump::RegistryDump(Registry& reg, const Files& fs)
    : form_{false, ansiCodePage()}, reg_(reg), fs_(fs) {}

HKEY RegistryDump::RootNameToKey(const QString& name) {
    for (const auto& r : kRoots)
        if (name == QLatin1String(r.name)) return r.key;
    return HKEY_CURRENT_USER;
}

QString RegistryDump::RootKeyToName(HKEY key) {
    for (const auto& r : kRoots)
        if (key == r.key) return QLatin1String(r.name);
    return QStringLiteral("HKEY_CURRENT_USER");
}

Result<RegKey> RegistryDump::openKey(HKEY root, const QString& path) {
    return reg_.open(root, relativeKeyPath(path), false);
}

bool RegistryDump::ExportRegistryKey(QString rootName, const QString& keyPath, bool includeSubKeys,
                                     const QString& fileName) {
    bool ok = true;

    // An unknown root name reads HKEY_CURRENT_USER; the key lines name the root
    // that was actually read, so the file never claims a root it did not come from.
    root_ = rootName.isEmpty() ? HKEY_CURRENT_USER : RootNameToKey(rootName);
    rootName = RootKeyToName(root_);

    // Opening without creating: a missing key is written exactly as an empty
    // key would be, and the mail client's registry is left as it is.
    const QString path = relativeKeyPath(keyPath);
    const bool keyExists = openKey(root_, path).isOk();
    QStringList paths{path};
    if (includeSubKeys && keyExists && !CollectSubKeys(path, paths, true, root_)) ok = false;

    std::vector<KeyDump> keys;
    if (ok) {
        for (const QString& key : std::as_const(paths)) {
            KeyDump dump;
            dump.line = keyLine(rootName, key);
            // A line break in a key name cannot be written: the line would end
            // there and the rest would be read as lines of their own.
            if (dump.line.contains(u'\n') || dump.line.contains(u'\r')) {
                ok = false;
                continue;
            }
            dump.namesRead = keyExists && ReadValueNames(key, dump.names);
            if (auto opened = openKey(root_, key)) dump.key = *std::move(opened);
            keys.push_back(std::move(dump));
        }
    }

    // REGEDIT4 in the locale's code page when it holds every text, else Unicode.
    form_ = Form{false, ansiCodePage()};
    unfit_ = false;
    QStringList lines = formatLines(keys);
    QString text = lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
    std::optional<QByteArray> bytes;
    if (!unfit_) bytes = encodeCodePage(text, form_.codePage);
    if (!bytes) {
        form_.unicode = true;
        lines = formatLines(keys);
        text = lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
        bytes = QByteArrayLiteral("\xFF\xFE") + utf16LeBytes(text);
    }

    if (fileName.isEmpty() || ExportDestination == eiProperty) {
        RegistryData.append(lines);
        return ok;
    }
    if (!fs_.writeAll(fileName, *bytes)) ok = false;
    return ok;
}

QStringList RegistryDump::formatLines(const std::vector<KeyDump>& keys) const {
    QStringList lines{form_.unicode ? QStringLiteral("Windows Registry Editor Version 5.00")
                                    : QStringLiteral("REGEDIT4")};
    for (const KeyDump& dump : keys) {
        lines.append(QString());
        lines.append(dump.line);
        if (!dump.namesRead) continue;
        for (const QString& name : dump.names) {
            const QString data = dump.key ? FormatValueData(*dump.key, name) : QString();
            lines.append(FormatValueLine(name, data));
        }
    }
    return lines;
}

QString RegistryDump::keyLine(const QString& rootName, const QString& path) const {
    // The root itself is written as regedit writes it, without a trailing delimiter.
    if (path.isEmpty()) return RootStart + rootName + RootEnd;
    if (!rootName.isEmpty() && !path.startsWith(u'\\'))
        return RootStart + rootName + KeyLevelDelim + path + RootEnd;
    return RootStart + rootName + path + RootEnd;
}

bool RegistryDump::CollectSubKeys(const QString& path, QStringList& list, bool recurse, HKEY root) {
    // Each key's children are appended together, then each child is expanded in
    // turn. Kept iterative so a deeply nested hive cannot exhaust the stack.
    struct Frame {
        QStringList children;
        qsizetype next = 0;
    };
    auto expand = [&](const QString& keyPath, QStringList& children) {
        const auto key = openKey(root, keyPath);
        if (!key) return false;
        for (const QString& name : key->subKeyNames())
            children.append(keyPath + u'\\' + name);
        list.append(children);
        return true;
    };

    std::vector<Frame> stack(1);
    if (!expand(path, stack.back().children)) return false;
    if (!recurse) return true;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.children.size()) {
            stack.pop_back();
            continue;
        }
        const QString child = top.children.at(top.next++);
        Frame frame;
        if (!expand(child, frame.children)) return false;
        if (!frame.children.isEmpty()) stack.push_back(std::move(frame));
    }
    return true;
}

bool RegistryDump::ReadValueNames(const QString& path, QStringList& list) {
    const auto key = openKey(root_, path);
    if (!key) return false;
    list = key->valueNames();
    return true;
}

QString RegistryDump::FormatValueData(const RegKey& key, const QString& name) const {
    const auto value = key.value(name);
    return value ? FormatValueData(*value) : QString();
}

QString RegistryDump::quoted(const QString& text) const {
    QString out = StringStartEndChar;
    out.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == u'\\' || c == StringStartEndChar) out += u'\\';
        out += c;
    }
    return out + StringStartEndChar;
}

QString RegistryDump::hexData(quint32 type, const QByteArray& bytes) const {
    QString text = type == REG_BINARY ? BinaryPrefix : QStringLiteral("hex(%1):").arg(type, 0, 16);
    text.reserve(text.size() + bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += u',';
        appendHexByte(text, uchar(bytes.at(i)));
    }
    return text;
}

// The bytes of a string-typed value as the file carries them: as stored in a
// Unicode file, in the code page in a REGEDIT4 file (the editor converts them).
std::optional<QByteArray> RegistryDump::stringBytes(const RegValue& value) const {
    if (form_.unicode) return value.data;
    if (value.data.size() % 2 != 0) return std::nullopt; // not text: only the Unicode form keeps it
    return encodeCodePage(regtext::utf16Text(value.data), form_.codePage);
}

QString RegistryDump::FormatValueData(const RegValue& value) const {
    switch (value.type) {
    case REG_SZ: {
        // The quoted form holds one line of text without NULs, and the editor
        // adds the terminator: anything else keeps its bytes in hex(1).
        const QString text = value.text();
        bool plain = value.data == regtext::utf16Bytes(text, true);
        for (qsizetype i = 0; plain && i < text.size(); ++i)
            plain = text.at(i).unicode() >= 0x20;
        if (plain) return quoted(text);
        [[fallthrough]];
    }
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        const auto bytes = stringBytes(value);
        if (!bytes) {
            unfit_ = true;
            return QString();
        }
        return hexData(value.type, *bytes);
    }
    case REG_DWORD:
        if (value.data.size() == 4) {
            const quint32 v = qFromLittleEndian<quint32>(value.data.constData());
            return HexIntPrefix + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
        }
        return hexData(value.type, value.data);
    default:
        return hexData(value.type, value.data);
    }
}

QString RegistryDump::FormatValueLine(const QString& name, const QString& data) const {
    // A line break in a name has only the editor's escapes to stay on one line.
    QString escaped = quoted(name);
    escaped.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
    return escaped + DataNameValueDelim + data;
}

} // namespace regdump
