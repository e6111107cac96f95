// The drive queries of Files: drive type from the mount table, free space.
#include "platform/fs.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace platform {

namespace {

// Mount points in /proc/self/mountinfo escape blanks and backslashes as \ooo.
QString unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = false;
            const int v = oct.toInt(&ok, 8);
            if (ok && oct.size() == 3) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}

struct Mount {
    QString point;
    QString fsType;
};

// The mount holding `path`: the longest mount point that is a prefix of it.
Mount mountOf(const QString& path) {
    Mount best;
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) return best;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 1 >= f.size()) continue;
        const QString point = unescapeMountField(f.at(4));
        const bool under = point == u"/" || path == point || path.startsWith(point + u'/');
        if (under && point.size() >= best.point.size()) // later mounts hide earlier ones
            best = {point, QString::fromLatin1(f.at(dash + 1))};
    }
    return best;
}

} // namespace

int Files::driveType(QChar letter) const {
    const auto root = drives_.driveRoot(letter);
    if (!root) return DRIVE_NO_ROOT_DIR;
    QString path = QFileInfo(*root).canonicalFilePath();
    if (path.isEmpty()) return DRIVE_NO_ROOT_DIR;
    const Mount m = mountOf(path);
    if (m.fsType == u"iso9660" || m.fsType == u"udf") return DRIVE_CDROM;
    if (m.point.startsWith(u"/media/") || m.point.startsWith(u"/run/media/"))
        return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

Result<qint64> Files::freeSpace(QChar letter) const {
    const auto root = drives_.driveRoot(letter);
    if (!root) return Error{kPathNotFound, QStringLiteral("No drive %1:").arg(letter.toUpper())};
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(*root).constData(), &st) != 0)
        return Error{kNotReady, QStringLiteral("Drive %1: cannot be read").arg(letter.toUpper())};
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

} // namespace platform
