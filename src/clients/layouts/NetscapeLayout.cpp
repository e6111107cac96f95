#include "clients/layouts/NetscapeLayout.h"

namespace clients {

namespace {
using L = NetscapeLayout;
constexpr FileRow kProfileFiles[] = {
    {L::kAccounts, "prefs.js", nullptr, true},
    {L::kAddressBook, "abook.mab"},
    {L::kAddressBook, "history.mab"},
    {L::kMailFolders, "panacea.dat"},
    {L::kMailFolders, "xul.mfl"},
    {L::kMailFolders, "localstore.rdf"},
    {L::kMailFolders, "panels.rdf"},
};
} // namespace

std::span<const FileRow> NetscapeLayout::profileFiles() {
    return kProfileFiles;
}

int NetscapeLayout::itemOfFile(const QString& name) {
    const QString f = name.section(QLatin1Char('/'), -1).toLower();
    if (holdsPaths(f)) return kAccounts;
    if (f.endsWith(u".na2") || f.endsWith(u".mab")) return kAddressBook;
    if (f == u"rules.dat" || f == u"msgfilterrules.dat") return kFilters;
    return kMailFolders;
}

bool NetscapeLayout::holdsPaths(const QString& name) {
    const QString f = name.section(QLatin1Char('/'), -1);
    return f.compare(QLatin1String("prefs.js"), Qt::CaseInsensitive) == 0 ||
           f.compare(QLatin1String("liprefs.js"), Qt::CaseInsensitive) == 0;
}

std::vector<OwnKey> NetscapeLayout::ownKeys() {
    return {{OwnKey::CurrentUser, usersKey() + QStringLiteral("\\*"), true}};
}

} // namespace clients
