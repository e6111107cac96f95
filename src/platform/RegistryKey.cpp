#include "platform/OleDate.h"
#include "platform/Registry.h"
#include "platform/RegistryImpl.h"

#include <QtEndian>

namespace platform {

namespace {

Error invalidKey() {
    return Error{kInvalidHandle, QStringLiteral("The registry key is not open")};
}

QString join(const QString& path, const QString& rel) {
    const QString clean = HiveFile::splitPath(rel).join(u'\\');
    if (path.isEmpty() || clean.isEmpty()) return path + clean;
    return path + u'\\' + clean;
}

} // namespace

bool RegKey::exists() const {
    return reg_ && reg_->keyExists(root_, path_);
}

bool RegKey::valueExists(const QString& name) const {
    return value(name).has_value();
}

std::optional<RegValue> RegKey::value(const QString& name) const {
    if (!reg_) return std::nullopt;
    return reg_->d->value(root_, path_, name);
}

std::optional<quint32> RegKey::valueType(const QString& name) const {
    const auto v = value(name);
    return v ? std::optional<quint32>(v->type) : std::nullopt;
}

QStringList RegKey::valueNames() const {
    return reg_ ? reg_->d->valueNames(root_, path_) : QStringList();
}

std::vector<RegValue> RegKey::values() const {
    return reg_ ? reg_->d->values(root_, path_) : std::vector<RegValue>();
}

QStringList RegKey::subKeyNames() const {
    return reg_ ? reg_->d->subKeyNames(root_, path_) : QStringList();
}

bool RegKey::hasSubKey(const QString& relPath) const {
    return reg_ && reg_->keyExists(root_, join(path_, relPath));
}

std::optional<QString> RegKey::readString(const QString& name) const {
    const auto v = value(name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
    return v->text();
}

std::optional<qint32> RegKey::readInt(const QString& name) const {
    const auto v = value(name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    return qFromLittleEndian<qint32>(v->data.constData());
}

std::optional<QByteArray> RegKey::readBinary(const QString& name) const {
    const auto v = value(name);
    if (!v || v->type != REG_BINARY) return std::nullopt;
    return v->data;
}

std::optional<QDateTime> RegKey::readDateTime(const QString& name) const {
    const auto bytes = readBinary(name);
    return bytes ? oleDateFromBytes(*bytes) : std::nullopt;
}

Status RegKey::writeValue(const RegValue& v) {
    if (!reg_) return invalidKey();
    return reg_->d->writeValue(root_, path_, v);
}

Status RegKey::writeString(const QString& name, const QString& text) {
    return writeValue(RegValue::string(name, text, REG_SZ));
}

Status RegKey::writeExpandString(const QString& name, const QString& text) {
    return writeValue(RegValue::string(name, text, REG_EXPAND_SZ));
}

Status RegKey::writeInt(const QString& name, qint32 v) {
    return writeValue(RegValue::dword(name, quint32(v)));
}

Status RegKey::writeBinary(const QString& name, const QByteArray& bytes) {
    return writeValue(RegValue::binary(name, bytes));
}

Status RegKey::writeDateTime(const QString& name, const QDateTime& t) {
    if (!t.isValid()) return Error{kInvalidData, QStringLiteral("Not a valid date and time")};
    return writeValue(RegValue::binary(name, oleDateBytes(t)));
}

Status RegKey::deleteValue(const QString& name) {
    if (!reg_) return invalidKey();
    return reg_->d->deleteValue(root_, path_, name);
}

Status RegKey::deleteSubKey(const QString& relPath) {
    if (!reg_) return invalidKey();
    if (HiveFile::splitPath(relPath).isEmpty())
        return Error{kInvalidName, QStringLiteral("No sub-key named")};
    return reg_->d->deleteKey(root_, join(path_, relPath));
}

Result<RegKey> RegKey::openSubKey(const QString& relPath, bool create) const {
    if (!reg_) return invalidKey();
    return reg_->open(root_, join(path_, relPath), create);
}

RegistryBatch::RegistryBatch(Registry& reg) : reg_(&reg) {
    begun_ = reg_->d->own.beginBatch();
    active_ = begun_.isOk();
}

RegistryBatch::~RegistryBatch() {
    commit();
}

Status RegistryBatch::commit() {
    if (!active_) return begun_;
    active_ = false;
    return reg_->d->own.endBatch();
}

} // namespace platform
