#include "backup/collectors/EudoraCollector.h"

#include "backup/Manifest.h"
#include "clients/layouts/EudoraLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::EudoraLayout;

// Beyond this many blanks the line is no command line Eudora wrote; only the
// plain cut is tried, so a hostile value cannot start a long search.
constexpr int kMaxBlanksSearched = 32;

QString withoutQuotesAndBackslash(QString text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    while (text.size() > 2 && text.endsWith(QLatin1Char('\\'))) // "C:\Eudora\" and "C:\"
        text.chop(1);
    return text;
}
} // namespace

bool RunEudora(BackupContext& ctx, const BackupRequest& request) {
    EudoraCollector collector(ctx, request);
    return collector.Run();
}

QString EudoraCollector::DataFolderOf(const QString& commandLine, const platform::Files& fs) {
    QList<qsizetype> blanks;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        if (commandLine.at(i) == QLatin1Char(' ')) blanks << i;
    }
    const QString cut =
        blanks.size() < 2 ? commandLine : commandLine.mid(blanks[0] + 1, blanks[1] - blanks[0] - 1);
    const QString plain = withoutQuotesAndBackslash(cut);
    if (blanks.size() > kMaxBlanksSearched || (HasDrive(plain) && fs.directoryExists(plain)))
        return plain;
    // The program path (or the folder) holds blanks: the first run of words that
    // names an existing folder, after the program's own path if possible.
    QList<qsizetype> bounds{-1};
    bounds << blanks << commandLine.size();
    for (qsizetype i = 0; i + 1 < bounds.size(); ++i) {
        for (qsizetype j = i + 1; j < bounds.size(); ++j) {
            const QString run = withoutQuotesAndBackslash(
                commandLine.mid(bounds[i] + 1, bounds[j] - bounds[i] - 1));
            if (HasDrive(run) && fs.directoryExists(run)) return run;
        }
    }
    return plain;
}

QString EudoraCollector::RelativeFolder(const QString& found, const QString& dataFolder) {
    const QString folder = platform::excludeTrailingBackslash(found);
    const QString prefix = dataFolder + QLatin1Char('\\');
    if (!folder.startsWith(prefix, Qt::CaseInsensitive)) return {};
    return folder.mid(prefix.size());
}

bool EudoraCollector::Run() {
    BeginArchive();
    const QString d = DataFolderOf(
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
