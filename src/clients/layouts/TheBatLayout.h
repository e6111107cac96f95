#pragma once
// The Bat!: a working folder and a list of users, each with a folder of its
// own (below the working folder when the list names none). A user's folder
// holds the account files and its message bases; the working folder holds
// the address books.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct TheBatLayout {
    enum Item { kAccounts, kMailFolders, kFilters, kAddressBook };

    // Below HKEY_CURRENT_USER: "Working Directory" in the program key, and
    // "Count", "User #n" and "Dir #n" in the users key.
    static QString programKey();
    static QString usersKey() { return programKey() + QStringLiteral("\\Users Depot"); }
    // Below a user's folder; the message bases of its mail folders are searched for.
    static std::span<const FileRow> userFiles();
    // Below the working folder, stored in addressBookFolder().
    static std::span<const FileRow> workingFiles();
    static QString addressBookFolder() { return QStringLiteral("Address Book"); }
};

} // namespace clients
