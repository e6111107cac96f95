#pragma once
// Outlook: its folders below the application-data and the local
// application-data folders, the mail profile in the registry (which names the
// personal stores by path), the Office settings and the signatures folder.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct OutlookLayout {
    // Item names serve as task names only: Outlook's items are always all ticked.
    enum Item { kAccounts, kMailFolders, kPersonalStore, kRules, kAddressBook, kSignatures };

    // Below HKEY_CURRENT_USER: the mail profiles (Windows NT, else 9x).
    static QString profilesKeyNT();
    static QString profilesKey9x();
    // Below HKEY_CURRENT_USER: an Office version's key ("11.0"); its
    // "Common\General" names the signatures folder.
    static QString officeKey(const QString& version);

    // The registry dumps at the top of the archive, in the order written:
    // the key below HKEY_CURRENT_USER, '\'-led; null for the first profile's.
    struct DumpRow {
        const char* file = nullptr;
        const char* key = nullptr;
    };
    static std::span<const DumpRow> dumps();

    // Below both application-data folders, stored as "app" and "local".
    static QString outlookFolder() { return QStringLiteral("Microsoft\\Outlook"); }
    static QString appArchiveFolder() { return QStringLiteral("app"); }
    static QString localArchiveFolder() { return QStringLiteral("local"); }
    // The signatures folder's parent below the application-data folder.
    static QString microsoftFolder() { return QStringLiteral("Microsoft"); }
    static QString signaturesArchiveFolder() { return QStringLiteral("Signatures"); }
    // The personal stores, as "Others\Dir<n>" with the folders in others.ini.
    static QString storesArchiveFolder() { return QStringLiteral("Others"); }

    static std::vector<OwnKey> ownKeys();
};

} // namespace clients
