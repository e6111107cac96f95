// The exported entry points: argument checks, then the writer or the reader. Nothing here may
// let an exception cross into the caller.

#include "ArchiveReader.h"
#include "ArchiveWriter.h"
#include "CallbackChannel.h"
#include "Lists.h"
#include "Utf8Locale.h"
#include "sqx.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

using sqx::ArcListData;
using sqx::FileListData;

namespace {

FileListData* fileListOf(void** slot) {
    if (slot == nullptr || *slot == nullptr) return nullptr;
    auto* list = static_cast<FileListData*>(*slot);
    return list->magic == FileListData::kMagic ? list : nullptr;
}

ArcListData* arcListOf(SqxArcList** slot) {
    if (slot == nullptr || *slot == nullptr) return nullptr;
    auto* list = static_cast<ArcListData*>(*slot);
    return list->magic == ArcListData::kMagic ? list : nullptr;
}

bool optionsValid(const SqxOptions* options) {
    return options == nullptr || options->size == static_cast<int32_t>(sizeof(SqxOptions));
}

template <typename Work> int32_t guarded(Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return SQX_E_NO_MEMORY;
    } catch (...) {
        return SQX_E_INTERNAL;
    }
}

// Work on archives converts names; loading the locale costs a file's opening and mapping, too
// much for the list calls, made once per file.
template <typename Work> int32_t guardedUtf8(Work&& work) {
    return guarded([&] {
        const sqx::Utf8Locale utf8;
        return work();
    });
}

// Reading with an optional mask list.
template <typename Call>
int32_t readArchive(const char* archivePath, void** fileList, const SqxOptions* options,
                    SqxCallback callback, intptr_t userValue, Call call) {
    if (archivePath == nullptr || !optionsValid(options)) return SQX_E_BAD_ARGUMENT;
    const FileListData* masks = nullptr;
    if (fileList != nullptr && *fileList != nullptr) {
        masks = fileListOf(fileList);
        if (masks == nullptr) return SQX_E_BAD_ARGUMENT;
    }
    sqx::ArchiveReader::lastFailedEntry().clear();
    return guardedUtf8([&] {
        sqx::CallbackChannel channel(callback, userValue);
        sqx::ArchiveReader reader(archivePath, masks ? &masks->specifications : nullptr, options,
                                  channel);
        return call(reader);
    });
}

// At most size - 1 bytes and a terminating zero; the text's full length.
int32_t copyOut(std::string_view text, char* buffer, int32_t size) {
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
}

} // namespace

extern "C" {

SQX_API int32_t SqxInitFileList(void** fileList) {
    if (fileList == nullptr) return SQX_E_BAD_ARGUMENT;
    return guarded([&] {
        *fileList = std::make_unique<FileListData>().release();
        return SQX_OK;
    });
}

SQX_API int32_t SqxDoneFileList(void** fileList) {
    FileListData* list = fileListOf(fileList);
    if (list == nullptr) return SQX_E_BAD_ARGUMENT;
    list->magic = 0;
    std::unique_ptr<FileListData> owned(list);
    *fileList = nullptr;
    return SQX_OK;
}

SQX_API int32_t SqxAddFileList(const char* specification, void** fileList) {
    FileListData* list = fileListOf(fileList);
    if (list == nullptr || specification == nullptr) return SQX_E_BAD_ARGUMENT;
    return guarded([&] {
        list->specifications.emplace_back(specification);
        return SQX_OK;
    });
}

SQX_API int32_t SqxInitArcFileList(SqxArcList** arcList) {
    if (arcList == nullptr) return SQX_E_BAD_ARGUMENT;
    return guarded([&] {
        *arcList = std::make_unique<ArcListData>().release();
        return SQX_OK;
    });
}

SQX_API int32_t SqxDoneArcFileList(SqxArcList** arcList) {
    ArcListData* list = arcListOf(arcList);
    if (list == nullptr) return SQX_E_BAD_ARGUMENT;
    list->magic = 0;
    std::unique_ptr<ArcListData> owned(list);
    *arcList = nullptr;
    return SQX_OK;
}

SQX_API int32_t SqxAddArchiveComment(const char*, const char*) {
    return SQX_E_NOT_SUPPORTED;
}

SQX_API int32_t SqxAddFileComments(const char*, void**, const char*) {
    return SQX_E_NOT_SUPPORTED;
}

SQX_API int32_t SqxAddFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                            SqxCallback callback, intptr_t userValue) {
    FileListData* list = fileListOf(fileList);
    if (archivePath == nullptr || *archivePath == '\0' || list == nullptr || options == nullptr ||
        !optionsValid(options))
        return SQX_E_BAD_ARGUMENT;
    sqx::ArchiveReader::lastFailedEntry().clear();
    list->report.clear();
    return guardedUtf8([&] {
        sqx::CallbackChannel channel(callback, userValue);
        sqx::ArchiveWriter writer(archivePath, list->specifications, *options, channel,
                                  list->report);
        return writer.run();
    });
}

SQX_API int32_t SqxExtractFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                                SqxCallback callback, intptr_t userValue) {
    return readArchive(archivePath, fileList, options, callback, userValue,
                       [](sqx::ArchiveReader& reader) { return reader.extract(); });
}

SQX_API int32_t SqxTestFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                             SqxCallback callback, intptr_t userValue) {
    return readArchive(archivePath, fileList, options, callback, userValue,
                       [](sqx::ArchiveReader& reader) { return reader.test(); });
}

SQX_API int32_t SqxDeleteFiles(const char*, void**, const SqxOptions*, SqxCallback, intptr_t) {
    return SQX_E_NOT_SUPPORTED;
}

SQX_API int32_t SqxListFiles(const char* archivePath, SqxArcList** arcList,
                             const SqxOptions* options, SqxCallback callback, intptr_t userValue) {
    ArcListData* list = arcListOf(arcList);
    if (list == nullptr) return SQX_E_BAD_ARGUMENT;
    return readArchive(archivePath, nullptr, options, callback, userValue,
                       [list](sqx::ArchiveReader& reader) { return reader.list(*list); });
}

SQX_API int32_t SqxLastFailedEntry(char* buffer, int32_t size) {
    return copyOut(sqx::ArchiveReader::lastFailedEntry().view(), buffer, size);
}

SQX_API int32_t SqxLeftOutFile(void** fileList, int32_t index, char* buffer, int32_t size) {
    const FileListData* list = fileListOf(fileList);
    if (list == nullptr || index < 0 || static_cast<size_t>(index) >= list->report.leftOut.size())
        return -1;
    return copyOut(list->report.leftOut[static_cast<size_t>(index)], buffer, size);
}

SQX_API int32_t SqxFailedSource(void** fileList, char* buffer, int32_t size) {
    const FileListData* list = fileListOf(fileList);
    return list == nullptr ? 0 : copyOut(list->report.failedSource, buffer, size);
}

SQX_API int32_t SqxRepairFiles(const char*, const SqxOptions*, SqxCallback, intptr_t) {
    return SQX_E_NOT_SUPPORTED;
}

} // extern "C"
