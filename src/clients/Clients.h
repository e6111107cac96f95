#pragma once
// Client codes, detection and versions; identities and items.

#include <QString>
#include <QStringList>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace clients {

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
    kPocoMail3 = 72,
    kPocoMail2 = 73,
    kPocoMail20 = 720,
    kOpera6 = 86,
    kOpera7 = 87,
    kNetscape4 = 94,
    kNetscape67 = 967,
};

int BaseCode(int code);             // variant -> base code; base codes map to themselves
QString ManifestName(int code);     // "EmailClient" value of infobak.ini

class ClientCatalogue {
public:
    ClientCatalogue(platform::Registry& reg, const platform::Files& fs);

    int GetDefaultClient();
    bool IsClientInstalled(int code);
    // Installed variant codes of a base code (7, 8 or 9), in the stated order.
    QList<int> GetClientVersions(int baseCode);

    // Appends the identities and items of a client; returns whether the items may be changed.
    bool GetIdentitiesAndItems(int code, QStringList& identities, QStringList& items);
    // Netscape 6/7 profile paths, filled by GetIdentitiesAndItems(967) in identity order.
    const QStringList& NetscapeProfilePaths() const { return profilePaths_; }

private:
    platform::Registry& reg_;
    const platform::Files& fs_;
    QStringList profilePaths_;
};

} // namespace clients
