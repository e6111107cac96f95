#include "backup/collectors/Collector.h"

#include "backup/ArchiveList.h"
#include "backup/BackupState.h"
#include "backup/SqxDriver.h"
#include "clients/Clients.h"
#include "desktop/FileSearch.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "regdump/RegistryDump.h"

#include <QSet>

namespace backup {

Collector::Collector(BackupContext& ctx, const BackupRequest& request)
    : ctx_(ctx), request_(request) {}

QString Collector::SafeFolderName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const bool bad = c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c);
        out += bad ? QLatin1Char('_') : c;
    }
    // Windows drops trailing blanks and dots; a name made of them alone is no folder.
    QString check = out;
    while (check.endsWith(QLatin1Char(' ')) || check.endsWith(QLatin1Char('.')))
        check.chop(1);
    if (check.isEmpty()) out = QString(out.size() + 1, QLatin1Char('_'));
    return out;
}

bool Collector::HasDrive(const QString& path) {
    return clients::hasDrive(path);
}

void Collector::BeginArchive() {
    // The old archive of that name is not deleted here: the library replaces it
    // only once the new one is complete, so a failed backup leaves it in place.
    ctx_.list.resetTasks();
    ctx_.driver.InitArchiveList();
}

void Collector::FinishArchive() {
    // A failure rather than a warning: an unattended run has no one to warn,
    // and its result must not read as a complete backup.
    if (lostFolders_ > 0)
        Refuse(QStringLiteral("The folder search found more than %1 matches; %2 folders would "
                              "be left out of the backup.")
                   .arg(desktop::FoundFolderList::Capacity)
                   .arg(lostFolders_));
    if (!refused_.isEmpty()) {
        // The library is not called: the archive would lack what these name,
        // and the previous archive of that name stays as it is.
        ctx_.driver.DoneArchiveList();
        ctx_.state.fail(refused_.join(QString()));
        return;
    }
    if (ctx_.extraEntries)
        for (const ArchiveEntry& e : *ctx_.extraEntries)
            ctx_.list.AddArchiveEntry(e.spec, e.archiveFolder, e.baseFolder);
    ctx_.driver.CreateArchive(request_.targetPath);
    ctx_.driver.DoneArchiveList();
}

void Collector::Refuse(const QString& text) {
    const QString said = QLatin1Char(' ') + text;
    if (!refused_.contains(said)) refused_ << said;
}

bool Collector::ItemTicked(int position) const {
    return position >= 0 && position < request_.itemCount && position < kMaxSelected &&
           request_.items[std::size_t(position)].ticked;
}

const QString& Collector::ItemName(int position) const {
    return request_.items.at(std::size_t(position)).name;
}

bool Collector::IdentityTicked(int position) const {
    return position >= 0 && position < request_.identityCount && position < kMaxSelected &&
           request_.identities[std::size_t(position)].ticked;
}

const QString& Collector::IdentityName(int position) const {
    return request_.identities.at(std::size_t(position)).name;
}

QStringList Collector::TickedIdentityNames() const {
    QStringList names;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) names << IdentityName(i);
    }
    return names;
}

QStringList Collector::TickedItemNames() const {
    QStringList names;
    for (int i = 0; i < request_.itemCount; ++i) {
        if (ItemTicked(i)) names << ItemName(i);
    }
    return names;
}

QString Collector::StagingFolderFor(const QString& name) {
    const QString folder = Staging() + QLatin1Char('\\') + SafeFolderName(name);
    MakeStagingFolder(folder);
    return folder;
}

namespace {
QString reason(const platform::Status& st) {
    return st.message().isEmpty() ? QStringLiteral("error %1").arg(st.code()) : st.message();
}
} // namespace

bool Collector::MakeStagingFolder(const QString& folder) {
    if (ctx_.files.directoryExists(folder)) return true;
    // Only below a staging folder that is still there: made anew by
    // createDirectories it would be open to every user of the machine.
    if (!ctx_.files.directoryExists(Staging())) {
        Refuse(QStringLiteral("The temporary folder %1 is gone.").arg(Staging()));
        return false;
    }
    const platform::Status st = ctx_.files.createDirectories(folder);
    if (!st) {
        Refuse(QStringLiteral("The folder %1 could not be made: %2.").arg(folder, reason(st)));
        return false;
    }
    return true;
}

bool Collector::ExportKey(const QString& rootName, const QString& keyPath, bool subKeys,
                          const QString& file) {
    if (ctx_.dump.ExportRegistryKey(rootName, keyPath, subKeys, file)) return true;
    Refuse(QStringLiteral("The registry key %1%2 could not be saved to %3.")
               .arg(rootName, keyPath, file));
    return false;
}

void Collector::ExportAndAdd(const QString& rootName, const QString& keyPath, bool subKeys,
                             const QString& file, const QString& baseFolder) {
    ExportKey(rootName, keyPath, subKeys, file);
    Add(file, QString(), baseFolder);
}

bool Collector::WriteManifestFile(const QString& file, const Manifest& m) {
    const platform::Status st = WriteManifest(ctx_.files, file, m);
    if (!st) Refuse(QStringLiteral("The file %1 could not be written: %2.").arg(file, reason(st)));
    return bool(st);
}

bool Collector::WriteMapFile(const QString& file, const IniPairs& keys) {
    const platform::Status st = WriteDirectoryFile(ctx_.files, file, keys);
    if (!st) Refuse(QStringLiteral("The file %1 could not be written: %2.").arg(file, reason(st)));
    return bool(st);
}

bool Collector::SaveStagingIni(const platform::IniFile& ini, const QString& file) {
    (void)ctx_.files.removeFile(file);
    const platform::Status st = ini.save(ctx_.files, file);
    if (!st) Refuse(QStringLiteral("The file %1 could not be written: %2.").arg(file, reason(st)));
    return bool(st);
}

void Collector::Add(const QString& spec, const QString& archiveFolder, const QString& baseFolder) {
    ctx_.list.AddArchiveEntry(spec, archiveFolder, baseFolder);
}

void Collector::AddFolder(const QString& folder, const QString& archiveFolder,
                          const QString& baseFolder, const QString& extension) {
    const platform::Status st =
        ctx_.list.AddFolderEntries(folder, archiveFolder, baseFolder, extension);
    if (!st) Refuse(st.message() + QLatin1Char('.'));
}

void Collector::AddRows(std::span<const clients::FileRow> rows, int item, const QString& folder,
                        const QString& archiveFolder) {
    const QString base = folder + QLatin1Char('\\');
    for (const clients::FileRow& row : rows) {
        if (row.item != item) continue;
        // An empty path is the folder itself.
        const QString path = *row.path ? base + QLatin1String(row.path) : folder;
        if (row.isFolder())
            AddFolder(path, archiveFolder, base, QLatin1String(row.extension));
        else
            Add(path, archiveFolder, base);
    }
}

void Collector::CloseTask(int itemPosition) {
    ctx_.list.CloseTask(ItemName(itemPosition));
}

namespace {
// The registry takes key paths from the root, without a leading '\'.
QString fromRoot(const QString& keyPath) {
    return keyPath.startsWith(QLatin1Char('\\')) ? keyPath.mid(1) : keyPath;
}
} // namespace

QString Collector::ReadString(quint32 root, const QString& keyPath, const QString& name) const {
    const auto key = ctx_.registry.open(root, fromRoot(keyPath));
    if (!key) return {};
    return key->readString(name).value_or(QString());
}

QStringList Collector::SubKeyNames(quint32 root, const QString& keyPath) const {
    const auto key = ctx_.registry.open(root, fromRoot(keyPath));
    return key ? key->subKeyNames() : QStringList();
}

QString Collector::ShellFolder(const QString& name) const {
    return platform::shellFolder(ctx_.registry, name);
}

QStringList Collector::FindFolders(const QString& folder, const QString& mask) {
    if (folder.isEmpty()) return {};
    const QString spec = folder + QLatin1Char('\\') + mask;
    // The search would cut the text.
    if (spec.size() > desktop::FileSearch::MaxSearchFileLength) {
        Refuse(QStringLiteral("The folder %1 could not be searched: its path is too long for "
                              "the folder search.")
                   .arg(folder));
        return {};
    }
    desktop::FoundFolderList found;
    desktop::FileSearch search(ctx_.files, &ctx_.ui);
    // A folder's matches come one after another, before its sub-folders are
    // entered, and every collector takes each folder once: the list keeps one
    // entry per run, so that its room counts folders and one folder with
    // thousands of mailboxes or shortcuts cannot crowd out the others.
    QSet<QString> lost;
    search.OnFileFind = [&](const QString& match, const platform::FindData&) {
        if (found.count() > 0 && found.at(found.count() - 1) == match) return;
        if (!found.append(match)) lost.insert(match);
    };
    search.OnFolderError = [this](const QString&, const QString& reason) {
        Refuse(reason + QLatin1Char('.'));
    };
    search.setSearchFile(spec);
    search.Execute();
    lostFolders_ += int(lost.size());
    return found.folders();
}

QStringList Collector::DistinctFolders(const QStringList& folders, Qt::CaseSensitivity cs) {
    QStringList out;
    QSet<QString> seen;
    for (const QString& f : folders) {
        const QString key = cs == Qt::CaseInsensitive ? f.toLower() : f;
        if (seen.contains(key)) continue;
        seen.insert(key);
        out << f;
    }
    return out;
}

QString Collector::ManifestClientName() const {
    return clients::ManifestName(request_.clientCode);
}

void Collector::AddManifest(const IniPairs& directory) {
    Manifest m;
    m.emailClient = ManifestClientName();
    m.identities = TickedIdentityNames();
    m.items = TickedItemNames();
    m.directory = directory;
    const QString file = Staging() + QStringLiteral("\\infobak.ini");
    WriteManifestFile(file, m);
    Add(file, QString(), Staging() + QLatin1Char('\\'));
}

bool Collector::Failed() const {
    return ctx_.state.BackupFailed;
}

} // namespace backup
