#include "clients/ClientTable.h"

#include "clients/Clients.h"
#include "clients/layouts/NetscapeLayout.h"
#include "clients/layouts/OperaLayout.h"
#include "clients/layouts/PegasusLayout.h"
#include "clients/layouts/PocoMailLayout.h"
#include "platform/Registry.h"

namespace clients {

namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

constexpr const char* kAccounts = "Accounts Settings";
constexpr const char* kFolders = "Mail Folders";
constexpr const char* kSignatures = "Signatures";
constexpr const char* kRules = "Message Rules";
constexpr const char* kFilters = "Filters";
constexpr const char* kAddressBook = "Address Book";
constexpr const char* kStationery = "Stationery";

constexpr const char* kPocoUninstall = PocoMailLayout::kUninstallKey;
constexpr const char* kOperaKey = OperaLayout::kKey;

constexpr ClientRow kRows[] = {
    {.code = kOutlookExpress,
     .baseCode = kOutlookExpress,
     .keyword = "oexpress",
     .manifestName = "OutlookExpress",
     .caption = "Microsoft Outlook Express",
     .items = {kAccounts, kFolders, kSignatures, kRules, kAddressBook, kStationery},
     .itemsChangeable = true,
     .archivePrefix = "ZOzozudoVevezo ",
     .restoredPrograms = {"msimn.exe"},
     .defaultName = "outlook express",
     .installedKeyword = "outlook express"},
    {.code = kOutlook,
     .baseCode = kOutlook,
     .keyword = "msoutlook",
     .manifestName = "Outlook",
     .caption = "Microsoft Outlook",
     .items = {kAccounts, kFolders, "Personal Store", kRules, kAddressBook, kSignatures},
     .archivePrefix = "OutlookBackup ",
     .guardedProgram = "outlook.exe",
     .restoredPrograms = {"outlook.exe"},
     .defaultName = "microsoft outlook",
     .installedKeyword = "microsoft outlook"},
    {.code = kEudora,
     .baseCode = kEudora,
     .keyword = "eudora",
     .manifestName = "Eudora",
     .caption = "Eudora",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook},
     .itemsChangeable = true,
     .archivePrefix = "EudoraBackup ",
     .restoredPrograms = {"eudora.exe"},
     .defaultName = "eudora",
     .installedKeyword = "eudora"},
    {.code = kIncrediMail,
     .baseCode = kIncrediMail,
     .keyword = "incredimail",
     .manifestName = "IncrediMail",
     .caption = "IncrediMail",
     .items = {kAccounts, kFolders, kRules, kAddressBook, kStationery},
     .itemsChangeable = true,
     .archivePrefix = "IncrediMailBackup ",
     .restoredPrograms = {"incmail.exe"},
     .defaultName = "incredimail",
     .installedKeyword = "incredimail"},
    {.code = kPegasus,
     .baseCode = kPegasus,
     .keyword = "pegasus",
     .manifestName = "PegasusMail",
     .caption = "Pegasus Mail",
     .items = {kAccounts, kFolders, kSignatures, kAddressBook},
     .archivePrefix = "PegasusMailBackup ",
     .restoredPrograms = {"winpm-32.exe"},
     .defaultName = "pegasus mail",
     .installedKeyword = "pegasus mail",
     .installedKeys = {{HKEY_LOCAL_MACHINE, PegasusLayout::kKey}}},
    {.code = kTheBat,
     .baseCode = kTheBat,
     .keyword = "thebat",
     .manifestName = "TheBat",
     .caption = "The Bat",
     .items = {kAccounts, kFolders, kFilters, kAddressBook},
     .itemsChangeable = true,
     .archivePrefix = "TheBatBackup ",
     .restoredPrograms = {"thebat.exe"},
     .defaultName = "the bat!",
     .installedKeyword = "the bat"},
    // The uninstall key is looked for under the current user when the client
    // is detected, and under the machine by the version test.
    {.code = kPocoMail,
     .baseCode = kPocoMail,
     .keyword = "pocomail",
     .caption = "PocoMail",
     .restoredPrograms = {"pocomail.exe", "poco.exe"},
     .defaultName = "poco",
     .installedKeyword = "poco",
     .installedKeys = {{HKEY_CURRENT_USER, kPocoUninstall},
                       {HKEY_CURRENT_USER, PocoMailLayout::kPocoKey},
                       {HKEY_CURRENT_USER, PocoMailLayout::kPoco3Key}}},
    {.code = kPocoMail3,
     .baseCode = kPocoMail,
     .manifestName = "PocoMail3",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook, "Scripts"},
     .itemsChangeable = true,
     .archivePrefix = "PocoMailBackup ",
     .restoredPrograms = {"pocomail.exe", "poco.exe"},
     .versionLabel = "3.x",
     .versionKey = {HKEY_CURRENT_USER, PocoMailLayout::kPoco3Key}},
    {.code = kPocoMail2,
     .baseCode = kPocoMail,
     .manifestName = "PocoMail2",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook, "Scripts"},
     .itemsChangeable = true,
     .archivePrefix = "PocoMailBackup ",
     .restoredPrograms = {"pocomail.exe", "poco.exe"},
     .versionLabel = "2.x",
     .versionKey = {HKEY_CURRENT_USER, PocoMailLayout::kPoco2Key}},
    {.code = kPocoMail20,
     .baseCode = kPocoMail,
     .manifestName = "PocoMail20",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook, "Scripts"},
     .itemsChangeable = true,
     .archivePrefix = "PocoMailBackup ",
     .restoredPrograms = {"pocomail.exe", "poco.exe"},
     .versionLabel = "2.x PE",
     .versionKey = {HKEY_LOCAL_MACHINE, kPocoUninstall}},
    {.code = kOpera,
     .baseCode = kOpera,
     .keyword = "opera",
     .caption = "Opera Mail",
     .restoredPrograms = {"opera.exe"},
     .defaultName = "opera",
     .installedKeyword = "opera",
     .installedKeys = {{HKEY_CURRENT_USER, kOperaKey}}},
    {.code = kOpera7,
     .baseCode = kOpera,
     .manifestName = "Opera7",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook},
     .archivePrefix = "OperaBackup ",
     .restoredPrograms = {"opera.exe"},
     .versionLabel = "7.x",
     .versionKey = {HKEY_CURRENT_USER, kOperaKey, "Last CommandLine v2"}},
    {.code = kOpera6,
     .baseCode = kOpera,
     .manifestName = "Opera",
     .items = {kAccounts, kFolders, kFilters, kSignatures, kAddressBook},
     .itemsChangeable = true,
     .archivePrefix = "OperaBackup ",
     .restoredPrograms = {"opera.exe"},
     .versionLabel = "6.x",
     .versionKey = {HKEY_CURRENT_USER, kOperaKey, "Last CommandLine"}},
    {.code = kNetscape,
     .baseCode = kNetscape,
     .keyword = "netscape",
     .caption = "Netscape Messenger",
     .restoredPrograms = {"netscp.exe", "netscp6.exe", "mozilla.exe", "netscape.exe"},
     .defaultName = "netscape",
     .installedKeyword = "netscape"},
    {.code = kNetscape67,
     .baseCode = kNetscape,
     .manifestName = "Netscape",
     .items = {kAccounts, kFolders, kFilters, kAddressBook},
     .archivePrefix = "NetscapeBackup ",
     .restoredPrograms = {"netscp.exe", "netscp6.exe", "mozilla.exe", "netscape.exe"},
     .versionLabel = "6.x/7.x",
     .versionAppDataFile = NetscapeLayout::kProfileRegistry},
    {.code = kNetscape4,
     .baseCode = kNetscape,
     .manifestName = "Netscape4",
     .items = {kAccounts, kFolders, kFilters, kAddressBook},
     .archivePrefix = "NetscapeBackup ",
     .guardedProgram = "netscape.exe",
     .restoredPrograms = {"netscape.exe"},
     .versionLabel = "4.x",
     .versionKey = {HKEY_CURRENT_USER, NetscapeLayout::kNavigatorKey}},
    {.code = kFavorites,
     .baseCode = kFavorites,
     .keyword = "favorites",
     .manifestName = "Favorites",
     .caption = "Internet Explorer Favorites",
     .items = {"Favorites"},
     .itemsChangeable = true,
     .archivePrefix = "FavoritesBackup ",
     .restoredPrograms = {"iexplore.exe"},
     .alwaysInstalled = true},
};

} // namespace

std::span<const ClientRow> clientRows() {
    return kRows;
}

const ClientRow* clientRow(int code) {
    if (code == kNone) return nullptr;
    for (const ClientRow& row : kRows)
        if (row.code == code) return &row;
    return nullptr;
}

bool hasVariants(int baseCode) {
    for (const ClientRow& row : kRows)
        if (row.baseCode == baseCode && row.code != baseCode) return true;
    return false;
}

} // namespace clients
