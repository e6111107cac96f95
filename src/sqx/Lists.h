#pragma once
// What the list handles of the C interface point to.

#include "sqx.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sqx {

// What the last SqxAddFiles with a list learned about its sources, for the caller to ask.
struct AddReport {
    std::vector<std::string> leftOut; // links below a folder that lead out of it
    std::string failedSource;         // the file or folder that could not be read
    void clear() {
        leftOut.clear();
        failedSource.clear();
    }
};

// The file list behind the pointer-sized handle of SqxInitFileList.
struct FileListData {
    static constexpr uint32_t kMagic = 0x4C465153; // marks a live list
    uint32_t magic = kMagic;
    std::vector<std::string> specifications;
    AddReport report;
};

// The listing behind SqxInitArcFileList; the C view is the base class.
struct ArcListData : SqxArcList {
    static constexpr uint32_t kMagic = 0x4C415153;
    ArcListData() : SqxArcList{0, nullptr} {}
    uint32_t magic = kMagic;
    std::vector<SqxArcEntry> rows;
    std::deque<std::string> names; // stable addresses for rows[i].name

    void clear();
    void add(const std::string& name, int64_t size, int64_t modified, bool folder, bool encrypted);
};

} // namespace sqx
