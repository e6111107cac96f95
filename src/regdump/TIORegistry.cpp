#include "regdump/TIORegistry.h"

#include "platform/Files.h"
#include "platform/encoding.h"

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

TIORegistry::TIORegistry(Registry& reg, const Files& fs) : reg_(reg), fs_(fs) {}

HKEY TIORegistry::RootNameToKey(const QString& name) {
    for (const auto& r : kRoots)
        if (name == QLatin1String(r.name)) return r.key;
    return HKEY_CURRENT_USER;
}

QString TIORegistry::RootKeyToName(HKEY key) {
    for (const auto& r : kRoots)
        if (key == r.key) return QLatin1String(r.name);
    return QStringLiteral("HKEY_CURRENT_USER");
}

Result<RegKey> TIORegistry::openKey(HKEY root, const QString& path) {
    return reg_.open(root, relativeKeyPath(path), false);
}

bool TIORegistry::ExportRegistryKey(QString rootName, const QString& keyPath, bool includeSubKeys,
                                    const QString& fileName) {
    QStringList lines{QStringLiteral("REGEDIT4")};
    bool ok = true;

    // An unknown root name reads HKEY_CURRENT_USER; the key lines name the root
    // that was actually read, so the file never claims a root it did not come from.
    root_ = rootName.isEmpty() ? HKEY_CURRENT_USER : RootNameToKey(rootName);
    rootName = RootKeyToName(root_);

    // Opening without creating: a missing key is written exactly as an empty
    // key would be, and the mail client's registry is left as it is.
    const QString path = relativeKeyPath(keyPath);
    const bool keyExists = openKey(root_, path).isOk();
    QStringList keys{path};
    if (includeSubKeys && keyExists && !CollectSubKeys(path, keys, true, root_)) ok = false;

    if (ok) {
        for (const QString& key : std::as_const(keys)) {
            lines.append(QString());
            QStringList names;
            const bool haveNames = keyExists && ReadValueNames(key, names);
            lines.append(keyLine(rootName, key));
            if (!haveNames) continue;
            const auto opened = openKey(root_, key);
            for (const QString& name : std::as_const(names)) {
                const QString data = opened ? FormatValueData(*opened, name) : QString();
                lines.append(FormatValueLine(name, data));
            }
        }
    }

    if (fileName.isEmpty() || ExportDestination == eiProperty) {
        RegistryData.append(lines);
        return ok;
    }
    QString text;
    for (const QString& line : std::as_const(lines)) {
        text += line;
        text += QLatin1String("\r\n");
    }
    if (!fs_.writeAll(fileName, toAnsi(text))) ok = false;
    return ok;
}

QString TIORegistry::keyLine(const QString& rootName, const QString& path) const {
    // The root itself is written as regedit writes it, without a trailing delimiter.
    if (path.isEmpty()) return RootStart + rootName + RootEnd;
    if (!rootName.isEmpty() && !path.startsWith(u'\\'))
        return RootStart + rootName + KeyLevelDelim + path + RootEnd;
    return RootStart + rootName + path + RootEnd;
}

bool TIORegistry::CollectSubKeys(const QString& path, QStringList& list, bool recurse, HKEY root) {
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

bool TIORegistry::ReadValueNames(const QString& path, QStringList& list) {
    const auto key = openKey(root_, path);
    if (!key) return false;
    list = key->valueNames();
    return true;
}

QString TIORegistry::FormatValueData(const RegKey& key, const QString& name) const {
    const auto value = key.value(name);
    return value ? FormatValueData(*value) : QString();
}

QString TIORegistry::FormatValueData(const RegValue& value) const {
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        // A string ends at its first NUL, as the registry's string reads do.
        QString text = value.text();
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0) text.truncate(nul);
        return StringStartEndChar + text + StringStartEndChar;
    }
    case REG_DWORD: {
        if (value.data.size() != 4) return QString(); // cannot be read as a 32-bit integer
        const quint32 v = qFromLittleEndian<quint32>(value.data.constData());
        return HexIntPrefix + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
    }
    case REG_BINARY: {
        if (value.data.isEmpty()) return QString();
        QString text = BinaryPrefix;
        text.reserve(BinaryPrefix.size() + value.data.size() * 3);
        for (qsizetype i = 0; i < value.data.size(); ++i) {
            if (i > 0) text += u',';
            appendHexByte(text, uchar(value.data.at(i)));
        }
        return text;
    }
    default:
        return QString();
    }
}

QString TIORegistry::FormatValueLine(const QString& name, const QString& data) const {
    return StringStartEndChar + name + StringStartEndChar + DataNameValueDelim + data;
}

} // namespace regdump
