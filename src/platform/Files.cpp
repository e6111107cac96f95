#include "platform/Files.h"

#include "platform/InputFile.h"
#include "platform/hosttree.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

Error errnoError(int err, const QString& what) {
    return Error{errorFromErrno(err),
                 QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)))};
}

bool statHost(const QString& host, struct stat& st) {
    return ::stat(QFile::encodeName(host).constData(), &st) == 0;
}

QDateTime mtimeOf(const struct stat& st) {
    return QDateTime::fromMSecsSinceEpoch(
        qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, Qt::UTC);
}

FindData entryOf(const QString& name, const struct stat& st) {
    FindData d;
    d.name = name;
    if (S_ISDIR(st.st_mode)) {
        d.attributes = FA_DIRECTORY;
    } else {
        d.attributes = FA_ARCHIVE;
        d.size = st.st_size;
    }
    if (!(st.st_mode & S_IWUSR)) d.attributes |= FA_READONLY;
    if (name.startsWith(u'.') && name != u"." && name != u"..") d.attributes |= FA_HIDDEN;
    d.modified = mtimeOf(st);
    return d;
}

bool hasWildcard(const QString& s) {
    return s.contains(u'*') || s.contains(u'?');
}

// Why a host path cannot be reached: its folder is missing (path not found)
// or only the last part is (file not found).
Error missingError(const QString& host, const QString& winPath) {
    const QString parent = QFileInfo(host).path();
    struct stat st {};
    if (!statHost(parent, st) || !S_ISDIR(st.st_mode))
        return Error{kPathNotFound, QStringLiteral("Path not found: \"%1\"").arg(winPath)};
    return Error{kFileNotFound, QStringLiteral("File not found: \"%1\"").arg(winPath)};
}

} // namespace

bool wildcardMatch(const QString& mask, const QString& name) {
    if (name == u"." || name == u"..") // the folder entries fit every all-names mask
        return mask.contains(u'*') && std::all_of(mask.begin(), mask.end(),
                                                  [](QChar c) { return c == u'*' || c == u'.'; });
    // "x." asks for names without a dot; "x.*" also takes names without an extension.
    if (mask.size() > 1 && mask.endsWith(u'.') && !mask.endsWith(u"..")) {
        return !name.contains(u'.') && wildcardMatch(mask.chopped(1), name);
    }
    if (mask.size() > 2 && mask.endsWith(u".*") && !name.contains(u'.') &&
        wildcardMatch(mask.chopped(2), name))
        return true;
    // Iterative glob with one backtracking point for the last '*'.
    qsizetype m = 0, n = 0, star = -1, mark = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask.at(m) == u'*') {
            star = m++;
            mark = n;
        } else if (m < mask.size() &&
                   (mask.at(m) == u'?' || mask.at(m).toCaseFolded() == name.at(n).toCaseFolded())) {
            ++m;
            ++n;
        } else if (star >= 0) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask.at(m) == u'*')
        ++m;
    return m == mask.size();
}

Files::Files(DriveMap drives) : drives_(std::move(drives)) {}

Result<std::vector<FindData>> Files::find(const QString& winPattern, quint32 attrMask) const {
    qsizetype cut = std::max(winPattern.lastIndexOf(u'\\'), winPattern.lastIndexOf(u'/'));
    if (cut < 0 && winPattern.size() >= 2 && winPattern.at(1) == u':') cut = 1; // "C:*.txt"
    QString folder = winPattern.left(cut + 1);
    QString mask = winPattern.mid(cut + 1);
    if (folder.size() == 2) // "C:" alone is that drive's root here
        folder += u'\\';
    if (mask.isEmpty())
        return Error{kFileNotFound, QStringLiteral("No file name in \"%1\"").arg(winPattern)};
    if (mask == u"*.*") mask = QStringLiteral("*");
    if (!hasWildcard(mask)) { // a plain name is normalised like any path component
        while (mask.endsWith(u'.') || mask.endsWith(u' '))
            mask.chop(1);
        if (mask.isEmpty())
            return Error{kFileNotFound, QStringLiteral("No file name in \"%1\"").arg(winPattern)};
    }

    const auto host = drives_.toHost(folder);
    if (!host && folder.isEmpty())
        return Error{kInvalidName,
                     QStringLiteral("Not a path with a drive letter: \"%1\"").arg(winPattern)};
    if (!host) return host.error();
    struct stat st {};
    if (!statHost(*host, st) || !S_ISDIR(st.st_mode))
        return Error{kPathNotFound, QStringLiteral("Path not found: \"%1\"").arg(folder)};
    const bool atRoot = drives_.toHost(folder.left(2) + u'\\').valueOr(QString()) == *host;

    // Attributes that must be asked for to be returned.
    const quint32 excluded = ~attrMask & (FA_HIDDEN | FA_SYSTEM | FA_VOLUMEID | FA_DIRECTORY);
    std::vector<FindData> found;
    auto consider = [&](const QString& name, const QString& path) {
        if (!wildcardMatch(mask, name)) return;
        struct stat est {};
        if (!statHost(path, est) && ::lstat(QFile::encodeName(path).constData(), &est) != 0)
            return; // vanished while listing
        FindData d = entryOf(name, est);
        if (d.attributes & excluded) return;
        found.push_back(std::move(d));
    };
    if (!atRoot) { // a drive's root has no "." and ".." entries, as under Wine
        consider(QStringLiteral("."), *host);
        consider(QStringLiteral(".."), *host + QStringLiteral("/.."));
    }
    const QString base = *host == u"/" ? QString() : *host;
    for (const QString& name : listDirectory(*host))
        consider(name, base + u'/' + name);
    if (found.empty())
        return Error{kFileNotFound, QStringLiteral("No file matches \"%1\"").arg(winPattern)};
    return found;
}

bool Files::exists(const QString& winPath) const {
    const auto host = hostPath(winPath);
    struct stat st {};
    return host && statHost(*host, st);
}

bool Files::fileExists(const QString& winPath) const {
    const auto host = hostPath(winPath);
    struct stat st {};
    return host && statHost(*host, st) && !S_ISDIR(st.st_mode);
}

bool Files::directoryExists(const QString& winPath) const {
    const auto host = hostPath(winPath);
    struct stat st {};
    return host && statHost(*host, st) && S_ISDIR(st.st_mode);
}

Result<qint64> Files::size(const QString& winPath) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    struct stat st {};
    if (!statHost(*host, st))
        return errno == ENOENT ? missingError(*host, winPath) : errnoError(errno, winPath);
    return S_ISDIR(st.st_mode) ? qint64(0) : qint64(st.st_size);
}

Result<QDateTime> Files::modified(const QString& winPath) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    struct stat st {};
    if (!statHost(*host, st))
        return errno == ENOENT ? missingError(*host, winPath) : errnoError(errno, winPath);
    return mtimeOf(st);
}

Status Files::removeFile(const QString& winPath) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    const QByteArray path = QFile::encodeName(*host);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT ? missingError(*host, winPath) : errnoError(errno, winPath);
    if (S_ISDIR(st.st_mode))
        return Error{kAccessDenied, QStringLiteral("\"%1\" is a folder").arg(winPath)};
    if (::unlink(path.constData()) != 0) return errnoError(errno, winPath);
    return Status::ok();
}

Status Files::createDirectories(const QString& winPath) const {
    if (writeFault_)
        if (Status st = writeFault_(winPath); !st) return st;
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    // Walk down from the root so that each missing folder is made once.
    const QStringList parts = host->split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (const QString& part : parts) {
        path += u'/' + part;
        const QByteArray p = QFile::encodeName(path);
        struct stat st {};
        if (::stat(p.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return Error{kAlreadyExists,
                             QStringLiteral("A file stands in the way: \"%1\"").arg(winPath)};
            continue;
        }
        if (::mkdir(p.constData(), 0777) != 0 && errno != EEXIST) return errnoError(errno, winPath);
    }
    return Status::ok();
}

Result<QByteArray> Files::readAll(const QString& winPath) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    struct stat st {};
    if (!statHost(*host, st) && errno == ENOENT) return missingError(*host, winPath);
    if (S_ISDIR(st.st_mode))
        return Error{kAccessDenied, QStringLiteral("\"%1\" is a folder").arg(winPath)};
    return readInputFile(*host, kTextFileSizeLimit, winPath);
}

Status Files::writeAll(const QString& winPath, const QByteArray& data) const {
    if (writeFault_)
        if (Status st = writeFault_(winPath); !st) return st;
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    const bool scratch = !scratch_.isEmpty() && host->startsWith(scratch_ + u'/');
    return writeHostFileAtomically(*host, data, winPath, !scratch);
}

} // namespace platform
