#include "restore/restorers/Restorer.h"

#include "clients/Clients.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "restore/restorers/EudoraRestorer.h"
#include "restore/restorers/FavoritesRestorer.h"
#include "restore/restorers/IncrediMailRestorer.h"
#include "restore/restorers/NetscapeRestorer.h"
#include "restore/restorers/OperaRestorer.h"
#include "restore/restorers/OutlookExpressRestorer.h"
#include "restore/restorers/OutlookRestorer.h"
#include "restore/restorers/PegasusRestorer.h"
#include "restore/restorers/PocoMailRestorer.h"
#include "restore/restorers/TheBatRestorer.h"

#include <QFile>

namespace restore {

bool IsManifestEntry(const QString& entry) {
    static const char* const kNames[] = {"infobak.ini", "directory.ini", "others.ini",
                                         "stationery.ini"};
    for (const char* n : kNames)
        if (entry.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool Restorer::chosen(const Where& w) const {
    const auto named = [](const QStringList& list, const QString& name) {
        return list.isEmpty() || list.contains(name, Qt::CaseInsensitive);
    };
    if (!w.identity.isEmpty() && !named(in_.choice.identities, w.identity)) return false;
    if (w.item >= 0) {
        const QStringList items = clients::ClientItems(in_.manifest.clientCode);
        if (w.item < items.size() && !named(in_.choice.items, items.at(w.item))) return false;
    }
    return true;
}

RestorePlan Restorer::Plan() {
    Prepare();
    RestorePlan plan;
    for (const QString& entry : in_.entries) {
        if (IsManifestEntry(entry)) {
            plan.selected << entry;
            continue;
        }
        const Where w = Locate(entry);
        if (!chosen(w)) continue;
        plan.selected << entry;
        if (w.mapOnly) continue;
        if (w.dump)
            plan.dumps << entry;
        else if (w.winPath.isEmpty())
            plan.undetermined << entry;
        else
            plan.files << Placement{entry, w.winPath};
        if (w.pathFile && !w.winPath.isEmpty()) plan.pathFiles << entry;
    }
    plan.rewrites = rewrites_;
    plan.roots = roots_;
    plan.namedFolders = namedFolders_;
    return plan;
}

void Restorer::AddRoot(const QString& winPath) {
    QString root = winPath;
    while (root.endsWith(QLatin1Char('\\')))
        root.chop(1);
    if (root.size() > 2 && root[1] == QLatin1Char(':') &&
        !roots_.contains(root, Qt::CaseInsensitive))
        roots_ << root;
}

bool Restorer::InsideRoots(const QString& winPath) const {
    QString path = winPath;
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    for (const QString& root : roots_)
        if (path.compare(root, Qt::CaseInsensitive) == 0 ||
            path.startsWith(root + QLatin1Char('\\'), Qt::CaseInsensitive))
            return true;
    return false;
}

void Restorer::NameFolder(const QString& what, const QString& winFolder) {
    if (!winFolder.isEmpty()) namedFolders_.append({what, winFolder});
}

std::optional<DumpText> Restorer::Dump(const QString& entry) const {
    QFile f(in_.stagingHost + QLatin1Char('/') + entry);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return DumpText::parse(f.readAll());
}

QString Restorer::ShellFolder(const QString& name) const {
    return platform::shellFolder(in_.registry, name);
}

QString Restorer::ReadString(quint32 root, const QString& keyPath, const QString& name) const {
    const QString path = keyPath.startsWith(QLatin1Char('\\')) ? keyPath.mid(1) : keyPath;
    const auto key = in_.registry.open(root, path);
    if (!key) return {};
    return key->readString(name).value_or(QString());
}

QString Restorer::Below(const QString& folder, const QString& entry, qsizetype prefixLength) {
    QString rest = entry.mid(prefixLength);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString base = folder;
    while (base.endsWith(QLatin1Char('\\')))
        base.chop(1);
    return base + QLatin1Char('\\') + rest;
}

namespace {
template <class R> std::unique_ptr<Restorer> make(const RestoreInput& in) {
    return std::make_unique<R>(in);
}

// One row per client code that has archives.
const struct {
    int code;
    std::unique_ptr<Restorer> (*make)(const RestoreInput&);
} kRestorers[] = {
    {clients::kOutlookExpress, &make<OutlookExpressRestorer>},
    {clients::kOutlook, &make<OutlookRestorer>},
    {clients::kEudora, &make<EudoraRestorer>},
    {clients::kIncrediMail, &make<IncrediMailRestorer>},
    {clients::kPegasus, &make<PegasusRestorer>},
    {clients::kTheBat, &make<TheBatRestorer>},
    {clients::kPocoMail2, &make<PocoMailRestorer>},
    {clients::kPocoMail3, &make<PocoMailRestorer>},
    {clients::kPocoMail20, &make<PocoMailRestorer>},
    {clients::kOpera6, &make<Opera6Restorer>},
    {clients::kOpera7, &make<Opera7Restorer>},
    {clients::kNetscape4, &make<Netscape4Restorer>},
    {clients::kNetscape67, &make<Netscape67Restorer>},
    {clients::kFavorites, &make<FavoritesRestorer>},
};
} // namespace

std::unique_ptr<Restorer> MakeRestorer(const RestoreInput& in) {
    for (const auto& row : kRestorers)
        if (row.code == in.manifest.clientCode) return row.make(in);
    return nullptr;
}

} // namespace restore
