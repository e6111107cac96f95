// Which mail client is the default, which are installed, and which layouts of
// PocoMail, Opera and Netscape are present. Read-only: nothing is created.

#include "clients/Clients.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"

#include <array>

namespace clients {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

const QString kClientsMail = QStringLiteral("software\\clients\\mail");
const QString kPocoUninstall =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2moe_is1");

struct NamedCode {
    const char* name;
    int code;
};

// Whole default-client names, compared for equality in this order.
constexpr std::array<NamedCode, 9> kDefaultNames{{
    {"outlook express", kOutlookExpress},
    {"microsoft outlook", kOutlook},
    {"eudora", kEudora},
    {"incredimail", kIncrediMail},
    {"pegasus mail", kPegasus},
    {"the bat!", kTheBat},
    {"poco", kPocoMail},
    {"opera", kOpera},
    {"netscape", kNetscape},
}};

// Keywords looked for inside the names of the registered clients, by base code 1..9.
constexpr std::array<const char*, 9> kInstalledKeywords{
    "outlook express", "microsoft outlook", "eudora", "incredimail",
    "pegasus mail",    "the bat",           "poco",   "opera",
    "netscape",
};

struct KeyRef {
    HKEY root;
    QString path;
};

QList<KeyRef> furtherKeys(int code) {
    switch (code) {
    case kPegasus:
        return {{HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\software\\pegasus mail")}};
    case kPocoMail:
        // The uninstall key is looked for under the current user here, and under
        // the machine by the version test.
        return {{HKEY_CURRENT_USER, kPocoUninstall},
                {HKEY_CURRENT_USER, QStringLiteral("software\\poco")},
                {HKEY_CURRENT_USER, QStringLiteral("Software\\Poco Systems Inc")}};
    case kOpera:
        return {{HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software")}};
    default:
        return {};
    }
}

} // namespace

ClientCatalogue::ClientCatalogue(platform::Registry& reg, const platform::Files& fs,
                                 base::Interaction* ui)
    : reg_(reg), fs_(fs), ui_(ui) {}

int ClientCatalogue::GetDefaultClient() {
    QString name;
    if (auto key = reg_.open(HKEY_LOCAL_MACHINE, kClientsMail, false))
        name = key->readString(QString()).value_or(QString());
    name = name.toLower();
    for (const NamedCode& n : kDefaultNames)
        if (name == QLatin1String(n.name)) return n.code;
    return kNone;
}

bool ClientCatalogue::IsClientInstalled(int code) {
    if (code == kFavorites) return true;
    if (code < kOutlookExpress || code > kFavorites) return false;
    const QLatin1String keyword(kInstalledKeywords[size_t(code - 1)]);
    if (auto key = reg_.open(HKEY_LOCAL_MACHINE, kClientsMail, false)) {
        for (const QString& sub : key->subKeyNames())
            if (sub.toLower().contains(keyword)) return true;
    }
    for (const KeyRef& k : furtherKeys(code))
        if (reg_.keyExists(k.root, k.path)) return true;
    return false;
}

QString ClientCatalogue::appDataFolder() {
    return platform::shellFolder(reg_, QStringLiteral("AppData"));
}

QList<VersionVariant> ClientCatalogue::GetClientVersions(int baseCode) {
    QList<VersionVariant> versions;
    switch (baseCode) {
    case kPocoMail:
        if (reg_.keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco Systems Inc")))
            versions.append({QStringLiteral("3.x"), kPocoMail3});
        if (reg_.keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail")))
            versions.append({QStringLiteral("2.x"), kPocoMail2});
        if (reg_.keyExists(HKEY_LOCAL_MACHINE, kPocoUninstall))
            versions.append({QStringLiteral("2.x PE"), kPocoMail20});
        break;
    case kOpera:
        if (auto key =
                reg_.open(HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"), false)) {
            if (key->valueExists(QStringLiteral("Last CommandLine v2")))
                versions.append({QStringLiteral("7.x"), kOpera7});
            if (key->valueExists(QStringLiteral("Last CommandLine")))
                versions.append({QStringLiteral("6.x"), kOpera6});
        }
        break;
    case kNetscape: {
        const QString appData = appDataFolder();
        if (!appData.isEmpty() &&
            fs_.fileExists(appData + QStringLiteral("\\Mozilla\\registry.dat")))
            versions.append({QStringLiteral("6.x/7.x"), kNetscape67});
        if (reg_.keyExists(HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Netscape\\Netscape Navigator")))
            versions.append({QStringLiteral("4.x"), kNetscape4});
        break;
    }
    default:
        break;
    }
    return versions;
}

} // namespace clients
