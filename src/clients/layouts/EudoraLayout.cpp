#include "clients/layouts/EudoraLayout.h"

namespace clients {

namespace {
using L = EudoraLayout;
constexpr FileRow kFiles[] = {
    {L::kAccounts, "Spool", "*"},     {L::kAccounts, "eudora.ini", nullptr, true},
    {L::kFilters, "Filters", "*"},    {L::kFilters, "filters.pce"},
    {L::kSignatures, "Sigs", "*"},    {L::kAddressBook, "nndbase.toc"},
    {L::kAddressBook, "nndbase.txt"},
};
constexpr const char* kMailboxExtensions[] = {"mbx", "toc", "pce"};
} // namespace

QString EudoraLayout::commandLineKey() {
    return QStringLiteral("SOFTWARE\\Qualcomm\\Eudora\\CommandLine\\Current");
}

std::span<const FileRow> EudoraLayout::files() {
    return kFiles;
}

std::span<const char* const> EudoraLayout::mailboxExtensions() {
    return kMailboxExtensions;
}

} // namespace clients
