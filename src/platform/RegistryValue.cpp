#include "base/RegistryRoots.h"
#include "platform/Registry.h"
#include "platform/RegistryText.h"

#include <QtEndian>

namespace platform {

QString RegValue::text() const {
    QString t = regtext::utf16Text(data);
    qsizetype n = t.size();
    while (n > 0 && t[n - 1].isNull())
        --n;
    t.truncate(n);
    return t;
}

RegValue RegValue::string(const QString& name, const QString& text, quint32 type) {
    return {name, type, regtext::utf16Bytes(text, true)};
}

RegValue RegValue::dword(const QString& name, quint32 v) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(v, bytes.data());
    return {name, REG_DWORD, bytes};
}

RegValue RegValue::binary(const QString& name, const QByteArray& bytes) {
    return {name, REG_BINARY, bytes};
}

QString rootName(HKEY root) {
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return base::ClassesRootName();
    case HKEY_CURRENT_USER:
        return base::CurrentUserName();
    case HKEY_LOCAL_MACHINE:
        return base::LocalMachineName();
    case HKEY_USERS:
        return base::UsersName();
    case HKEY_PERFORMANCE_DATA:
        return QStringLiteral("HKEY_PERFORMANCE_DATA");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HKEY_DYN_DATA:
        return QStringLiteral("HKEY_DYN_DATA");
    default:
        return {};
    }
}

} // namespace platform
