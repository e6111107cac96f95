#pragma once
// Outlook Express: one registry key per identity below "Identities", holding
// the identity's settings and the root of its store; the accounts, the
// address book and the stationery are shared by all identities.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct OutlookExpressLayout {
    enum Item { kAccounts, kMailFolders, kSignatures, kRules, kAddressBook, kStationery };

    // A registry dump of the backup: the key it holds, below the identity's
    // key or below HKEY_CURRENT_USER ('\'-led, as the dumps name it).
    struct DumpRow {
        int item = -1; // -1: the identity's own, with any item
        const char* file = nullptr;
        const char* key = nullptr;
        bool belowIdentity = true;
        bool subKeys = false;
    };
    // In each identity's archive folder, in the order they are written.
    static std::span<const DumpRow> identityDumps();
    // At the top of the archive.
    static const DumpRow& addressBookDump();
    // The item of a dump in an identity's folder.
    static int itemOfDump(const QString& file);

    // Below HKEY_CURRENT_USER: one sub-key per identity ("Username").
    static QString identitiesKey() { return QStringLiteral("identities"); }
    // Below the identity's key: "Store Root".
    static QString settingsKey();
    // Below HKEY_CURRENT_USER, the default value: the address book file.
    static QString addressBookFileKey();
    // Below HKEY_LOCAL_MACHINE: the program files folder ("AppData") and the
    // stationery folder ("Stationery Folder").
    static QString programFilesKey();
    static QString stationeryKey();

    // Where Outlook Express puts a new identity's store, below the local
    // application-data folder.
    static QString newStoreFolder(const QString& identityKey);
    // The archive folders of the address book and the stationery.
    static QString addressBookFolder() { return QStringLiteral("Address Book"); }
    static QString stationeryFolder() { return QStringLiteral("Stationery"); }

    static std::vector<OwnKey> ownKeys();
};

} // namespace clients
