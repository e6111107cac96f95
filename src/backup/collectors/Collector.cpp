#include "backup/collectors/Collector.h"

#include "backup/ArchiveList.h"
#include "backup/ArchiveWriter.h"
#include "backup/BackupState.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "regdump/TIORegistry.h"

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

void Collector::BeginArchive() {
    ctx_.list.resetTasks();
    if (ctx_.files.fileExists(request_.targetPath))
        (void)ctx_.files.removeFile(request_.targetPath);
    ctx_.writer.InitArchiveList();
}

void Collector::FinishArchive() {
    ctx_.writer.CreateArchive(request_.targetPath);
    ctx_.writer.DoneArchiveList();
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

QString Collector::StagingFolderFor(const QString& name) const {
    const QString folder = Staging() + QLatin1Char('\\') + SafeFolderName(name);
    if (!ctx_.files.directoryExists(folder)) (void)ctx_.files.createDirectories(folder);
    return folder;
}

void Collector::ExportAndAdd(const QString& rootName, const QString& keyPath, bool subKeys,
                             const QString& file, const QString& baseFolder) {
    ctx_.dump.ExportRegistryKey(rootName, keyPath, subKeys, file);
    Add(file, QString(), baseFolder);
}

void Collector::Add(const QString& spec, const QString& archiveFolder, const QString& baseFolder) {
    ctx_.list.AddArchiveEntry(spec, archiveFolder, baseFolder);
}

void Collector::AddFolder(const QString& folder, const QString& archiveFolder,
                          const QString& baseFolder) {
    ctx_.list.AddFolderEntries(folder, archiveFolder, baseFolder, QStringLiteral("*"));
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
    return ReadString(
        platform::HKEY_CURRENT_USER,
        QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        name);
}

bool Collector::Failed() const {
    return ctx_.state.BackupFailed;
}

} // namespace backup
