#pragma once
// Turns one file specification (a host path to a file or folder, or a wildcard mask in its last
// component) into the files and folders to store, each with the name it is stored under.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sqx {

struct SourceItem {
    std::string hostPath;
    std::string storedName; // normalised; folders without the trailing '/'
    bool folder = false;
    uint64_t size = 0;
    int64_t modified = 0;
    mode_t mode = 0;
};

struct SourceScan {
    int32_t result = 0;     // SQX_OK, or why the file specification cannot be read
    std::string failedPath; // the file or folder that could not be read
    std::vector<SourceItem> items;
    uint64_t totalBytes = 0;
    // Links below the folder (or among a mask's matches) that lead out of it: not stored.
    std::vector<std::string> leftOut;
};

struct Faults;

// `answer` is the name the caller chose for the file specification, before normalisation. A file is
// stored under it; when it ends with a separator, or is empty, the file keeps its own name in
// that folder. A folder's contents are stored below it. For a mask its last component gives way
// to each matching name, unless it ends with a separator.
// Below a folder, a link to a file inside the same folder (or inside `root`, when it is given)
// is stored as the file; a link that leads out of it is left out and named in leftOut.
SourceScan scanSpecification(const std::string& specification, const std::string& answer,
                             const std::string& root, const Faults& faults);

} // namespace sqx
