#include "clients/layouts/OutlookExpressLayout.h"

namespace clients {

namespace {
using L = OutlookExpressLayout;
#define POSTORA_OE_KEY "\\Software\\Microsoft\\Outlook Express\\5.0"
#define POSTORA_ACCOUNTS_KEY "\\Software\\Microsoft\\Internet Account Manager\\Accounts"
constexpr L::DumpRow kIdentityDumps[] = {
    {-1, "identity.reg", "", true, false},
    {-1, "identity2.reg", POSTORA_OE_KEY, true, false},
    {-1, "settings.reg", POSTORA_OE_KEY "\\Mail", true, false},
    {-1, "settings2.reg", POSTORA_OE_KEY "\\Columns", true, false},
    {L::kAccounts, "accounts.reg", POSTORA_ACCOUNTS_KEY, true, true},
    {L::kAccounts, "accounts2.reg", POSTORA_ACCOUNTS_KEY, false, true},
    {L::kSignatures, "signatures.reg", POSTORA_OE_KEY "\\Signatures", true, true},
    {L::kRules, "rules.reg", POSTORA_OE_KEY "\\Rules", true, true},
    {L::kRules, "blockedsender.reg", POSTORA_OE_KEY "\\Block Senders", true, true},
};
constexpr L::DumpRow kAddressBookDump = {L::kAddressBook, "address.reg",
                                         "\\Software\\Microsoft\\WAB", false, true};
} // namespace

std::span<const OutlookExpressLayout::DumpRow> OutlookExpressLayout::identityDumps() {
    return kIdentityDumps;
}

const OutlookExpressLayout::DumpRow& OutlookExpressLayout::addressBookDump() {
    return kAddressBookDump;
}

int OutlookExpressLayout::itemOfDump(const QString& file) {
    // Every name that begins as the accounts' dumps do is taken as theirs.
    if (file.startsWith(QLatin1String("accounts"), Qt::CaseInsensitive)) return kAccounts;
    for (const DumpRow& row : kIdentityDumps)
        if (file.compare(QLatin1String(row.file), Qt::CaseInsensitive) == 0) return row.item;
    return -1;
}

QString OutlookExpressLayout::settingsKey() {
    return QStringLiteral(POSTORA_OE_KEY).mid(1);
}

QString OutlookExpressLayout::addressBookFileKey() {
    return QLatin1String(kAddressBookDump.key).mid(1) + QStringLiteral("\\WAB4\\Wab File Name");
}

QString OutlookExpressLayout::newStoreFolder(const QString& identityKey) {
    return QStringLiteral("Identities\\") + identityKey +
           QStringLiteral("\\Microsoft\\Outlook Express");
}

QString OutlookExpressLayout::programFilesKey() {
    return QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
}

QString OutlookExpressLayout::stationeryKey() {
    return QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\Stationery");
}

std::vector<OwnKey> OutlookExpressLayout::ownKeys() {
    std::vector<OwnKey> keys;
    const QString identity = QStringLiteral("Identities\\*");
    for (const DumpRow& row : kIdentityDumps) {
        const QString key = QLatin1String(row.key);
        keys.push_back(
            {OwnKey::CurrentUser, row.belowIdentity ? identity + key : key.mid(1), row.subKeys});
    }
    keys.push_back({OwnKey::CurrentUser, QLatin1String(kAddressBookDump.key).mid(1), true});
    return keys;
}

} // namespace clients
