#pragma once
// File system operations on Windows paths, as the Win32 calls behave under Wine.

#include "platform/DriveMap.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace platform {

enum FileAttribute : quint32 {
    FA_READONLY = 0x01,
    FA_HIDDEN = 0x02,
    FA_SYSTEM = 0x04,
    FA_VOLUMEID = 0x08,
    FA_DIRECTORY = 0x10,
    FA_ARCHIVE = 0x20,
    FA_ANYFILE = 0x3F,
};

struct FindData {
    QString name; // the entry's own name
    quint32 attributes = 0;
    qint64 size = 0;    // 0 for folders
    QDateTime modified; // UTC
};

enum DriveType : int {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_CDROM = 5,
};

class Files {
public:
    explicit Files(DriveMap drives);
    const DriveMap& drives() const { return drives_; }
    Result<QString> hostPath(const QString& winPath) const { return drives_.toHost(winPath); }
    QString windowsPath(const QString& hostPath) const { return drives_.toWindows(hostPath); }

    // FindFirstFile/FindNextFile over "C:\dir\mask" with the attribute mask of
    // a find-first call: hidden, system, directory and volume entries are only
    // returned when their bit is in the mask. "." and ".." come first (when the
    // mask admits folders and they match). No match: kFileNotFound; a folder
    // that does not exist: kPathNotFound. A folder that is there but cannot be
    // listed (permission, I/O error, a path too long) gives another code, so
    // that callers can tell it from an empty folder: see nothingThere().
    Result<std::vector<FindData>> find(const QString& winPattern, quint32 attrMask) const;

    bool exists(const QString& winPath) const; // file or folder
    bool fileExists(const QString& winPath) const;
    bool directoryExists(const QString& winPath) const;
    Result<qint64> size(const QString& winPath) const;
    Result<QDateTime> modified(const QString& winPath) const;
    Status removeFile(const QString& winPath) const;
    // With every missing parent. All or nothing: when one cannot be made, the
    // ones made before it are removed again. `made` (if given) receives the
    // folders made, outermost first. A path too long for the file system is
    // refused before anything is made.
    Status createDirectories(const QString& winPath, QStringList* made = nullptr) const;
    // Removes an empty folder; a folder that is not empty stays.
    Status removeEmptyFolder(const QString& winPath) const;
    // Whether a path, made or not, fits the file system it would be on: every
    // name within the folder's name limit and the whole within the path limit,
    // with `spare` bytes left in the last name and the whole (for a temporary
    // name made from it). The error says "the path is too long for the file system".
    Status fitsFileSystem(const QString& winPath, int spare = 0) const;
    Result<QByteArray> readAll(const QString& winPath) const;
    // Writes the whole file through a temporary file and a rename.
    Status writeAll(const QString& winPath, const QByteArray& data) const;

    // A failing device for tests: called before every file write and folder
    // creation with the Windows path; a Status other than ok makes that
    // operation fail with it, and nothing is written.
    using WriteFault = std::function<Status(const QString& winPath)>;
    void setWriteFault(WriteFault fault) { writeFault_ = std::move(fault); }
    // Files written below this host folder are not flushed to disk: they live
    // for one run (the staging folder) and a flush per file costs a disk
    // round trip each.
    void setScratchFolder(const QString& hostFolder) { scratch_ = hostFolder; }

    int driveType(QChar letter) const; // DriveType
    Result<qint64> freeSpace(QChar letter) const;

private:
    DriveMap drives_;
    WriteFault writeFault_;
    QString scratch_;
};

// A find() error that means nothing is there to list (no match, no such
// folder or drive, a name that names nothing), as opposed to a folder that is
// there but could not be read.
bool nothingThere(const Error& error);

// FindFirstFile's wildcard rules: '*' and '?', without regard to case; "*.*"
// matches every name; "*." matches names without a dot.
bool wildcardMatch(const QString& mask, const QString& name);

// Bytes free to this user on the file system holding the host folder; -1 when
// it cannot be read.
qint64 freeBytesAt(const QString& hostFolder);

} // namespace platform
