#pragma once
// The program's own hive file, the one place the registry writes to. Several
// processes share it (the window, an unattended run, the companion): each
// change takes the lock file beside it, reads the file again when another
// process replaced it, applies the change and saves by writing a temporary
// file, flushing it to disk and renaming it over the old one. A crash at any
// moment leaves the old or the new file, never a torn one.

#include "platform/FileLock.h"
#include "platform/HiveFile.h"
#include "platform/RegistrySource.h"
#include "platform/Result.h"

#include <QString>

#include <functional>

namespace platform {

class RegistryOwnHive {
public:
    explicit RegistryOwnHive(QString path);
    const QString& path() const { return path_; }

    // Current content, read again when another process saved meanwhile.
    const HiveFile& hive();
    // Runs `apply` on the current content under the lock and saves when it
    // returns true. When the save fails the change is dropped and the file on
    // disk read again.
    Status change(const std::function<bool(HiveFile&)>& apply);

    // Between these the lock stays held and changes are saved once, at the end.
    Status beginBatch();
    Status endBatch();

    int skippedLines() const { return hive_.skippedLines(); }

private:
    void refresh();
    Status save();
    Status moveAside();

    QString path_;
    FileStamp stamp_;
    bool loaded_ = false;
    bool damaged_ = false; // the file holds something that did not read back
    HiveFile hive_;
    FileLock lock_;
    int batchDepth_ = 0;
    bool dirty_ = false;
};

} // namespace platform
