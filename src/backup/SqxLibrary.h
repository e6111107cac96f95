#pragma once
// The binding to the archiving library: its 13 entry points, resolved by name
// from the shared library in the program folder, and the four calls a backup
// makes. The library is unloaded when this object goes.

#include "platform/SharedLibrary.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace backup {

class SqxLibrary {
public:
    using ListHandle = void*;
    // answer = callback(user value, callback record)
    using Callback = std::int32_t (*)(std::intptr_t userValue, void* record);

    using InitFileListFn = std::int32_t (*)(ListHandle* slot);
    using DoneFileListFn = std::int32_t (*)(ListHandle* slot);
    using AddFileListFn = std::int32_t (*)(const char* spec, ListHandle* slot);
    using AddFilesFn = std::int32_t (*)(const char* archive, ListHandle* slot, void* options,
                                        Callback callback, std::intptr_t userValue);
    using LastFailedEntryFn = std::int32_t (*)(char* buffer, std::int32_t size);
    using LeftOutFileFn = std::int32_t (*)(ListHandle* slot, std::int32_t index, char* buffer,
                                           std::int32_t size);
    using FailedSourceFn = std::int32_t (*)(ListHandle* slot, char* buffer, std::int32_t size);
    // The listing SqxListFiles fills in, as the library lays it out, and the calls that read.
    struct ListedEntry {
        const char* name;
        std::int64_t size; // -1 when unknown
        std::int64_t modified;
        std::int32_t isFolder;
        std::int32_t encrypted;
    };
    struct Listing {
        std::int32_t count;
        const ListedEntry* entries;
    };
    using InitListingFn = std::int32_t (*)(Listing** slot);
    using ListFilesFn = std::int32_t (*)(const char* archive, Listing** slot, void* options,
                                         Callback callback, std::intptr_t userValue);
    using ReadFilesFn = std::int32_t (*)(const char* archive, ListHandle* slot, void* options,
                                         Callback callback, std::intptr_t userValue);
    // Resolved so that an incomplete library is refused, never called.
    using OtherFn = void (*)();

    // In the order the names are resolved.
    struct EntryPoints {
        InitFileListFn initFileList = nullptr;
        DoneFileListFn doneFileList = nullptr;
        AddFileListFn addFileList = nullptr;
        OtherFn initArcFileList = nullptr;
        OtherFn doneArcFileList = nullptr;
        OtherFn addArchiveComment = nullptr;
        OtherFn addFileComments = nullptr;
        AddFilesFn addFiles = nullptr;
        OtherFn extractFiles = nullptr;
        OtherFn testFiles = nullptr;
        OtherFn deleteFiles = nullptr;
        OtherFn listFiles = nullptr;
        OtherFn repairFiles = nullptr;
        // Beyond the 13: optional, a library without them still loads.
        LastFailedEntryFn lastFailedEntry = nullptr;
        LeftOutFileFn leftOutFile = nullptr;
        FailedSourceFn failedSource = nullptr;
    };

    static const char* const kEntryPointNames[13];
    // The library's file name in the program folder.
    static const char* const kFileName;

    SqxLibrary();
    ~SqxLibrary();
    SqxLibrary(const SqxLibrary&) = delete;
    SqxLibrary& operator=(const SqxLibrary&) = delete;

    // Loads the library file and resolves all 13 names. On any failure the
    // library is unloaded, the table cleared, and the reason kept in error().
    bool load(const QString& hostFile);
    void unload();
    // A table given directly (tests put fakes here).
    void setEntryPoints(const EntryPoints& table);

    bool isLoaded() const;
    const QString& error() const { return error_; }
    const EntryPoints& entryPoints() const { return table_; }

    // Each call checks its entry point first: an absent one makes the list
    // calls do nothing and AddFileList/AddFiles give -1.
    void InitFileList(ListHandle* slot) const;
    void DoneFileList(ListHandle* slot) const;
    std::int32_t AddFileList(const QString& spec, ListHandle* slot) const;
    std::int32_t AddFiles(const QString& archive, ListHandle* slot, void* options,
                          Callback callback, std::intptr_t userValue) const;
    // The archive name of the entry that failed its check in the last AddFiles,
    // empty when none is known.
    QString LastFailedEntry() const;
    // After AddFiles with the list in slot: the host paths of the links left out because they
    // lead out of the folder being stored, and the source file or folder that could not be
    // read (empty when none is known).
    QStringList LeftOutFiles(ListHandle* slot) const;
    QString FailedSource(ListHandle* slot) const;

private:
    platform::SharedLibrary handle_;
    EntryPoints table_;
    QString error_;
};

} // namespace backup
