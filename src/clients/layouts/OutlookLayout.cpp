#include "clients/layouts/OutlookLayout.h"

namespace clients {

namespace {
constexpr OutlookLayout::DumpRow kDumps[] = {
    {"setting.reg", nullptr},
    {"setting2.reg", "\\Software\\Microsoft\\Office\\11.0\\Outlook"},
    {"accounts1.reg", "\\Program\\Microsoft\\Office\\Outlook"},
    {"accounts2.reg", "\\Software\\Microsoft\\Office\\Outlook"},
};
} // namespace

QString OutlookLayout::profilesKeyNT() {
    return QStringLiteral(
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles");
}

QString OutlookLayout::profilesKey9x() {
    return QStringLiteral("Software\\Microsoft\\Windows Messaging Subsystem\\Profiles");
}

QString OutlookLayout::officeKey(const QString& version) {
    return QStringLiteral("Software\\Microsoft\\Office\\") + version;
}

std::span<const OutlookLayout::DumpRow> OutlookLayout::dumps() {
    return kDumps;
}

std::vector<OwnKey> OutlookLayout::ownKeys() {
    // Without a profile the collector takes the whole list of profiles.
    std::vector<OwnKey> keys{{OwnKey::CurrentUser, profilesKeyNT(), true},
                             {OwnKey::CurrentUser, profilesKey9x(), true}};
    for (const DumpRow& row : kDumps)
        if (row.key) keys.push_back({OwnKey::CurrentUser, QLatin1String(row.key).mid(1), true});
    return keys;
}

} // namespace clients
