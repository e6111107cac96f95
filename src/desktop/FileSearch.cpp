#include "desktop/FileSearch.h"

#include "base/Interaction.h"
#include "platform/DriveMap.h"

#include <QFileInfo>

namespace desktop {

using namespace platform;

namespace {

bool isDotEntry(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}

// Clears the busy flag however the search ends.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

} // namespace

FileSearch::FileSearch(const Files& fs, base::Interaction* interaction)
    : fs_(fs), interaction_(interaction) {}

void FileSearch::setSearchFile(const QString& text) {
    qsizetype length = qMin(text.size(), qsizetype(MaxSearchFileLength));
    // Never keep half of a surrogate pair.
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate()) --length;
    searchFile_ = text.left(length);
}

void FileSearch::Execute() {
    // A search started from a handler of the running one would reset the depth
    // and the found list under it.
    if (busy_) return;
    BusyScope busy(busy_);
    Stop = false;
    filesFound_.clear();
    ancestors_.clear();

    // The folder is everything up to the last '\'; only the masks after it are
    // separated by ';', so a folder whose name holds a ';' is searched as named.
    const QString folder = extractFilePath(searchFile_);
    const QStringList masks = extractFileName(searchFile_).split(u';');
    QStringList specs;
    for (qsizetype i = 0; i < masks.size(); ++i) {
        // An empty further mask (a trailing ";") names nothing.
        if (i > 0 && masks.at(i).isEmpty()) continue;
        specs.append(folder + masks.at(i));
    }
    for (const QString& spec : std::as_const(specs)) {
        if (Stop) break;
        searchSpec(spec);
    }
    if (OnFinish) OnFinish(*this);
}

void FileSearch::searchSpec(const QString& spec) {
    const QString folder = extractFilePath(spec);
    const QString mask = extractFileName(spec);
    if (folder.isEmpty()) return;
    FindData record;
    const auto self = fs_.find(excludeTrailingBackslash(folder), FA_ANYFILE);
    if (self && !self->empty()) record = self->front();
    depth_ = 0;
    walk(folder, record, mask);
}

void FileSearch::walk(const QString& folder, const FindData& record, const QString& mask) {
    ++depth_;
    const bool inRange = Level == 0 || depth_ <= Level;
    // A folder link that leads back to a folder being walked would never end.
    const QString canonical = inRange ? canonicalFolder(folder) : QString();
    if (inRange && !(canonical.size() > 0 && ancestors_.contains(canonical))) {
        if (!canonical.isEmpty()) ancestors_.insert(canonical);

        if (OnChangeFolder) OnChangeFolder(folder, record);
        const auto matches = fs_.find(folder + mask, FA_ANYFILE);
        const bool readable = listed(folder, matches);
        if (matches) {
            for (const FindData& entry : *matches) {
                if (Stop) break;
                if (!isDotEntry(entry.name) && OnFileFind) {
                    OnFileFind(folder, entry);
                    filesFound_.append(folder + entry.name);
                }
                processEvents();
            }
        }

        // Below the deepest level nothing would be matched, so it is not listed.
        const bool deeper = Level == 0 || depth_ < Level;
        if (RecurseSubFolders && deeper && !Stop && readable) {
            const auto entries = fs_.find(folder + QLatin1String("*.*"), FA_ANYFILE);
            if (listed(folder, entries) && entries) {
                for (const FindData& entry : *entries) {
                    if (Stop) break;
                    processEvents();
                    if (!isDotEntry(entry.name) && (entry.attributes & FA_DIRECTORY) &&
                        RecurseSubFolders)
                        walk(folder + entry.name + u'\\', entry, mask);
                    processEvents();
                }
            }
        }

        if (!canonical.isEmpty()) ancestors_.remove(canonical);
    }
    --depth_;
}

bool FileSearch::listed(const QString& folder, const Result<std::vector<FindData>>& r) {
    if (r || nothingThere(r.error())) return true;
    if (OnFolderError) OnFolderError(folder, r.error().message);
    return false;
}

void FileSearch::processEvents() {
    if (interaction_) interaction_->processEvents();
}

QString FileSearch::canonicalFolder(const QString& folder) const {
    const auto host = fs_.hostPath(folder);
    if (!host) return QString();
    return QFileInfo(*host).canonicalFilePath();
}

void FoundFolderList::clear() {
    folders_.clear();
    dropped_ = 0;
}

bool FoundFolderList::append(const QString& folder) {
    if (folders_.size() >= Capacity) {
        ++dropped_;
        return false;
    }
    folders_.append(folder);
    return true;
}

void FoundFolderList::attach(FileSearch& search) {
    search.OnFileFind = [this](const QString& folder, const FindData&) { append(folder); };
}

} // namespace desktop
