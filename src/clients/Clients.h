#pragma once
// Client codes, detection and versions; identities and items.

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace base {
class Interaction;
} // namespace base

namespace clients {

struct ClientRow;

enum ClientCode : int {
    kNone = 0,
    kOutlookExpress = 1,
    kOutlook = 2,
    kEudora = 3,
    kIncrediMail = 4,
    kPegasus = 5,
    kTheBat = 6,
    kPocoMail = 7,
    kOpera = 8,
    kNetscape = 9,
    kFavorites = 10,
    kPocoMail2 = 72,   // "2.x"
    kPocoMail3 = 73,   // "3.x"
    kPocoMail20 = 720, // "2.x PE"
    kOpera6 = 86,
    kOpera7 = 87,
    kNetscape4 = 94,
    kNetscape67 = 967,
};

int BaseCode(int code);         // variant -> base code; every other code maps to itself
QString ManifestName(int code); // "EmailClient" value of infobak.ini; empty for no backup target
// The inverse of ManifestName, without regard to case; 0 for a name of no client.
int ClientCodeForManifestName(const QString& emailClient);
QString ClientCaption(int code); // caption of the client list, by the code's base code
// The fixed item list of a client code, in the order collectors address them.
QStringList ClientItems(int code);
bool ItemsChangeable(int code);

// One installed layout of a client with several (label shown in the chooser).
struct VersionVariant {
    QString label;
    int code = 0;
    friend bool operator==(const VersionVariant&, const VersionVariant&) = default;
};

// Read-only queries on the mail clients of the Wine prefix. Owns the Netscape
// 6/7 profile-path list that the identity enumeration fills for the collector.
class ClientCatalogue {
public:
    // ui, when given, lets pending window messages run during long scans.
    ClientCatalogue(platform::Registry& reg, const platform::Files& fs,
                    base::Interaction* ui = nullptr);

    int GetDefaultClient();
    bool IsClientInstalled(int code);
    // Installed variants of a base code (7, 8 or 9), newest layout first; none for other codes.
    QList<VersionVariant> GetClientVersions(int baseCode);

    // Appends the identities and items of a client; returns whether the items may be changed.
    bool GetIdentitiesAndItems(int code, QStringList& identities, QStringList& items);
    // Netscape 6/7 profile paths, filled by GetIdentitiesAndItems(967) in identity order.
    const QStringList& NetscapeProfilePaths() const { return profilePaths_; }

    // The profile-path list holds at most this many paths; the scan stops there.
    static constexpr int kMaxProfilePaths = 1000;

private:
    QStringList outlookExpressIdentities();
    QStringList incrediMailIdentities();
    QStringList pegasusIdentities();
    QStringList theBatIdentities();
    QStringList pocoMailIdentities(int code);
    QStringList opera6Identities();
    QStringList netscape4Identities();
    QStringList mozillaIdentities();
    QString appDataFolder();
    bool variantPresent(const ClientRow& row);

    platform::Registry& reg_;
    const platform::Files& fs_;
    base::Interaction* ui_;
    QStringList profilePaths_;
};

} // namespace clients
