#pragma once
// The names of the registry roots as the registry editor writes them in dump
// files and as the dump component takes them.

#include <QString>

namespace base {
inline QString ClassesRootName() {
    return QStringLiteral("HKEY_CLASSES_ROOT");
}
inline QString CurrentUserName() {
    return QStringLiteral("HKEY_CURRENT_USER");
}
inline QString LocalMachineName() {
    return QStringLiteral("HKEY_LOCAL_MACHINE");
}
inline QString UsersName() {
    return QStringLiteral("HKEY_USERS");
}
} // namespace base
