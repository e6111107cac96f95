#pragma once
// A private folder of this run: made under $TMPDIR (default /tmp) with mode
// 0700, named "postora-<pid>-XXXXXX" and locked (flock) while the process
// lives, removed with all it holds on destruction. A killed run cannot remove
// it; the name and the lock let any later run prove it a leftover and remove
// it, whatever it held (a backup's staging, a restore's decrypted archive,
// the dumps handed to Wine).

#include <QString>

namespace platform {

class TemporaryFolder {
public:
    // base: the folder to make it in; empty: $TMPDIR, else /tmp.
    explicit TemporaryFolder(const QString& base = QString());
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    bool isValid() const { return !path_.isEmpty(); }
    const QString& path() const { return path_; }
    QString filePath(const QString& name) const { return path_ + u'/' + name; }

private:
    QString path_;
    int lockFd_ = -1; // the folder itself, flock'ed
};

// Removes from `base` the folders "postora-<pid>-XXXXXX" of this user whose
// process is gone and whose lock is free, with everything in them; nothing else.
void removeLeftoverFolders(const QString& base);

} // namespace platform
