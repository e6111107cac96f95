#pragma once
// Netscape Messenger in its two layouts. 4.x: one profile folder per user,
// named by the user's POP state path in the registry, with the shared user
// registry in the Windows folder. 6.x/7.x: profiles listed in the Mozilla
// profile registry of the application-data folder, their mail below "Mail".

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct NetscapeLayout {
    enum Item { kAccounts, kMailFolders, kFilters, kAddressBook };

    // Below HKEY_CURRENT_USER.
    static constexpr const char* kNavigatorKey = "Software\\Netscape\\Netscape Navigator";
    static QString navigatorKey() { return QLatin1String(kNavigatorKey); }
    static QString usersKey() { return navigatorKey() + QStringLiteral("\\biff\\users"); }
    // "Install Directory", and a user's "DirRoot".
    static QString mainKey() { return navigatorKey() + QStringLiteral("\\Main"); }
    static QString userKey(const QString& user) {
        return navigatorKey() + QStringLiteral("\\Users\\") + user;
    }
    // 4.x: the user registry in the Windows folder.
    static QString userRegistry() { return QStringLiteral("nsreg.dat"); }

    // 6.x/7.x: the profile registry below the application-data folder.
    static constexpr const char* kProfileRegistry = "Mozilla\\registry.dat";
    static QString mozillaFolder() { return QStringLiteral("Mozilla"); }
    static QString profileRegistry() { return QLatin1String(kProfileRegistry); }
    // Below a profile folder; its mail folders are searched for.
    static std::span<const FileRow> profileFiles();

    // What a file of a profile or of its mail is for, by its name.
    static int itemOfFile(const QString& name);
    // The settings files that name absolute folders.
    static bool holdsPaths(const QString& name);

    static std::vector<OwnKey> ownKeys();
};

} // namespace clients
