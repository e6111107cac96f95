#pragma once
// A hive file on disk as the registry holds it in memory: read on first use
// and read again whenever the file is replaced or changed.

#include "platform/HiveFile.h"

#include <QString>

#include <sys/types.h>

namespace platform {

// What tells one version of a file from another: a save by rename gives a
// new inode, an edit in place a new size or modification time.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;
    static FileStamp of(const QString& path);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A hive the program only reads: the Wine prefix's system.reg, user.reg,
// userdef.reg, or a binary hive file of a Windows installation.
class RegistrySource {
public:
    enum class Format { WineText, WindowsHive };
    explicit RegistrySource(QString path, Format format = Format::WineText)
        : path_(std::move(path)), format_(format) {}
    const QString& path() const { return path_; }
    const HiveFile& hive(); // current content; an absent or unreadable file reads empty
    int skippedLines() const { return hive_.skippedLines(); }

private:
    QString path_;
    Format format_;
    FileStamp stamp_;
    bool loaded_ = false;
    HiveFile hive_;
};

} // namespace platform
