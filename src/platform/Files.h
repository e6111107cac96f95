#pragma once
// File system operations on Windows paths, as the Win32 calls behave under Wine.

#include "platform/DriveMap.h"
#include "platform/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

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
    // that does not exist: kPathNotFound.
    Result<std::vector<FindData>> find(const QString& winPattern, quint32 attrMask) const;

    bool exists(const QString& winPath) const; // file or folder
    bool fileExists(const QString& winPath) const;
    bool directoryExists(const QString& winPath) const;
    Result<qint64> size(const QString& winPath) const;
    Result<QDateTime> modified(const QString& winPath) const;
    Status removeFile(const QString& winPath) const;
    Status createDirectories(const QString& winPath) const; // with every missing parent
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

// FindFirstFile's wildcard rules: '*' and '?', without regard to case; "*.*"
// matches every name; "*." matches names without a dot.
bool wildcardMatch(const QString& mask, const QString& name);

} // namespace platform
