#include "platform/Files.h"

#include "platform/HostTree.h"
#include "platform/InputFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Said in place of the C library's "File name too long", which names no cause
// a person can act on.
const QString kTooLong = QStringLiteral("the path is too long for the file system");

QString reasonOf(int err) {
    return err == ENAMETOOLONG ? kTooLong : QString::fromLocal8Bit(std::strerror(err));
}

int codeOf(int err) {
    return err == ENAMETOOLONG ? int(kFilenameTooLong) : errorFromErrno(err);
}

Error errnoError(int err, const QString& what) {
    return Error{codeOf(err), QStringLiteral("%1: %2").arg(what, reasonOf(err))};
}

// A folder that is there but cannot be listed: never to be taken for an empty one.
Error folderError(int err, const QString& winFolder) {
    return Error{
        codeOf(err),
        QStringLiteral("The folder \"%1\" cannot be read: %2").arg(winFolder, reasonOf(err))};
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The entry names of a host folder without "." and "..", in the order the
// file system gives them; the errno that stopped the listing, or 0.
int listFolder(const QString& hostDir, QStringList& names) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(hostDir).constData()));
    if (!dir) return errno;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) return errno;
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.push_back(QFile::decodeName(e->d_name));
    }
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

bool nothingThere(const Error& error) {
    return error.code == kFileNotFound || error.code == kPathNotFound || error.code == kInvalidName;
}

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
    if (!statHost(*host, st) && errno != ENOENT && errno != ENOTDIR)
        return folderError(errno, folder);
    if (!S_ISDIR(st.st_mode))
        return Error{kPathNotFound, QStringLiteral("Path not found: \"%1\"").arg(folder)};
    const bool atRoot = drives_.toHost(folder.left(2) + u'\\').valueOr(QString()) == *host;

    // Attributes that must be asked for to be returned.
    const quint32 excluded = ~attrMask & (FA_HIDDEN | FA_SYSTEM | FA_VOLUMEID | FA_DIRECTORY);
    std::vector<FindData> found;
    int unreadable = 0; // an entry that is there but cannot be looked at
    auto consider = [&](const QString& name, const QString& path) {
        if (!wildcardMatch(mask, name)) return;
        struct stat est {};
        if (!statHost(path, est) && ::lstat(QFile::encodeName(path).constData(), &est) != 0) {
            if (errno != ENOENT) unreadable = errno; // else it vanished while listing
            return;
        }
        FindData d = entryOf(name, est);
        if (d.attributes & excluded) return;
        found.push_back(std::move(d));
    };
    if (!atRoot) { // a drive's root has no "." and ".." entries, as under Wine
        consider(QStringLiteral("."), *host);
        consider(QStringLiteral(".."), *host + QStringLiteral("/.."));
    }
    const QString base = *host == u"/" ? QString() : *host;
    QStringList names;
    if (const int err = listFolder(*host, names); err != 0) {
        if (err == ENOENT) // removed since it was looked up
            return Error{kPathNotFound, QStringLiteral("Path not found: \"%1\"").arg(folder)};
        return folderError(err, folder);
    }
    for (const QString& name : std::as_const(names))
        consider(name, base + u'/' + name);
    if (unreadable != 0) return folderError(unreadable, folder);
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

Status Files::createDirectories(const QString& winPath, QStringList* made) const {
    if (writeFault_)
        if (Status st = writeFault_(winPath); !st) return st;
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    // Refused before the first folder is made, not after the twentieth.
    if (Status fits = fitsFileSystem(winPath); !fits) return fits;
    // Walk down from the root so that each missing folder is made once.
    const QStringList parts = host->split(u'/', Qt::SkipEmptyParts);
    QString path;
    QStringList madeHere;
    auto fail = [&madeHere](Error e) {
        // Nothing half made stays behind.
        for (auto it = madeHere.crbegin(); it != madeHere.crend(); ++it)
            ::rmdir(QFile::encodeName(*it).constData());
        return e;
    };
    for (const QString& part : parts) {
        path += u'/' + part;
        const QByteArray p = QFile::encodeName(path);
        struct stat st {};
        if (::stat(p.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return fail(Error{
                    kAlreadyExists,
                    QStringLiteral("A file stands in the way: \"%1\"").arg(windowsPath(path))});
            continue;
        }
        if (::mkdir(p.constData(), 0777) == 0)
            madeHere << path;
        else if (errno != EEXIST)
            return fail(errnoError(errno, windowsPath(path)));
    }
    if (made) {
        for (const QString& h : std::as_const(madeHere))
            made->append(windowsPath(h));
    }
    return Status::ok();
}

Status Files::removeEmptyFolder(const QString& winPath) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    if (::rmdir(QFile::encodeName(*host).constData()) != 0) return errnoError(errno, winPath);
    return Status::ok();
}

Status Files::fitsFileSystem(const QString& winPath, int spare) const {
    const auto host = hostPath(winPath);
    if (!host) return host.error();
    // The limits of the file system the path is on: that of the deepest folder
    // already there.
    long nameMax = NAME_MAX;
    long pathMax = PATH_MAX;
    for (QString at = *host;; at = QFileInfo(at).path()) {
        struct stat st {};
        if (statHost(at, st) && S_ISDIR(st.st_mode)) {
            const QByteArray a = QFile::encodeName(at);
            if (const long n = ::pathconf(a.constData(), _PC_NAME_MAX); n > 0) nameMax = n;
            if (const long n = ::pathconf(a.constData(), _PC_PATH_MAX); n > 0) pathMax = n;
            break;
        }
        if (at == u"/" || at.isEmpty() || at == u".") break;
    }
    const QByteArray bytes = QFile::encodeName(*host);
    bool fits = bytes.size() + spare < pathMax;
    const QList<QByteArray> names = bytes.split('/');
    for (qsizetype i = 0; fits && i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        fits = names.at(i).size() + (last ? spare : 0) <= nameMax;
    }
    if (fits) return Status::ok();
    return Error{kFilenameTooLong, QStringLiteral("\"%1\": %2").arg(winPath, kTooLong)};
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
