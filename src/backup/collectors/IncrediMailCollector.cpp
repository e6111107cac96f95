#include "backup/collectors/IncrediMailCollector.h"
#include "base/RegistryRoots.h"

#include "backup/Manifest.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <QRegularExpression>

namespace backup {

namespace {
const QString kBase = QStringLiteral("SOFTWARE\\incredimail");
const QString kIdentities = QStringLiteral("SOFTWARE\\incredimail\\identities");

enum Item { kAccounts, kMailFolders, kRules, kAddressBook, kStationery };

const char* const kContentKinds[] = {"Animation", "ECard", "Emoticon", "Letter",
                                     "Notifier",  "Skin",  "Sound",    "Image"};
} // namespace

bool RunIncrediMail(BackupContext& ctx, const BackupRequest& request) {
    IncrediMailCollector collector(ctx, request);
    return collector.Run();
}

IncrediMailCollector::Variant IncrediMailCollector::ReadVariant() const {
    Variant v;
    const QString path = QStringLiteral("ApplicationPath");
    if (ctx_.registry.keyExists(platform::HKEY_CURRENT_USER, kBase)) {
        v.root = platform::HKEY_CURRENT_USER;
        v.rootName = base::CurrentUserName();
        v.content =
            ReadString(platform::HKEY_LOCAL_MACHINE, kBase, QStringLiteral("CommonDataPath"));
        v.application = ReadString(platform::HKEY_CURRENT_USER, kBase, path);
    } else {
        v.root = platform::HKEY_LOCAL_MACHINE;
        v.rootName = QStringLiteral("HKEY_LOCAL_MACHINE");
        v.content = ReadString(platform::HKEY_LOCAL_MACHINE, kBase, path);
        v.application = v.content;
    }
    v.content = platform::excludeTrailingBackslash(v.content);
    v.application = platform::excludeTrailingBackslash(v.application);
    return v;
}

bool IncrediMailCollector::Run() {
    BeginArchive();
    v_ = ReadVariant();
    identities_ = v_.application + QStringLiteral("\\Identities");
    const QStringList keys = SubKeyNames(v_.root, kIdentities);

    for (int i = 0; i < request_.identityCount; ++i) {
        if (!IdentityTicked(i)) continue;
        const QString& name = IdentityName(i);
        const QStringList matching = KeysOf(name, keys);
        for (const QString& key : matching) {
            folderMap_[std::size_t(i)] = key; // the last matching key, as the map holds one
            if (done_.contains(key.toLower())) continue;
            done_.insert(key.toLower());
            // Keys with equal names each get a folder of their own inside the
            // identity's folder, so that no dump or rule order overwrites another.
            QString staging = SafeFolderName(name);
            if (matching.size() > 1) staging += QLatin1Char('\\') + SafeFolderName(key);
            BackupKey(key, staging);
        }
    }
    if (ItemTicked(kStationery)) AddStationery();

    Manifest m;
    m.emailClient = QStringLiteral("IncrediMail");
    m.identities = TickedIdentityNames();
    m.items = TickedItemNames();
    QStringList map;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) map << folderMap_[std::size_t(i)];
    }
    m.directory = NumberedKeys(QStringLiteral("Item"), map);
    const QString info = Staging() + QStringLiteral("\\infobak.ini");
    WriteManifestFile(info, m);
    Add(info, QString(), Staging());

    FinishArchive();
    return Failed();
}

QStringList IncrediMailCollector::KeysOf(const QString& name, const QStringList& keys) const {
    QStringList matching;
    for (const QString& key : keys) {
        const QString identity =
            ReadString(v_.root, kIdentities + QLatin1Char('\\') + key, QStringLiteral("Identity"));
        if (identity == name) matching << key;
    }
    if (!matching.isEmpty() || v_.root != platform::HKEY_CURRENT_USER) return matching;

    // The identity list names a user identity with an empty "Identity" after its
    // place among the valid identities; without this its mail would be left out.
    static const QRegularExpression made(QStringLiteral("^\\[Identity([1-9][0-9]{0,5})\\]$"));
    const auto hit = made.match(name);
    if (!hit.hasMatch()) return matching;
    const int wanted = hit.captured(1).toInt();
    int valid = 0;
    for (const QString& key : keys) {
        const auto k = ctx_.registry.open(v_.root, kIdentities + QLatin1Char('\\') + key);
        if (!k) continue;
        if (k->readInt(QStringLiteral("IsValid")).value_or(1) == 0) continue;
        if (++valid < wanted) continue;
        if (k->readString(QStringLiteral("Identity")).value_or(QString()).isEmpty())
            matching << key;
        break;
    }
    return matching;
}

void IncrediMailCollector::BackupKey(const QString& key, const QString& stagingName) {
    const QString base = Staging() + QLatin1Char('\\');
    const QString dir = base + stagingName + QLatin1Char('\\');
    MakeStagingFolder(dir);
    const QString keyPath = kIdentities + QLatin1Char('\\') + key;
    // The identity's own folder below D; a key name that is no plain folder
    // name, or an application folder without a drive, gives no files.
    const bool files = HasDrive(identities_) && SafeFolderName(key) == key;
    const QString d = identities_ + QLatin1Char('\\');
    const QString own = d + key;

    ExportAndAdd(v_.rootName, QStringLiteral("\\Software\\IncrediMail\\Identities\\") + key, false,
                 dir + QStringLiteral("identity.reg"), base);
    if (ItemTicked(kAccounts)) {
        ExportAndAdd(v_.rootName, keyPath + QStringLiteral("\\accounts"), true,
                     dir + QStringLiteral("account.reg"), base);
        CloseTask(kAccounts);
    }
    if (ItemTicked(kMailFolders)) {
        if (files) {
            const QString store = own + QStringLiteral("\\Message Store");
            AddFolder(store, QString(), d);
            AddFolder(store + QStringLiteral("\\Attachments"), key, store + QLatin1Char('\\'));
        }
        CloseTask(kMailFolders);
    }
    if (ItemTicked(kRules)) {
        ExportAndAdd(v_.rootName, keyPath + QStringLiteral("\\rules"), true,
                     dir + QStringLiteral("rules.reg"), base);
        const QString order = own + QStringLiteral("\\RuleOrder.dat");
        if (files && ctx_.files.fileExists(order)) Add(order, stagingName, own + QLatin1Char('\\'));
        CloseTask(kRules);
    }
    if (ItemTicked(kAddressBook)) {
        if (files) AddFolder(own + QStringLiteral("\\AddressBook"), QString(), d);
        CloseTask(kAddressBook);
    }
}

void IncrediMailCollector::AddStationery() {
    if (HasDrive(v_.content)) {
        for (const char* kind : kContentKinds) {
            const QString folder = v_.content + QLatin1Char('\\') + QLatin1String(kind);
            AddFolder(folder, QStringLiteral("Stationery\\") + QLatin1String(kind),
                      folder + QLatin1Char('\\'));
        }
    }
    ExportAndAdd(v_.rootName, kBase + QStringLiteral("\\content"), true,
                 Staging() + QStringLiteral("\\stationery.reg"), Staging() + QLatin1Char('\\'));
    CloseTask(kStationery);
}

} // namespace backup
