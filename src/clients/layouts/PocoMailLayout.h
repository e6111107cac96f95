#pragma once
// PocoMail in its three layouts (3.x, 2.x, 2.x PE): a program folder named in
// the registry, with the default user's settings file "poco.ini" that names
// its other folders, and one folder per further user below the users folder.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct PocoMailLayout {
    enum Item { kAccounts, kMailFolders, kFilters, kSignatures, kAddressBook, kScripts };

    // Keys whose presence tells the client or a layout is there.
    static constexpr const char* kPoco3Key = "Software\\Poco Systems Inc";
    static constexpr const char* kPoco2Key = "Software\\Poco\\Mail";
    static constexpr const char* kPocoKey = "software\\poco";
    static constexpr const char* kUninstallKey =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2moe_is1";

    // Where a layout's registry names the program folder.
    struct FolderValue {
        quint32 root = 0;
        QString key;
        QString value;
    };
    static FolderValue programFolder(int code);

    // In the program folder and in every user's folder.
    static QString settingsFile() { return QStringLiteral("poco.ini"); }
    static std::span<const FileRow> userFiles();
    // Below the program folder: the users folder when the settings name none,
    // and the mail root whose nested folders are searched for.
    static QString usersFolder() { return QStringLiteral("users"); }
    static QString mailFolder() { return QStringLiteral("Mail"); }
    static std::span<const char* const> mailboxExtensions();
};

} // namespace clients
