#include "clients/ClientKeys.h"

#include "clients/Clients.h"
#include "clients/layouts/PegasusLayout.h"

namespace clients {

std::vector<OwnKey> OwnRegistryKeys(int clientCode) {
    using R = OwnKey::Root;
    const QString oe = QStringLiteral("Identities\\*\\Software\\Microsoft\\Outlook Express\\5.0");
    const QString accounts =
        QStringLiteral("Software\\Microsoft\\Internet Account Manager\\Accounts");
    switch (clientCode) {
    case kOutlookExpress:
        return {
            {R::CurrentUser, QStringLiteral("Identities\\*"), false},
            {R::CurrentUser, oe, false},
            {R::CurrentUser, oe + QStringLiteral("\\Mail"), false},
            {R::CurrentUser, oe + QStringLiteral("\\Columns"), false},
            {R::CurrentUser, oe + QStringLiteral("\\Signatures"), true},
            {R::CurrentUser, oe + QStringLiteral("\\Rules"), true},
            {R::CurrentUser, oe + QStringLiteral("\\Block Senders"), true},
            {R::CurrentUser, QStringLiteral("Identities\\*\\") + accounts, true},
            {R::CurrentUser, accounts, true},
            {R::CurrentUser, QStringLiteral("Software\\Microsoft\\WAB"), true},
        };
    case kOutlook:
        // Without a profile the collector takes the whole list of profiles.
        return {
            {R::CurrentUser,
             QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                            "Subsystem\\Profiles"),
             true},
            {R::CurrentUser,
             QStringLiteral("Software\\Microsoft\\Windows Messaging Subsystem\\Profiles"), true},
            {R::CurrentUser, QStringLiteral("Software\\Microsoft\\Office\\11.0\\Outlook"), true},
            {R::CurrentUser, QStringLiteral("Program\\Microsoft\\Office\\Outlook"), true},
            {R::CurrentUser, QStringLiteral("Software\\Microsoft\\Office\\Outlook"), true},
        };
    case kIncrediMail: {
        // Below the current user, or the machine where the client keeps its settings there.
        std::vector<OwnKey> keys;
        for (const R root : {R::CurrentUser, R::LocalMachine}) {
            const QString ids = QStringLiteral("Software\\IncrediMail\\Identities\\*");
            keys.push_back({root, ids, false});
            keys.push_back({root, ids + QStringLiteral("\\Accounts"), true});
            keys.push_back({root, ids + QStringLiteral("\\Rules"), true});
            keys.push_back({root, QStringLiteral("Software\\IncrediMail\\Content"), true});
        }
        return keys;
    }
    case kPegasus:
        return PegasusLayout::ownKeys();
    case kNetscape4:
        return {{R::CurrentUser,
                 QStringLiteral("Software\\Netscape\\Netscape Navigator\\biff\\users\\*"), true}};
    default:
        return {};
    }
}

} // namespace clients
