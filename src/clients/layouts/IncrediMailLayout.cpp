#include "clients/layouts/IncrediMailLayout.h"

namespace clients {

namespace {
constexpr const char* kContentKinds[] = {"Animation", "ECard", "Emoticon", "Letter",
                                         "Notifier",  "Skin",  "Sound",    "Image"};
} // namespace

QString IncrediMailLayout::key() {
    return QStringLiteral("SOFTWARE\\incredimail");
}

QString IncrediMailLayout::identityDumpKey(const QString& identityKey) {
    return QStringLiteral("\\Software\\IncrediMail\\Identities\\") + identityKey;
}

QString IncrediMailLayout::accountsDumpKey(const QString& identityKey) {
    return identitiesKey() + QLatin1Char('\\') + identityKey + QStringLiteral("\\accounts");
}

QString IncrediMailLayout::rulesDumpKey(const QString& identityKey) {
    return identitiesKey() + QLatin1Char('\\') + identityKey + QStringLiteral("\\rules");
}

QString IncrediMailLayout::contentDumpKey() {
    return key() + QStringLiteral("\\content");
}

int IncrediMailLayout::itemOfDump(const QString& file) {
    if (file.compare(accountsDump(), Qt::CaseInsensitive) == 0) return kAccounts;
    if (file.compare(rulesDump(), Qt::CaseInsensitive) == 0) return kRules;
    return -1; // identity.reg: the identity itself
}

std::span<const char* const> IncrediMailLayout::contentKinds() {
    return kContentKinds;
}

std::vector<OwnKey> IncrediMailLayout::ownKeys() {
    // Below the current user, or the machine where the client keeps its settings there.
    std::vector<OwnKey> keys;
    for (const OwnKey::Root root : {OwnKey::CurrentUser, OwnKey::LocalMachine}) {
        const QString ids = identitiesKey() + QStringLiteral("\\*");
        keys.push_back({root, ids, false});
        keys.push_back({root, ids + QStringLiteral("\\Accounts"), true});
        keys.push_back({root, ids + QStringLiteral("\\Rules"), true});
        keys.push_back({root, contentDumpKey(), true});
    }
    return keys;
}

} // namespace clients
