#include "clients/layouts/PocoMailLayout.h"

#include "clients/Clients.h"
#include "platform/Registry.h"

namespace clients {

namespace {
using L = PocoMailLayout;
constexpr FileRow kUserFiles[] = {
    {L::kAccounts, "accounts.ini"},
    {L::kFilters, "Filters.ini"},
};
constexpr const char* kMailboxExtensions[] = {"mbx", "itx", "dat"};
} // namespace

PocoMailLayout::FolderValue PocoMailLayout::programFolder(int code) {
    if (code == kPocoMail2)
        return {platform::HKEY_CURRENT_USER, QLatin1String(kPoco2Key), QStringLiteral("Path")};
    if (code == kPocoMail3)
        return {platform::HKEY_CURRENT_USER,
                QLatin1String(kPoco3Key) + QStringLiteral("\\PocoMail 3"), QStringLiteral("Path")};
    return {platform::HKEY_LOCAL_MACHINE, QLatin1String(kUninstallKey),
            QStringLiteral("Inno Setup: App Path")};
}

std::span<const FileRow> PocoMailLayout::userFiles() {
    return kUserFiles;
}

std::span<const char* const> PocoMailLayout::mailboxExtensions() {
    return kMailboxExtensions;
}

} // namespace clients
