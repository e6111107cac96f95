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
    const std::function<QByteArray()>* ask = nullptr;
    const ArchiveReader::EntryFn* onEntry = nullptr;
    QString current;
    bool destinationAsked = true;
    QStringList refused;
    QStringList kept;

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
        case kReasonQuery: // an existing file is kept, never replaced unasked
            self.kept << readText(r, kCbPath, kCbTextRoom);
            return 1;
        case kReasonPassword:
            if (self.password.isEmpty() && self.ask && *self.ask) {
                self.password = (*self.ask)();
                self.ask = nullptr;
            }
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
    case SQX_OK:
        return {};
    case SQX_E_ACCESS:
        why = QStringLiteral("access denied");
        break;
    case SQX_E_DISK_FULL:
        why = QStringLiteral("the disk is full");
        break;
    case SQX_E_WRITE_PROTECTED:
        why = QStringLiteral("the drive is write protected");
        break;
    case SQX_E_ABORTED:
        why = QStringLiteral("stopped");
        break;
    case SQX_E_NOT_FOUND:
        why = QStringLiteral("the archive does not exist");
        break;
    case SQX_E_IO:
        why = QStringLiteral("input/output error");
        break;
    case SQX_E_BAD_ARCHIVE:
        why = QStringLiteral("not a readable archive");
        break;
    case SQX_E_BAD_DATA:
        why = QStringLiteral("damaged data (CRC or authentication code does not match)");
        break;
    case SQX_E_PASSWORD_NEEDED:
        why = QStringLiteral("the archive is encrypted and no password was given");
        break;
    case SQX_E_BAD_PASSWORD:
        why = QStringLiteral("wrong password");
        break;
    case SQX_E_MISSING_VOLUME:
        return QStringLiteral("the volume %1 of the set is missing").arg(entry);
    case SQX_E_NOT_A_FILE:
        return QStringLiteral("the volume %1 is not a regular file").arg(entry);
    case SQX_E_REFUSED_ENTRY:
        why = QStringLiteral("entries that would lead outside the folder: %1")
                  .arg(refused.join(QStringLiteral(", ")));
        break;
    default:
        why = QStringLiteral("error code %1").arg(code);
        break;
    }
    if (!entry.isEmpty() && code != SQX_E_REFUSED_ENTRY)
        return QStringLiteral("%1 (entry %2)").arg(why, entry);
    return why;
}

ArchiveReader::ArchiveReader(const backup::SqxLibrary& library, QString archive, QString password)
    : library_(library), archive_(std::move(archive)), password_(std::move(password)) {}

ReadOutcome ArchiveReader::list(QList<ArchiveEntry>& entries) const {
    entries.clear();
    const auto& t = library_.entryPoints();
    if (!t.listFiles || !t.initArcFileList || !t.doneArcFileList) return {-1, {}, {}, {}};
    QByteArray options = backup::sqx::buildOptions(password_, QString(), false, -1);
    if (options.isEmpty()) return {SQX_E_BAD_PASSWORD, {}, {}, {}};
    Reading reading;
    reading.password = password_.toUtf8();
    reading.ask = &ask_;
    ListSlot listing = nullptr;
    reinterpret_cast<InitListFn>(t.initArcFileList)(&listing);
    const std::int32_t r = reinterpret_cast<ListFn>(t.listFiles)(
        QFile::encodeName(archive_).constData(), &listing, options.data(), &Reading::callback,
        reinterpret_cast<std::intptr_t>(&reading));
    for (std::int32_t i = 0; r == 0 && listing && i < listing->count; ++i) {
        const RawEntry& e = listing->entries[i];
        entries << ArchiveEntry{QString::fromUtf8(e.name), e.size, e.isFolder != 0,
                                e.encrypted != 0, e.modified};
    }
    reinterpret_cast<InitListFn>(t.doneArcFileList)(&listing);
    return {r, {}, {}, {}};
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
    if (!fn) return {-1, {}, {}, {}};
    QByteArray options = backup::sqx::buildOptions(password_, hostFolder, false, -1);
    if (options.isEmpty()) return {SQX_E_BAD_PASSWORD, {}, {}, {}};
    Reading reading;
    reading.password = password_.toUtf8();
    reading.ask = &ask_;
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
    ReadOutcome out{r, {}, reading.refused, reading.kept};
    if (r != 0 && r != SQX_E_REFUSED_ENTRY) {
        out.entry = library_.LastFailedEntry();
        if (out.entry.isEmpty() &&
            (r == SQX_E_BAD_DATA || r == SQX_E_DISK_FULL || r == SQX_E_ACCESS))
            out.entry = reading.current;
    }
    return out;
}

} // namespace restore
