#pragma once
// Pegasus Mail: a mailbox folder named in the machine's classes, with one
// folder per user (or "Mail" for the single user) and the user list.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct PegasusLayout {
    enum Item { kAccounts };

    // Below HKEY_LOCAL_MACHINE; its sub-keys "MailBox" and "Username" hold
    // the mailbox path and the user mode as default values.
    static constexpr const char* kKey = "SOFTWARE\\Classes\\software\\pegasus mail";
    static QString key() { return QLatin1String(kKey); }
    static QString mailboxKey() { return key() + QStringLiteral("\\MailBox"); }
    static QString userModeKey() { return key() + QStringLiteral("\\Username"); }
    // The common mailbox folder from the "MailBox" value: the text before its
    // last '\' (a text without '\' stays whole).
    static QString mailboxFolder(const QString& value);
    // The single user's folder below the mailbox folder, and the user list there.
    static QString singleUserFolder() { return QStringLiteral("Mail"); }
    static QString userList() { return QStringLiteral("Pmail.usr"); }
    // The dump of the user mode, at the top of the archive.
    static QString userModeDump() { return QStringLiteral("user.reg"); }
    static std::vector<OwnKey> ownKeys();
};

} // namespace clients
