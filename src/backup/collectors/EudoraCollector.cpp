#include "backup/collectors/EudoraCollector.h"

#include "backup/Manifest.h"
#include "clients/layouts/EudoraLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::EudoraLayout;

} // namespace

bool RunEudora(BackupContext& ctx, const BackupRequest& request) {
    EudoraCollector collector(ctx, request);
    return collector.Run();
}

QString EudoraCollector::RelativeFolder(const QString& found, const QString& dataFolder) {
    const QString folder = platform::excludeTrailingBackslash(found);
    const QString prefix = dataFolder + QLatin1Char('\\');
    if (!folder.startsWith(prefix, Qt::CaseInsensitive)) return {};
    return folder.mid(prefix.size());
}

bool EudoraCollector::Run() {
    BeginArchive();
    const QString d = L::dataFolderOf(
        ReadString(platform::HKEY_CLASSES_ROOT, L::commandLineKey(), QString()), ctx_.files);
    const bool haveData = HasDrive(d);
    for (const int item :
         {L::kAccounts, L::kMailFolders, L::kFilters, L::kSignatures, L::kAddressBook}) {
        if (!ItemTicked(item)) continue;
        if (item == L::kMailFolders)
            AddMailFolders(haveData ? d : QString());
        else if (haveData)
            AddRows(L::files(), item, d);
        CloseTask(item);
    }

    AddManifest();
    FinishArchive();
    return Failed();
}

void EudoraCollector::AddMailFolders(const QString& d) {
    const QString base = d + QLatin1Char('\\');
    // A folder is found once per ".pce" file in it; its mailboxes are added once.
    // Folders whose names differ in letter case only are different folders on
    // the host: both are kept.
    const QStringList found =
        DistinctFolders(FindFolders(d, QStringLiteral("*.pce")), Qt::CaseSensitive);
    for (const QString& folder : found) {
        if (folder.compare(base, Qt::CaseInsensitive) == 0) continue;
        for (const char* ext : L::mailboxExtensions())
            AddFolder(platform::excludeTrailingBackslash(folder), QString(), base,
                      QLatin1String(ext));
    }
    if (!d.isEmpty()) {
        for (const char* ext : L::mailboxExtensions())
            AddFolder(d, QStringLiteral("Mail"), base, QLatin1String(ext));
    }

    // The map of the mail folders that a restore recreates below D.
    QStringList mailFolders;
    for (const QString& folder : found) {
        if (!platform::excludeTrailingBackslash(folder).endsWith(QLatin1String(".fol"),
                                                                 Qt::CaseInsensitive))
            continue;
        const QString relative = RelativeFolder(folder, d);
        if (!relative.isEmpty()) mailFolders << relative;
    }
    const QString map = Staging() + QStringLiteral("\\directory.ini");
    WriteMapFile(map, NumberedKeys(QStringLiteral("Dir"), mailFolders));
    Add(map, QString(), Staging() + QLatin1Char('\\'));

    if (!d.isEmpty()) AddFolder(base + QStringLiteral("Stationery"), QString(), base);
}

} // namespace backup
