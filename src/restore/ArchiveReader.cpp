#include "restore/ArchiveReader.h"

#include "backup/SqxLibrary.h"
#include "backup/SqxRecords.h"

#include <QFile>

namespace restore {

namespace {

using RawEntry = backup::SqxLibrary::ListedEntry;
using ListSlot = backup::SqxLibrary::Listing*;
using InitListFn = backup::SqxLibrary::InitListingFn;
using ListFn = backup::SqxLibrary::ListFilesFn;
using ReadFn = backup::SqxLibrary::ReadFilesFn;

// What the callback learns while the library reads.
struct Reading {
    QByteArray password;
    const ArchiveReader::EntryFn* onEntry = nullptr;
    QString current;
    bool destinationAsked = true;
    QStringList refused;

    void entryDone() {
        if (!destinationAsked && !current.isEmpty()) refused << current;
    }
    static std::int32_t callback(std::intptr_t user, void* record) {
        using namespace backup::sqx;
        auto& self = *reinterpret_cast<Reading*>(user);
        auto* r = static_cast<unsigned char*>(record);
        switch (readInt32(r, kCbReason)) {
        case kReasonNextFile:
            self.entryDone();
            self.current = readText(r, kCbName, kCbTextRoom);
            self.destinationAsked = false;
            return (self.onEntry && *self.onEntry && !(*self.onEntry)(self.current)) ? 0 : 1;
        case kReasonExtractPath:
            self.destinationAsked = true;
            return 1;
        case kReasonQuery: // the staging folder is new: nothing there is replaced
            return 1;
        case kReasonPassword:
            return writeBytes(r, kCbPath, kCbTextRoom, self.password) ? 1 : 0;
        default:
            return 1;
        }
    }
};

} // namespace

QString ReadOutcome::text() const {
    QString why;
    switch (code) {
    case 0:
        return {};
    case 5:
        why = QStringLiteral("access denied");
        break;
    case 101:
        why = QStringLiteral("the disk is full");
        break;
    case 150:
        why = QStringLiteral("the drive is write protected");
        break;
    case kReadAborted:
        why = QStringLiteral("stopped");
        break;
    case kReadNotFound:
        why = QStringLiteral("the archive does not exist");
        break;
    case 2953:
        why = QStringLiteral("input/output error");
        break;
    case kReadBadArchive:
        why = QStringLiteral("not a readable archive");
        break;
    case kReadBadData:
        why = QStringLiteral("damaged data (CRC or authentication code does not match)");
        break;
    case kReadPasswordNeeded:
        why = QStringLiteral("the archive is encrypted and no password was given");
        break;
    case kReadBadPassword:
        why = QStringLiteral("wrong password");
        break;
    case kReadMissingVolume:
        return QStringLiteral("the volume %1 of the set is missing").arg(entry);
    case kReadNotAFile:
        return QStringLiteral("the volume %1 is not a regular file").arg(entry);
    case kReadRefusedEntry:
        why = QStringLiteral("entries that would lead outside the folder: %1")
                  .arg(refused.join(QStringLiteral(", ")));
        break;
    default:
        why = QStringLiteral("error code %1").arg(code);
        break;
    }
    if (!entry.isEmpty() && code != kReadRefusedEntry)
        return QStringLiteral("%1 (entry %2)").arg(why, entry);
    return why;
}

ArchiveReader::ArchiveReader(const backup::SqxLibrary& library, QString archive, QString password)
    : library_(library), archive_(std::move(archive)), password_(std::move(password)) {}

ReadOutcome ArchiveReader::list(QList<ArchiveEntry>& entries) const {
    entries.clear();
    const auto& t = library_.entryPoints();
    if (!t.listFiles || !t.initArcFileList || !t.doneArcFileList) return {-1, {}, {}};
    QByteArray options = backup::sqx::buildOptions(password_, QString(), false, -1);
    if (options.isEmpty()) return {kReadBadPassword, {}, {}};
    Reading reading;
    reading.password = password_.toUtf8();
    ListSlot listing = nullptr;
    reinterpret_cast<InitListFn>(t.initArcFileList)(&listing);
    const std::int32_t r = reinterpret_cast<ListFn>(t.listFiles)(
        QFile::encodeName(archive_).constData(), &listing, options.data(), &Reading::callback,
        reinterpret_cast<std::intptr_t>(&reading));
    for (std::int32_t i = 0; r == 0 && listing && i < listing->count; ++i) {
        const RawEntry& e = listing->entries[i];
        entries << ArchiveEntry{QString::fromUtf8(e.name), e.size, e.isFolder != 0,
                                e.encrypted != 0};
    }
    reinterpret_cast<InitListFn>(t.doneArcFileList)(&listing);
    return {r, {}, {}};
}

ReadOutcome ArchiveReader::test(const EntryFn& onEntry) const {
    return read(false, QString(), onEntry, {});
}

ReadOutcome ArchiveReader::extract(const QString& hostFolder, const EntryFn& onEntry,
                                   const QStringList& masks) const {
    return read(true, hostFolder, onEntry, masks);
}

ReadOutcome ArchiveReader::read(bool extracting, const QString& hostFolder, const EntryFn& onEntry,
                                const QStringList& masks) const {
    const auto& t = library_.entryPoints();
    const auto fn = reinterpret_cast<ReadFn>(extracting ? t.extractFiles : t.testFiles);
    if (!fn) return {-1, {}, {}};
    QByteArray options = backup::sqx::buildOptions(password_, hostFolder, false, -1);
    if (options.isEmpty()) return {kReadBadPassword, {}, {}};
    Reading reading;
    reading.password = password_.toUtf8();
    reading.onEntry = &onEntry;
    backup::SqxLibrary::ListHandle list = nullptr;
    if (!masks.isEmpty()) {
        library_.InitFileList(&list);
        for (const QString& mask : masks)
            library_.AddFileList(mask, &list);
    }
    const std::int32_t r =
        fn(QFile::encodeName(archive_).constData(), masks.isEmpty() ? nullptr : &list,
           options.data(), &Reading::callback, reinterpret_cast<std::intptr_t>(&reading));
    if (!masks.isEmpty()) library_.DoneFileList(&list);
    if (extracting) reading.entryDone();
    ReadOutcome out{r, {}, reading.refused};
    if (r != 0 && r != kReadRefusedEntry) {
        out.entry = library_.LastFailedEntry();
        if (out.entry.isEmpty() && (r == kReadBadData || r == 101 || r == 5))
            out.entry = reading.current;
    }
    return out;
}

} // namespace restore
