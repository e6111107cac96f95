#include "backup/collectors/IncrediMailCollector.h"
#include "base/RegistryRoots.h"

#include "backup/Manifest.h"
#include "clients/layouts/IncrediMailLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <QRegularExpression>

namespace backup {

namespace {
using L = clients::IncrediMailLayout;
const QString kBase = L::key();
const QString kIdentities = L::identitiesKey();
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
    identities_ = v_.application + QLatin1Char('\\') + L::identitiesFolder();
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
    if (ItemTicked(L::kStationery)) AddStationery();

    Manifest m;
    m.emailClient = ManifestClientName();
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
    // The identity's own folder below D; a key name that is no plain folder
    // name, or an application folder without a drive, gives no files.
    const bool files = HasDrive(identities_) && SafeFolderName(key) == key;
    const QString d = identities_ + QLatin1Char('\\');
    const QString own = d + key;

    ExportAndAdd(v_.rootName, L::identityDumpKey(key), false, dir + L::identityDump(), base);
    if (ItemTicked(L::kAccounts)) {
        ExportAndAdd(v_.rootName, L::accountsDumpKey(key), true, dir + L::accountsDump(), base);
        CloseTask(L::kAccounts);
    }
    if (ItemTicked(L::kMailFolders)) {
        if (files) {
            const QString store = own + QLatin1Char('\\') + L::messageStore();
            AddFolder(store, QString(), d);
            AddFolder(store + QLatin1Char('\\') + L::attachments(), key, store + QLatin1Char('\\'));
        }
        CloseTask(L::kMailFolders);
    }
    if (ItemTicked(L::kRules)) {
        ExportAndAdd(v_.rootName, L::rulesDumpKey(key), true, dir + L::rulesDump(), base);
        const QString order = own + QLatin1Char('\\') + L::ruleOrder();
        if (files && ctx_.files.fileExists(order)) Add(order, stagingName, own + QLatin1Char('\\'));
        CloseTask(L::kRules);
    }
    if (ItemTicked(L::kAddressBook)) {
        if (files) AddFolder(own + QLatin1Char('\\') + L::addressBook(), QString(), d);
        CloseTask(L::kAddressBook);
    }
}

void IncrediMailCollector::AddStationery() {
    if (HasDrive(v_.content)) {
        for (const char* kind : L::contentKinds()) {
            const QString folder = v_.content + QLatin1Char('\\') + QLatin1String(kind);
            AddFolder(folder, L::stationeryFolder() + QLatin1Char('\\') + QLatin1String(kind),
                      folder + QLatin1Char('\\'));
        }
    }
    ExportAndAdd(v_.rootName, L::contentDumpKey(), true,
                 Staging() + QLatin1Char('\\') + L::stationeryDump(),
                 Staging() + QLatin1Char('\\'));
    CloseTask(L::kStationery);
}

} // namespace backup
