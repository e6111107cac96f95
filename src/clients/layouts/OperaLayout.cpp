#include "clients/layouts/OperaLayout.h"

namespace clients {

namespace {
using L = OperaLayout;
constexpr FileRow kProgramFiles[] = {{L::kAddressBook, "Contacts.adr"}};
constexpr FileRow kMailFiles[] = {{L::kAccounts, "Accounts.ini"}};
// The mail folders of an account are searched for; its signature file is
// the one its settings name.
constexpr FileRow kAccountFiles[] = {
    {L::kAccounts, "Account.ini", nullptr, true},
    {L::kFilters, "filters.dat"},
};
} // namespace

std::span<const FileRow> OperaLayout::programFiles() {
    return kProgramFiles;
}

std::span<const FileRow> OperaLayout::mailFiles() {
    return kMailFiles;
}

std::span<const FileRow> OperaLayout::accountFiles() {
    return kAccountFiles;
}

} // namespace clients
