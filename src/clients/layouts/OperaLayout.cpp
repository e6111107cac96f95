#include "clients/layouts/OperaLayout.h"

#include "platform/DriveMap.h"

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

QString OperaLayout::programFolderOf(const QString& commandLine) {
    const QString folder = platform::extractFilePath(commandLine);
    return hasDrive(folder) ? folder : QString();
}

bool OperaLayout::isAccountFolderName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char(':'));
}

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
