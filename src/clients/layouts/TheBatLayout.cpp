#include "clients/layouts/TheBatLayout.h"

namespace clients {

namespace {
using L = TheBatLayout;
constexpr FileRow kUserFiles[] = {
    {L::kMailFolders, "account.flx"}, {L::kMailFolders, "account.m_d"},
    {L::kMailFolders, "account.m_r"}, {L::kMailFolders, "account.pfx"},
    {L::kMailFolders, "account.qtn"}, {L::kMailFolders, "account.sce"},
    {L::kAccounts, "account.cfg"},    {L::kAccounts, "account.vcf"},
    {L::kFilters, "account.srx"},
};
constexpr FileRow kWorkingFiles[] = {
    {L::kAddressBook, "", "abd"},
    {L::kAddressBook, "Groups.cfg"},
    {L::kAddressBook, "Addrbook.ini"},
};
} // namespace

QString TheBatLayout::programKey() {
    return QStringLiteral("Software\\RIT\\The Bat!");
}

std::span<const FileRow> TheBatLayout::userFiles() {
    return kUserFiles;
}

std::span<const FileRow> TheBatLayout::workingFiles() {
    return kWorkingFiles;
}

} // namespace clients
