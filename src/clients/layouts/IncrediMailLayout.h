#pragma once
// IncrediMail: installed for the user (its key below the current user) or for
// the machine. The application folder holds one folder per identity key below
// "Identities"; the content folder holds the stationery of every kind.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct IncrediMailLayout {
    enum Item { kAccounts, kMailFolders, kRules, kAddressBook, kStationery };

    // Below HKEY_CURRENT_USER, or HKEY_LOCAL_MACHINE when the user has none:
    // "ApplicationPath"; the machine's "CommonDataPath" for a user's install.
    static QString key();
    static QString identitiesKey() { return key() + QStringLiteral("\\identities"); }
    // The key paths the dumps name (as the dumps have always spelled them).
    static QString identityDumpKey(const QString& identityKey);
    static QString accountsDumpKey(const QString& identityKey);
    static QString rulesDumpKey(const QString& identityKey);
    static QString contentDumpKey();
    // The dumps' files: in the identity's archive folder, and at the top.
    static QString identityDump() { return QStringLiteral("identity.reg"); }
    static QString accountsDump() { return QStringLiteral("account.reg"); }
    static QString rulesDump() { return QStringLiteral("rules.reg"); }
    static QString stationeryDump() { return QStringLiteral("stationery.reg"); }
    // The item of a dump in an identity's folder; -1 for the identity's own.
    static int itemOfDump(const QString& file);

    // Below the application folder, and below an identity's folder there.
    static QString identitiesFolder() { return QStringLiteral("Identities"); }
    static QString messageStore() { return QStringLiteral("Message Store"); }
    static QString attachments() { return QStringLiteral("Attachments"); }
    static QString addressBook() { return QStringLiteral("AddressBook"); }
    static QString ruleOrder() { return QStringLiteral("RuleOrder.dat"); }
    // Below the content folder, stored below "Stationery".
    static std::span<const char* const> contentKinds();
    static QString stationeryFolder() { return QStringLiteral("Stationery"); }

    static std::vector<OwnKey> ownKeys();
};

} // namespace clients
