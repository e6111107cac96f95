#include "backup/SqxLibrary.h"

namespace backup {

const char* const SqxLibrary::kEntryPointNames[13] = {
    "SqxInitFileList",    "SqxDoneFileList",      "SqxAddFileList",     "SqxInitArcFileList",
    "SqxDoneArcFileList", "SqxAddArchiveComment", "SqxAddFileComments", "SqxAddFiles",
    "SqxExtractFiles",    "SqxTestFiles",         "SqxDeleteFiles",     "SqxListFiles",
    "SqxRepairFiles"};

const char* const SqxLibrary::kFileName = "libSqx.so";

SqxLibrary::SqxLibrary() = default;
SqxLibrary::~SqxLibrary() = default;

namespace {
template <typename Fn> Fn symbol(const platform::SharedLibrary& library, const char* name) {
    // An object pointer; POSIX guarantees it converts to a function pointer.
    return reinterpret_cast<Fn>(library.symbol(name));
}
} // namespace

bool SqxLibrary::load(const QString& hostFile) {
    unload();
    error_.clear();
    platform::SharedLibrary h;
    if (!h.open(hostFile)) {
        error_ = h.error();
        return false;
    }
    EntryPoints t;
    t.initFileList = symbol<InitFileListFn>(h, kEntryPointNames[0]);
    t.doneFileList = symbol<DoneFileListFn>(h, kEntryPointNames[1]);
    t.addFileList = symbol<AddFileListFn>(h, kEntryPointNames[2]);
    t.initArcFileList = symbol<OtherFn>(h, kEntryPointNames[3]);
    t.doneArcFileList = symbol<OtherFn>(h, kEntryPointNames[4]);
    t.addArchiveComment = symbol<OtherFn>(h, kEntryPointNames[5]);
    t.addFileComments = symbol<OtherFn>(h, kEntryPointNames[6]);
    t.addFiles = symbol<AddFilesFn>(h, kEntryPointNames[7]);
    t.extractFiles = symbol<OtherFn>(h, kEntryPointNames[8]);
    t.testFiles = symbol<OtherFn>(h, kEntryPointNames[9]);
    t.deleteFiles = symbol<OtherFn>(h, kEntryPointNames[10]);
    t.listFiles = symbol<OtherFn>(h, kEntryPointNames[11]);
    t.repairFiles = symbol<OtherFn>(h, kEntryPointNames[12]);
    t.lastFailedEntry = symbol<LastFailedEntryFn>(h, "SqxLastFailedEntry");
    t.leftOutFile = symbol<LeftOutFileFn>(h, "SqxLeftOutFile");
    t.failedSource = symbol<FailedSourceFn>(h, "SqxFailedSource");

    const void* resolved[13] = {reinterpret_cast<const void*>(t.initFileList),
                                reinterpret_cast<const void*>(t.doneFileList),
                                reinterpret_cast<const void*>(t.addFileList),
                                reinterpret_cast<const void*>(t.initArcFileList),
                                reinterpret_cast<const void*>(t.doneArcFileList),
                                reinterpret_cast<const void*>(t.addArchiveComment),
                                reinterpret_cast<const void*>(t.addFileComments),
                                reinterpret_cast<const void*>(t.addFiles),
                                reinterpret_cast<const void*>(t.extractFiles),
                                reinterpret_cast<const void*>(t.testFiles),
                                reinterpret_cast<const void*>(t.deleteFiles),
                                reinterpret_cast<const void*>(t.listFiles),
                                reinterpret_cast<const void*>(t.repairFiles)};
    for (int i = 0; i < 13; ++i) {
        if (!resolved[i]) {
            error_ = QStringLiteral("%1 lacks the entry point %2")
                         .arg(hostFile, QString::fromLatin1(kEntryPointNames[i]));
            return false; // the library closes here
        }
    }
    handle_ = std::move(h);
    table_ = t;
    return true;
}

void SqxLibrary::unload() {
    table_ = EntryPoints{};
    handle_.close();
}

void SqxLibrary::setEntryPoints(const EntryPoints& table) {
    unload();
    table_ = table;
}

bool SqxLibrary::isLoaded() const {
    return table_.addFiles != nullptr;
}

void SqxLibrary::InitFileList(ListHandle* slot) const {
    if (table_.initFileList) table_.initFileList(slot);
}

void SqxLibrary::DoneFileList(ListHandle* slot) const {
    if (table_.doneFileList) table_.doneFileList(slot);
}

std::int32_t SqxLibrary::AddFileList(const QString& spec, ListHandle* slot) const {
    if (!table_.addFileList) return -1;
    return table_.addFileList(spec.toUtf8().constData(), slot);
}

std::int32_t SqxLibrary::AddFiles(const QString& archive, ListHandle* slot, void* options,
                                  Callback callback, std::intptr_t userValue) const {
    if (!table_.addFiles) return -1;
    return table_.addFiles(archive.toUtf8().constData(), slot, options, callback, userValue);
}

namespace {
// Text from an entry point that copies what fits and returns the full length (< 0: none).
template <typename Copy> QByteArray copiedText(Copy copy) {
    QByteArray text(512, '\0');
    const std::int32_t length = copy(text.data(), std::int32_t(text.size()));
    if (length <= 0) return {};
    if (length >= text.size()) {
        text.resize(length + 1);
        copy(text.data(), std::int32_t(text.size()));
    }
    text.truncate(length);
    return text;
}
} // namespace

QString SqxLibrary::LastFailedEntry() const {
    if (!table_.lastFailedEntry) return {};
    return QString::fromUtf8(copiedText(table_.lastFailedEntry));
}

QStringList SqxLibrary::LeftOutFiles(ListHandle* slot) const {
    QStringList out;
    if (!table_.leftOutFile) return out;
    for (std::int32_t i = 0;; ++i) {
        bool present = false;
        const QByteArray path = copiedText([&](char* buffer, std::int32_t size) {
            const std::int32_t length = table_.leftOutFile(slot, i, buffer, size);
            present = length >= 0;
            return length;
        });
        if (!present) break;
        out << QString::fromUtf8(path);
    }
    return out;
}

QString SqxLibrary::FailedSource(ListHandle* slot) const {
    if (!table_.failedSource) return {};
    return QString::fromUtf8(copiedText(
        [&](char* buffer, std::int32_t size) { return table_.failedSource(slot, buffer, size); }));
}

} // namespace backup
