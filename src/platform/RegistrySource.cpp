#include "platform/RegistrySource.h"

#include "platform/InputFile.h"
#include "platform/WindowsHiveSource.h"

#include <QFile>

#include <sys/stat.h>

namespace platform {

FileStamp FileStamp::of(const QString& path) {
    FileStamp s;
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

const HiveFile& RegistrySource::hive() {
    const FileStamp now = FileStamp::of(path_);
    if (loaded_ && now == stamp_) return hive_;
    loaded_ = true;
    stamp_ = now;
    if (format_ == Format::WindowsHive) {
        // Walked whole before any backup reads it (checkWindowsHive), so only a
        // file changed since then can fail here; it reads empty.
        auto read =
            now.exists ? readWindowsHive(path_) : Result<HiveFile>(Error{kFileNotFound, {}});
        hive_ = read ? std::move(read).value() : HiveFile();
        return hive_;
    }
    const auto bytes = now.exists ? readInputFile(path_, kHiveSizeLimit, path_) : QByteArray();
    hive_ = bytes ? HiveFile::parse(*bytes) : HiveFile();
    return hive_;
}

} // namespace platform
