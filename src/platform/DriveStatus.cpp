// The drive queries of Files: drive type from the mount table, free space.
#include "platform/Files.h"
#include "platform/HostTree.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace platform {

namespace {

// Mount points in /proc/self/mountinfo escape blanks and backslashes as \ooo.
QString unescapeMountField(const QByteArray& field) {
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) &&
            isOctal(field.at(i + 2)) && isOctal(field.at(i + 3))) {
            out.append(char((field.at(i + 1) - '0') << 6 | (field.at(i + 2) - '0') << 3 |
                            (field.at(i + 3) - '0')));
            i += 3;
            continue;
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}

} // namespace

int driveTypeFromMountInfo(const QByteArray& mountInfo, const QString& path) {
    // The mount holding `path`: the longest mount point that is a prefix of it;
    // of equal ones the last, as a later mount hides an earlier one.
    QString point;
    QByteArray fsType;
    bool found = false;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 6 || dash + 1 >= f.size()) continue;
        const QString p = unescapeMountField(f.at(4));
        if (!p.startsWith(u'/')) continue;
        const bool under = p == u"/" || path == p || path.startsWith(p + u'/');
        if (under && (!found || p.size() >= point.size())) {
            point = p;
            fsType = f.at(dash + 1);
            found = true;
        }
    }
    if (fsType == "iso9660" || fsType == "udf") return DRIVE_CDROM;
    if (point.startsWith(u"/media/") || point.startsWith(u"/run/media/")) return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

namespace {

QByteArray readMountInfo() {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int Files::driveType(QChar letter) const {
    const auto root = drives_.driveRoot(letter);
    if (!root) return DRIVE_NO_ROOT_DIR;
    const QString path = QFileInfo(*root).canonicalFilePath();
    if (path.isEmpty()) return DRIVE_NO_ROOT_DIR;
    return driveTypeFromMountInfo(readMountInfo(), path);
}

Result<qint64> Files::freeSpace(QChar letter) const {
    const auto root = drives_.driveRoot(letter);
    if (!root) return Error{kPathNotFound, QStringLiteral("No drive %1:").arg(letter.toUpper())};
    const qint64 free = freeBytesAt(*root);
    if (free < 0)
        return Error{kNotReady, QStringLiteral("Drive %1: cannot be read").arg(letter.toUpper())};
    return free;
}

qint64 freeBytesAt(const QString& hostFolder) {
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(hostFolder).constData(), &st) != 0) return -1;
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

} // namespace platform
