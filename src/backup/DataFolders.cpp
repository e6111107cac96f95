#include "backup/DataFolders.h"

#include "backup/ArchiveList.h"
#include "clients/Clients.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"

#include <QSet>

#include <algorithm>

namespace backup {

namespace {

// "C:\dir\" -> "C:\dir"; a drive root keeps its backslash.
QString folderText(const QString& folder) {
    if (folder.size() <= 3 && folder.endsWith(QLatin1String(":\\"))) return folder;
    return platform::excludeTrailingBackslash(folder);
}

bool insideFolder(const QString& path, const QString& folder) {
    if (folder.isEmpty()) return false;
    return path.compare(folder, Qt::CaseInsensitive) == 0 ||
           path.startsWith(folder + QLatin1Char('\\'), Qt::CaseInsensitive);
}

} // namespace

QList<DataFolder> DataFoldersOf(const ArchiveList& list, const QString& stagingFolder,
                                const platform::Files& files) {
    const QString staging = platform::excludeTrailingBackslash(stagingFolder);
    QList<DataFolder> out;
    QSet<QString> seen;
    for (int n = 1; n <= list.count(); ++n) {
        const QString spec = list.entry(n).spec;
        if (spec.isEmpty() || insideFolder(spec, staging)) continue;
        const QString path = folderText(spec);
        const QString folder =
            files.directoryExists(path) ? path : folderText(platform::extractFilePath(path));
        if (folder.isEmpty()) continue;
        const QString key = folder.toLower();
        if (seen.contains(key)) continue;
        seen.insert(key);
        out.append(DataFolder{folder, files.directoryExists(folder)});
    }
    std::stable_sort(out.begin(), out.end(), [](const DataFolder& a, const DataFolder& b) {
        return a.path.compare(b.path, Qt::CaseInsensitive) < 0;
    });
    return out;
}

QStringList DataFolderReport(const QList<ClientDataFolders>& clients) {
    QStringList out;
    for (const ClientDataFolders& c : clients) {
        out.append(QStringLiteral("data folders of code %1 \"%2\"%3:")
                       .arg(c.code)
                       .arg(clients::ClientCaption(c.code),
                            c.label.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(c.label)));
        for (const DataFolder& f : c.folders)
            out.append(QStringLiteral("  ") + f.path +
                       (f.exists ? QString() : QStringLiteral("  (missing)")));
        if (c.folders.isEmpty() && c.problem.isEmpty()) out.append(QStringLiteral("  (none)"));
        if (!c.problem.isEmpty()) out.append(QStringLiteral("  note: ") + c.problem);
    }
    return out;
}

} // namespace backup
