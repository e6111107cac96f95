#include "restore/restorers/OutlookExpressRestorer.h"

#include "backup/collectors/Collector.h"
#include "base/RegistryRoots.h"
#include "clients/layouts/OutlookExpressLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using Collector = backup::OutlookExpressCollector;
using L = clients::OutlookExpressLayout;
} // namespace

void OutlookExpressRestorer::Prepare() {
    folders_.appData = ShellFolder(QStringLiteral("AppData"));
    folders_.userProfile = Collector::UserProfileOf(folders_.appData);
    folders_.systemDrive = Collector::SystemDriveOf(folders_.appData);
    folders_.programFiles =
        ReadString(platform::HKEY_LOCAL_MACHINE, L::programFilesKey(), QStringLiteral("AppData"));
    if (folders_.programFiles.isEmpty())
        folders_.programFiles = folders_.systemDrive + QStringLiteral("\\Program Files");
    folders_.windows = platform::windowsFolder(in_.files.drives());

    const QString hkcu = base::CurrentUserName();
    const QString idKeys = QLatin1Char('\\') + L::identitiesKey() + QLatin1Char('\\');
    const QString oe = QLatin1Char('\\') + L::settingsKey();
    const QString localAppData = ShellFolder(QStringLiteral("Local AppData"));
    const QStringList& ids = in_.manifest.identities;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QString folder = backup::Collector::SafeFolderName(ids[i]);
        identityByFolder_.insert(folder.toLower(), ids[i]);
        const QString key = in_.manifest.directoryValue(QStringLiteral("Item%1").arg(i + 1));
        if (key.isEmpty()) continue;
        identityByKey_.insert(key.toLower(), ids[i]);
        // Where this prefix keeps the identity's store, else where Outlook
        // Express puts a new identity's.
        const QString current = ReadString(platform::HKEY_CURRENT_USER, idKeys + key + oe,
                                           QStringLiteral("Store Root"));
        if (!current.isEmpty())
            AddRoot(
                Collector::ExpandPlaceholders(current, folders_, Collector::Expansion::FromValue));
        const QString own = QLatin1Char('\\') + L::newStoreFolder(key);
        if (!folders_.userProfile.isEmpty())
            AddRoot(folders_.userProfile + QStringLiteral("\\Local Settings\\Application Data") +
                    own);
        if (!localAppData.isEmpty())
            AddRoot(platform::excludeTrailingBackslash(localAppData) + own);
        // The store goes where the restored identity will look for it.
        QString root;
        if (const auto dump = Dump(folder + QStringLiteral("/identity2.reg")))
            root = dump->value(hkcu + idKeys + key + oe, QStringLiteral("Store Root"))
                       .value_or(QString());
        if (!root.isEmpty()) {
            storeByKey_.insert(key.toLower(), Collector::ExpandPlaceholders(
                                                  root, folders_, Collector::Expansion::FromValue));
            NameFolder(folder + QStringLiteral("/identity2.reg: Store Root"),
                       storeByKey_.value(key.toLower()));
        }
    }
    const QString currentWab =
        ReadString(platform::HKEY_CURRENT_USER, L::addressBookFileKey(), QString());
    AddRoot(platform::extractFilePath(currentWab));
    if (!folders_.appData.isEmpty())
        AddRoot(platform::excludeTrailingBackslash(folders_.appData) +
                QStringLiteral("\\Microsoft\\Address Book"));
    QString wab;
    if (const auto dump = Dump(QLatin1String(L::addressBookDump().file)))
        wab = dump->value(hkcu + QLatin1Char('\\') + L::addressBookFileKey(), QString())
                  .value_or(QString());
    if (wab.isEmpty())
        wab = currentWab;
    else
        NameFolder(QStringLiteral("address.reg: Wab File Name"), platform::extractFilePath(wab));
    wabFolder_ = platform::extractFilePath(wab);
    // The folder the backup read, moved to this prefix's user already.
    const platform::IniFile st =
        ReadWindowsIni(in_.stagingHost + QStringLiteral("/stationery.ini"));
    const QString currentStationery =
        Collector::ExpandPlaceholders(ReadString(platform::HKEY_LOCAL_MACHINE, L::stationeryKey(),
                                                 QStringLiteral("Stationery Folder")),
                                      folders_, Collector::Expansion::Cumulative);
    AddRoot(currentStationery);
    if (!folders_.programFiles.isEmpty())
        AddRoot(platform::excludeTrailingBackslash(folders_.programFiles) +
                QStringLiteral("\\Common Files\\Microsoft Shared\\Stationery"));
    stationery_ = st.readString(QStringLiteral("Directory"), QStringLiteral("Stationery"));
    if (stationery_.isEmpty()) stationery_ = currentStationery;
}

OutlookExpressRestorer::Where OutlookExpressRestorer::Locate(const QString& entry) {
    Where w;
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        if (entry.compare(QLatin1String(L::addressBookDump().file), Qt::CaseInsensitive) == 0) {
            w.item = L::kAddressBook;
            w.dump = true;
        }
        return w;
    }
    const QString top = entry.left(slash);
    const QString lowTop = top.toLower();
    if (lowTop == L::addressBookFolder().toLower()) {
        w.item = L::kAddressBook;
        if (Collector::HasDrive(wabFolder_)) w.winPath = Below(wabFolder_, entry, slash + 1);
        return w;
    }
    if (lowTop == L::stationeryFolder().toLower()) {
        w.item = L::kStationery;
        if (Collector::HasDrive(stationery_)) w.winPath = Below(stationery_, entry, slash + 1);
        return w;
    }
    if (identityByKey_.contains(lowTop)) {
        w.identity = identityByKey_.value(lowTop);
        w.item = L::kMailFolders;
        const QString store = storeByKey_.value(lowTop);
        if (Collector::HasDrive(store)) w.winPath = Below(store, entry, slash + 1);
        return w;
    }
    if (identityByFolder_.contains(lowTop) &&
        entry.endsWith(QLatin1String(".reg"), Qt::CaseInsensitive) &&
        entry.indexOf(QLatin1Char('/'), slash + 1) < 0) {
        w.identity = identityByFolder_.value(lowTop);
        w.item = L::itemOfDump(entry.mid(slash + 1));
        w.dump = true;
    }
    return w;
}

} // namespace restore
