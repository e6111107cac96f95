#include "backup/ArchiveList.h"

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/PlacementJournal.h"

namespace backup {

namespace {
// Deep enough for any mail store; stops a link loop from walking forever.
constexpr int kMaxDepth = 64;

bool isDotEntry(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}
} // namespace

ArchiveList::ArchiveList(const platform::Files& fs) : fs_(fs) {
    clear();
}

void ArchiveList::clear() {
    entries_.clear();
    rows_.assign(1, TaskRow{});
    tasks_ = 0;
    lastEnd_ = 0;
}

void ArchiveList::resetTasks() {
    tasks_ = 0;
    lastEnd_ = 0;
    rows_.resize(1);
    rows_[0] = TaskRow{};
}

void ArchiveList::AddArchiveEntry(const QString& spec, const QString& archiveFolder,
                                  const QString& baseFolder) {
    // What a killed restore was writing beside a mail file is neither the old file nor the new.
    if (platform::isPlacementTemporary(platform::extractFileName(spec))) return;
    entries_.push_back(ArchiveEntry{spec, archiveFolder, baseFolder, sizeOf(spec)});
}

platform::Status ArchiveList::AddFolderEntries(const QString& folder, const QString& archiveFolder,
                                               const QString& baseFolder,
                                               const QString& extension) {
    // An empty folder would list the root of the current drive.
    const QString dir = platform::excludeTrailingBackslash(folder);
    if (dir.isEmpty()) return platform::Status::ok();
    const auto found = fs_.find(dir + QLatin1String("\\*.") + extension, platform::FA_ANYFILE);
    if (!found)
        return platform::nothingThere(found.error()) ? platform::Status::ok() : found.status();
    for (const platform::FindData& fd : found.value()) {
        if (!isDotEntry(fd.name))
            AddArchiveEntry(dir + QLatin1Char('\\') + fd.name, archiveFolder, baseFolder);
    }
    return platform::Status::ok();
}

void ArchiveList::CloseTask(const QString& name) {
    TaskRow row;
    for (int n = lastEnd_ + 1; n <= count(); ++n)
        row.size += entry(n).size;
    row.last = count();
    row.name = name;
    ++tasks_;
    if (int(rows_.size()) <= tasks_) rows_.resize(std::size_t(tasks_) + 1);
    rows_[std::size_t(tasks_)] = row;
    lastEnd_ = count();
}

const ArchiveEntry& ArchiveList::entry(int n) const {
    return entries_.at(std::size_t(n - 1));
}

qint64 ArchiveList::totalSize() const {
    qint64 total = 0;
    for (const ArchiveEntry& e : entries_)
        total += e.size;
    return total;
}

const TaskRow& ArchiveList::task(int t) const {
    static const TaskRow empty;
    if (t <= 0 || t > tasks_) return t == 0 ? rows_[0] : empty;
    return rows_[std::size_t(t)];
}

qint64 ArchiveList::sizeOf(const QString& spec) const {
    const auto found = fs_.find(spec, platform::FA_ANYFILE);
    if (!found) return 0;
    const QString dir = platform::extractFilePath(spec);
    qint64 total = 0;
    for (const platform::FindData& fd : found.value()) {
        if (isDotEntry(fd.name)) continue;
        if (fd.attributes & platform::FA_DIRECTORY)
            total += folderBytes(dir + fd.name, 1);
        else
            total += fd.size;
    }
    return total;
}

qint64 ArchiveList::folderBytes(const QString& folder, int depth) const {
    if (depth > kMaxDepth) return 0;
    const auto found = fs_.find(folder + QLatin1String("\\*.*"), platform::FA_ANYFILE);
    if (!found) return 0;
    qint64 total = 0;
    for (const platform::FindData& fd : found.value()) {
        if (isDotEntry(fd.name)) continue;
        if (fd.attributes & platform::FA_DIRECTORY)
            total += folderBytes(folder + QLatin1Char('\\') + fd.name, depth + 1);
        else
            total += fd.size;
    }
    return total;
}

} // namespace backup
