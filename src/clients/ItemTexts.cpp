#include "clients/ItemTexts.h"
#include "lang/MessageTable.h"

namespace clients {

namespace {

struct Shown {
    const char* stored;
    const char* key;
};
// The item names of the client table and the identities no client user named;
// names are matched without regard to case ("Default user", "Default User").
constexpr Shown kShown[] = {
    {"Accounts Settings", "ItemAccounts"},
    {"Mail Folders", "ItemMailFolders"},
    {"Signatures", "ItemSignatures"},
    {"Message Rules", "ItemMessageRules"},
    {"Filters", "ItemFilters"},
    {"Address Book", "ItemAddressBook"},
    {"Stationery", "ItemStationery"},
    {"Personal Store", "ItemPersonalStore"},
    {"Scripts", "ItemScripts"},
    {"Favorites", "ItemFavorites"},
    {"Default User", "IdentityDefaultUser"},
    {"Default", "IdentityDefault"},
};

} // namespace

QString ShownName(const QString& stored, const std::function<QString(const QString&)>& message) {
    if (!message) return stored;
    for (const Shown& s : kShown) {
        if (stored.compare(QLatin1String(s.stored), Qt::CaseInsensitive) != 0) continue;
        return lang::orEnglish(message(QString::fromLatin1(s.key)), stored);
    }
    return stored;
}

} // namespace clients
