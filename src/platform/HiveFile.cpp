#include "platform/HiveFile.h"

#include "platform/RegistryText.h"

#include <QDateTime>

#include <algorithm>

namespace platform {

using regtext::foldName;

namespace {

// Lists longer than this get a hash index for their value names.
constexpr qsizetype kIndexFrom = 16;

// FILETIME ticks (100 ns since 1601) at the Unix epoch.
constexpr quint64 kEpochTicks = 116444736000000000ull;

} // namespace

HiveKey::HiveKey(QString name, HiveKey* parent)
    : name_(std::move(name)), folded_(foldName(name_)), parent_(parent) {}

QString HiveKey::path() const {
    QStringList parts;
    for (const HiveKey* k = this; k && k->parent_; k = k->parent_)
        parts.prepend(k->name_);
    return parts.join(u'\\');
}

qsizetype HiveKey::subKeyPos(QStringView folded, bool* found) const {
    // Wine's files list sub-keys in order, so reading appends at the end.
    if (subKeys_.empty() || QStringView(subKeys_.back()->folded_) < folded) {
        *found = false;
        return qsizetype(subKeys_.size());
    }
    auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), folded,
                               [](const std::unique_ptr<HiveKey>& k, QStringView f) {
                                   return QStringView(k->folded_) < f;
                               });
    *found = it != subKeys_.end() && QStringView((*it)->folded_) == folded;
    return it - subKeys_.begin();
}

HiveKey* HiveKey::subKey(QStringView name) const {
    bool found = false;
    const qsizetype pos = subKeyPos(foldName(name), &found);
    return found ? subKeys_[size_t(pos)].get() : nullptr;
}

HiveKey& HiveKey::addSubKey(const QString& name) {
    bool found = false;
    const qsizetype pos = subKeyPos(foldName(name), &found);
    if (found) return *subKeys_[size_t(pos)];
    auto it = subKeys_.insert(subKeys_.begin() + pos, std::make_unique<HiveKey>(name, this));
    return **it;
}

bool HiveKey::removeSubKey(QStringView name) {
    bool found = false;
    const qsizetype pos = subKeyPos(foldName(name), &found);
    if (!found) return false;
    subKeys_.erase(subKeys_.begin() + pos);
    return true;
}

QStringList HiveKey::subKeyNames() const {
    QStringList names;
    names.reserve(qsizetype(subKeys_.size()));
    for (const auto& k : subKeys_)
        names.append(k->name_);
    return names;
}

qsizetype HiveKey::valuePos(QStringView name) const {
    const qsizetype n = qsizetype(values_.size());
    if (n <= kIndexFrom) {
        for (qsizetype i = 0; i < n; ++i)
            if (regtext::sameName(values_[size_t(i)].name, name)) return i;
        return -1;
    }
    if (valueIndex_.size() != n) {
        valueIndex_.clear();
        for (qsizetype i = 0; i < n; ++i)
            valueIndex_.insert(foldName(values_[size_t(i)].name), i);
    }
    return valueIndex_.value(foldName(name), -1);
}

const RegValue* HiveKey::value(QStringView name) const {
    const qsizetype pos = valuePos(name);
    return pos < 0 ? nullptr : &values_[size_t(pos)];
}

void HiveKey::setValue(RegValue v) {
    const qsizetype pos = valuePos(v.name);
    if (pos >= 0) {
        // Keeps the name as first written, like Windows does.
        v.name = values_[size_t(pos)].name;
        values_[size_t(pos)] = std::move(v);
        return;
    }
    if (!valueIndex_.isEmpty()) valueIndex_.insert(foldName(v.name), qsizetype(values_.size()));
    values_.push_back(std::move(v));
}

bool HiveKey::removeValue(QStringView name) {
    const qsizetype pos = valuePos(name);
    if (pos < 0) return false;
    values_.erase(values_.begin() + pos);
    valueIndex_.clear();
    return true;
}

void HiveKey::setTimes(quint32 unixTime, std::optional<quint64> fileTime) {
    unixTime_ = unixTime;
    fileTime_ = fileTime;
}

void HiveKey::touch() {
    const qint64 ms = std::max<qint64>(0, QDateTime::currentMSecsSinceEpoch());
    unixTime_ = quint32(ms / 1000);
    fileTime_ = kEpochTicks + quint64(ms) * 10000;
}

bool HiveKey::isLink() const {
    return std::any_of(meta_.begin(), meta_.end(),
                       [](const QByteArray& l) { return l.trimmed() == "#link"; });
}

std::optional<QString> HiveKey::className() const {
    for (const QByteArray& line : meta_) {
        if (!line.startsWith("#class=\"")) continue;
        const char* p = line.constData() + 8;
        QString text;
        if (regtext::decodeQuoted(p, line.constData() + line.size(), '"', text)) return text;
    }
    return std::nullopt;
}

HiveFile::HiveFile() : root_(std::make_unique<HiveKey>()) {}
HiveFile::HiveFile(HiveFile&&) noexcept = default;
HiveFile& HiveFile::operator=(HiveFile&&) noexcept = default;
HiveFile::~HiveFile() = default;

QString HiveFile::relativeTo() const {
    static const QByteArray kLead = ";; All keys relative to ";
    for (const QByteArray& line : preamble_) {
        if (!line.startsWith(kLead)) continue;
        const char* p = line.constData() + kLead.size();
        QString path;
        regtext::decodeQuoted(p, line.constData() + line.size(), '\n', path);
        return path.trimmed();
    }
    return {};
}

void HiveFile::setRelativeTo(const QString& path) {
    QByteArray line = ";; All keys relative to ";
    regtext::appendEscaped(line, path, '[', ']');
    preamble_ = {line, QByteArray(), QByteArray("#arch=win64")};
}

QStringList HiveFile::splitPath(QStringView path) {
    QStringList parts;
    for (QStringView part : path.split(u'\\', Qt::SkipEmptyParts))
        parts.append(part.toString());
    return parts;
}

HiveKey* HiveFile::findKey(QStringView path) const {
    HiveKey* k = root_.get();
    for (QStringView part : path.split(u'\\', Qt::SkipEmptyParts)) {
        k = k->subKey(part);
        if (!k) return nullptr;
    }
    return k;
}

HiveKey& HiveFile::key(QStringView path) {
    HiveKey* k = root_.get();
    for (QStringView part : path.split(u'\\', Qt::SkipEmptyParts)) {
        HiveKey* next = k->subKey(part);
        if (!next) {
            next = &k->addSubKey(part.toString());
            next->touch();
        }
        k = next;
    }
    return *k;
}

bool HiveFile::removeKey(QStringView path) {
    const QStringList parts = splitPath(path);
    if (parts.isEmpty()) return false;
    HiveKey* parent = root_.get();
    for (qsizetype i = 0; parent && i + 1 < parts.size(); ++i)
        parent = parent->subKey(parts[i]);
    return parent && parent->removeSubKey(parts.last());
}

void HiveFile::setValue(QStringView keyPath, RegValue v) {
    key(keyPath).setValue(std::move(v));
}

qsizetype HiveFile::keyCount() const {
    qsizetype n = 0;
    std::vector<const HiveKey*> stack{root_.get()};
    while (!stack.empty()) {
        const HiveKey* k = stack.back();
        stack.pop_back();
        n += qsizetype(k->subKeys().size());
        for (const auto& s : k->subKeys())
            stack.push_back(s.get());
    }
    return n;
}

namespace {

void appendHexByte(QByteArray& out, uchar b) {
    static const char kDigits[] = "0123456789abcdef";
    out.append(kDigits[b >> 4]);
    out.append(kDigits[b & 15]);
}

bool storedAsText(const RegValue& v) {
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ && v.type != REG_MULTI_SZ) return false;
    const QByteArray& d = v.data;
    // Only text ending in its NUL reads back the same.
    return d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0;
}

void writeValue(QByteArray& out, const RegValue& v) {
    qsizetype count = 0;
    if (v.name.isEmpty()) {
        out.append("@=");
        count = 2;
    } else {
        out.append('"');
        count = 1 + regtext::appendEscaped(out, v.name, '"', '"') + 2;
        out.append("\"=");
    }
    if (storedAsText(v)) {
        if (v.type != REG_SZ) out.append("str(" + QByteArray::number(v.type, 16) + "):");
        out.append('"');
        const QString text = regtext::utf16Text(v.data);
        regtext::appendEscaped(out, QStringView(text).chopped(1), '"', '"');
        out.append("\"\n");
        return;
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const uchar* d = reinterpret_cast<const uchar*>(v.data.constData());
        out.append("dword:");
        for (int i = 3; i >= 0; --i)
            appendHexByte(out, d[i]);
        out.append('\n');
        return;
    }
    const QByteArray lead =
        v.type == REG_BINARY ? QByteArray("hex:") : "hex(" + QByteArray::number(v.type, 16) + "):";
    out.append(lead);
    count += lead.size();
    static const char kDigits[] = "0123456789abcdef";
    const qsizetype n = v.data.size();
    const uchar* d = reinterpret_cast<const uchar*>(v.data.constData());
    const qsizetype start = out.size();
    out.resize(start + n * 3 + (n / 24 + 1) * 4 + 1); // the most it can take
    char* const base = out.data();
    char* dst = base + start;
    for (qsizetype i = 0; i < n; ++i) {
        *dst++ = kDigits[d[i] >> 4];
        *dst++ = kDigits[d[i] & 15];
        count += 2;
        if (i + 1 < n) {
            *dst++ = ',';
            if (++count > 76) {
                *dst++ = '\\';
                *dst++ = '\n';
                *dst++ = ' ';
                *dst++ = ' ';
                count = 2;
            }
        }
    }
    *dst++ = '\n';
    out.truncate(dst - base);
}

// Keys with values, with nothing below them, or with "#" lines get their own
// section; the others are implied by their sub-keys' paths.
void writeKey(QByteArray& out, const HiveKey& k, const QByteArray& path, bool isRoot) {
    const bool ownSection =
        !k.values().empty() || !k.metaLines().isEmpty() || (!isRoot && k.subKeys().empty());
    if (ownSection) {
        out.append("\n[");
        out.append(path);
        out.append("] ");
        out.append(QByteArray::number(k.unixTime()));
        out.append('\n');
        if (const auto ft = k.fileTime()) {
            out.append("#time=");
            out.append(QByteArray::number(quint32(*ft >> 32), 16));
            out.append(QByteArray::number(quint32(*ft), 16).rightJustified(8, '0'));
            out.append('\n');
        }
        for (const QByteArray& line : k.metaLines()) {
            out.append(line);
            out.append('\n');
        }
        for (const RegValue& v : k.values())
            writeValue(out, v);
    }
    for (const auto& sub : k.subKeys()) {
        QByteArray subPath = path;
        if (!isRoot) subPath.append("\\\\");
        regtext::appendEscaped(subPath, sub->name(), '[', ']');
        writeKey(out, *sub, subPath, false);
    }
}

} // namespace

QByteArray HiveFile::serialize() const {
    QByteArray out("WINE REGISTRY Version 2\n");
    qsizetype last = preamble_.size();
    while (last > 0 && preamble_[last - 1].trimmed().isEmpty())
        --last;
    for (qsizetype i = 0; i < last; ++i) {
        out.append(preamble_[i]);
        out.append('\n');
    }
    writeKey(out, *root_, QByteArray(), true);
    return out;
}

} // namespace platform
