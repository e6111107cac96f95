#pragma once
// What every client layout is made of: the files and folders of an item
// below one of the client's folders, and the registry keys that are the
// client's own. The collector adds what a layout lists; the restorer finds
// an archive entry's item by the same rows.

#include <QString>

#include <span>
#include <vector>

namespace clients {

struct OwnKey {
    enum Root { CurrentUser, LocalMachine };
    Root root = CurrentUser;
    // Below the root, '\'-separated; a "*" component stands for exactly one key
    // name (an identity, a profile, a user).
    QString path;
    bool subKeys = false; // the keys below it belong to the client as well
};

struct FileRow {
    int item = -1;
    const char* path = nullptr; // below the client's folder, '\'-separated
    // A folder: its entries named *.extension ("*": every entry). Null: a file.
    const char* extension = nullptr;
    bool holdsPaths = false; // a settings file that names absolute folders

    bool isFolder() const { return extension != nullptr; }
};

// "X:..." - a path that names a drive. A folder from the registry without one
// would name files of the host or of the current folder: never read.
bool hasDrive(const QString& path);

// The rows of one item, in layout order.
std::vector<FileRow> rowsOf(std::span<const FileRow> rows, int item);
// The row an entry below the client's folder ('/'- or '\'-separated) falls
// under: the file row naming it, or the folder row it lies in (compared
// without regard to case); null when none does.
const FileRow* rowOf(std::span<const FileRow> rows, const QString& entry);

} // namespace clients
