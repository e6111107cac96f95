// The identity and item lists of every client code.

#include "base/Interaction.h"
#include "clients/Clients.h"
#include "clients/IdentityRules.h"
#include "clients/MozillaRegistry.h"
#include "clients/layouts/IncrediMailLayout.h"
#include "clients/layouts/NetscapeLayout.h"
#include "clients/layouts/OperaLayout.h"
#include "clients/layouts/OutlookExpressLayout.h"
#include "clients/layouts/PegasusLayout.h"
#include "clients/layouts/PocoMailLayout.h"
#include "clients/layouts/TheBatLayout.h"

#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <QFile>

namespace clients {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

namespace {

const QString kDefaultUser = QStringLiteral("Default User");

QString readText(platform::Registry& reg, HKEY root, const QString& path, const QString& name) {
    auto key = reg.open(root, path, false);
    return key ? key->readString(name).value_or(QString()) : QString();
}

// The text of a file a mail client wrote; empty when it cannot be read.
QString readClientFile(const platform::Files& fs, const QString& path) {
    auto bytes = fs.readAll(path);
    return bytes ? platform::decodeText(bytes.value()) : QString();
}

} // namespace

bool ClientCatalogue::GetIdentitiesAndItems(int code, QStringList& identities, QStringList& items) {
    switch (code) {
    case kOutlookExpress:
        identities += outlookExpressIdentities();
        break;
    case kOutlook:
        identities.append(QStringLiteral("Default user"));
        break;
    case kEudora:
    case kFavorites:
        identities.append(QStringLiteral("Default"));
        break;
    case kIncrediMail:
        identities += incrediMailIdentities();
        break;
    case kPegasus:
        identities += pegasusIdentities();
        break;
    case kTheBat:
        identities += theBatIdentities();
        break;
    case kPocoMail2:
    case kPocoMail3:
    case kPocoMail20:
        identities += pocoMailIdentities(code);
        break;
    case kOpera6:
        identities += opera6Identities();
        break;
    case kOpera7:
        identities.append(kDefaultUser);
        break;
    case kNetscape4:
        identities += netscape4Identities();
        break;
    case kNetscape67:
        identities += mozillaIdentities();
        break;
    default: // 0, the base codes 7, 8, 9 and unknown codes have neither
        break;
    }
    items += ClientItems(code);
    return ItemsChangeable(code);
}

QStringList ClientCatalogue::outlookExpressIdentities() {
    QStringList names;
    const QString identities = OutlookExpressLayout::identitiesKey();
    auto key = reg_.open(HKEY_CURRENT_USER, identities, false);
    if (!key) return names;
    for (const QString& sub : key->subKeyNames())
        names.append(readText(reg_, HKEY_CURRENT_USER, identities + QLatin1Char('\\') + sub,
                              QStringLiteral("Username")));
    return names;
}

QStringList ClientCatalogue::incrediMailIdentities() {
    QStringList names;
    const bool user = reg_.keyExists(HKEY_CURRENT_USER, IncrediMailLayout::key());
    const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const QString ids = IncrediMailLayout::identitiesKey();
    auto list = reg_.open(root, ids, false);
    if (!list) return names;
    int valid = 0;
    for (const QString& sub : list->subKeyNames()) {
        auto key = reg_.open(root, ids + QLatin1Char('\\') + sub, false);
        if (!key) continue;
        // A missing "IsValid" (or one that is not a number) leaves the identity valid.
        if (key->readInt(QStringLiteral("IsValid")).value_or(1) == 0) continue;
        ++valid;
        QString name = key->readString(QStringLiteral("Identity")).value_or(QString());
        if (user && name.isEmpty()) name = QStringLiteral("[Identity%1]").arg(valid);
        names.append(name);
    }
    return names;
}

QStringList ClientCatalogue::pegasusIdentities() {
    const QString mailbox = PegasusLayout::mailboxFolder(
        readText(reg_, HKEY_LOCAL_MACHINE, PegasusLayout::mailboxKey(), QString()));
    const QString mode =
        readText(reg_, HKEY_LOCAL_MACHINE, PegasusLayout::userModeKey(), QString());
    if (mode.toLower() == QLatin1String("single-user mode")) return {kDefaultUser};
    const QString userFile = mailbox + QLatin1Char('\\') + PegasusLayout::userList();
    if (mailbox.isEmpty() || !fs_.fileExists(userFile)) return {};
    return PegasusUsers(readClientFile(fs_, userFile));
}

QStringList ClientCatalogue::theBatIdentities() {
    QStringList names;
    auto key = reg_.open(HKEY_CURRENT_USER, TheBatLayout::usersKey(), false);
    if (!key) return names;
    // A count beyond the values the key holds cannot name more users; it is cut
    // there so that a wild number cannot stall the screen.
    const qint64 count =
        qMin<qint64>(key->readInt(QStringLiteral("Count")).value_or(0), key->valueNames().size());
    for (qint64 i = 1; i <= count; ++i)
        names.append(key->readString(QStringLiteral("User #%1").arg(i)).value_or(QString()));
    return names;
}

QStringList ClientCatalogue::pocoMailIdentities(int code) {
    const PocoMailLayout::FolderValue where = PocoMailLayout::programFolder(code);
    const QString folder = readText(reg_, where.root, where.key, where.value);
    QStringList names{kDefaultUser};
    if (folder.isEmpty()) return names;
    auto found =
        fs_.find(platform::excludeTrailingBackslash(folder) + QStringLiteral("\\users\\*.*"),
                 platform::FA_READONLY | platform::FA_DIRECTORY | platform::FA_ARCHIVE);
    if (!found) return names;
    for (const platform::FindData& f : found.value())
        if (f.name != QLatin1String(".") && f.name != QLatin1String("..")) names.append(f.name);
    return names;
}

QStringList ClientCatalogue::opera6Identities() {
    const QString commandLine =
        readText(reg_, HKEY_CURRENT_USER, OperaLayout::key(), OperaLayout::commandLine6());
    const QString folder = platform::extractFilePath(commandLine);
    const QString accounts = folder + QStringLiteral("Mail\\accounts.ini");
    if (folder.isEmpty() || !fs_.fileExists(accounts)) return {};
    return OperaAccounts(readClientFile(fs_, accounts));
}

QStringList ClientCatalogue::netscape4Identities() {
    auto key = reg_.open(HKEY_CURRENT_USER, NetscapeLayout::usersKey(), false);
    return key ? key->subKeyNames() : QStringList();
}

QStringList ClientCatalogue::mozillaIdentities() {
    profilePaths_.clear();
    const QString appData = appDataFolder();
    if (appData.isEmpty()) return {};
    const QString file = appData + QLatin1Char('\\') + NetscapeLayout::profileRegistry();
    if (!fs_.fileExists(file)) return {};
    auto host = fs_.hostPath(file);
    if (!host) return {};
    QFile in(host.value());
    if (!in.open(QIODevice::ReadOnly)) return {};
    MozillaRegistry scanner(kMaxProfilePaths, [this] {
        if (ui_) ui_->processEvents();
    });
    // Read in pieces: the file may be far larger than any real profile registry.
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    while (!scanner.full()) {
        const qint64 got = in.read(chunk.data(), chunk.size());
        if (got <= 0) break;
        scanner.feed(chunk.constData(), qsizetype(got));
    }
    scanner.finish();
    profilePaths_ = scanner.paths();
    QStringList names;
    for (qsizetype i = 0; i < profilePaths_.size(); ++i)
        names.append(MozillaIdentityName(profilePaths_[i], int(i) + 1));
    return names;
}

} // namespace clients
