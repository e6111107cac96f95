#include "platform/DriveMap.h"

#include "platform/HostTree.h"
#include "platform/TemporaryFolder.h"
#include "platform/WindowsHiveSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace platform {

namespace {

QString cleanAbsolute(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}

bool isSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

// Is `path` equal to `root` or below it? Both clean and absolute.
bool isUnder(const QString& path, const QString& root) {
    if (root == u"/") return path.startsWith(u'/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == u'/');
}

// Trailing dots go from every component; the last component also loses trailing
// blanks, as Windows normalises a path before it reaches the file system.
QString normaliseComponent(QString c, bool last) {
    if (c.isEmpty() || c == u"." || c == u"..") return c;
    if (last) {
        qsizetype n = c.size();
        while (n > 0 && (c.at(n - 1) == u'.' || c.at(n - 1) == u' '))
            --n;
        c.truncate(n);
    } else if (c.endsWith(u'.') && !c.endsWith(u"..")) {
        c.chop(1);
    }
    return c;
}

// The name inside `dir` that stands for `name`: the exact name when it exists,
// else the first entry (in directory order) equal without regard to case.
std::optional<QString> resolveName(const QString& dir, const QString& name) {
    const QString exact = dir == u"/" ? u'/' + name : dir + u'/' + name;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink()) return name;
    for (const QString& entry : listDirectory(dir)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    }
    return std::nullopt;
}

} // namespace

DriveMap::DriveMap() {
    drives_.push_back({u'Z', QStringLiteral("/")});
}

DriveMap DriveMap::fromPrefix(const QString& prefixDir) {
    DriveMap map;
    if (prefixDir.isEmpty()) return map;
    map.prefix_ = cleanAbsolute(prefixDir);
    map.drives_.clear();
    const QString devices = map.prefix_ + QStringLiteral("/dosdevices");
    for (const QString& entry : listDirectory(devices)) {
        if (entry.size() != 2 || entry.at(1) != u':' || !entry.at(0).isLetter() ||
            entry.at(0).unicode() > 0x7F)
            continue;
        const QFileInfo link(devices + u'/' + entry);
        if (!link.isDir()) // a dangling link is no drive, as Wine sees it
            continue;
        QString target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
        map.drives_.push_back({entry.at(0).toUpper(), cleanAbsolute(target)});
    }
    const bool hasZ = std::any_of(map.drives_.begin(), map.drives_.end(),
                                  [](const Drive& d) { return d.letter == u'Z'; });
    if (!hasZ) map.drives_.push_back({u'Z', QStringLiteral("/")});
    std::sort(map.drives_.begin(), map.drives_.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return map;
}

QString DriveMap::defaultPrefix() {
    const QString env = qEnvironmentVariable("WINEPREFIX");
    if (!env.isEmpty()) return cleanAbsolute(env);
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty() && QFileInfo(home + QStringLiteral("/.wine")).isDir())
        return cleanAbsolute(home + QStringLiteral("/.wine"));
    return {};
}

std::optional<QString> DriveMap::driveRoot(QChar letter) const {
    const QChar up = letter.toUpper();
    for (const Drive& d : drives_) {
        if (d.letter == up) return d.hostRoot;
    }
    return std::nullopt;
}

Result<QString> DriveMap::toHost(const QString& winPath) const {
    QString p = winPath;
    if (p.startsWith(u"\\\\?\\") || p.startsWith(u"\\??\\")) p.remove(0, 4);
    if (p.size() < 2 || p.at(1) != u':' || !p.at(0).isLetter())
        return Error{kInvalidName,
                     QStringLiteral("Not a path with a drive letter: \"%1\"").arg(winPath)};
    if (p.contains(QChar(0)))
        return Error{kInvalidName, QStringLiteral("Path holds a NUL character")};
    const auto root = driveRoot(p.at(0));
    if (!root) return Error{kPathNotFound, QStringLiteral("No drive %1:").arg(p.at(0).toUpper())};

    const QString rest = p.mid(2);
    const bool endsWithSeparator = !rest.isEmpty() && isSeparator(rest.back());
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || isSeparator(rest.at(i))) {
            if (i > start) parts.push_back(rest.mid(start, i - start));
            start = i + 1;
        }
    }
    QStringList components;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size() && !endsWithSeparator;
        const QString c = normaliseComponent(parts.at(i), last);
        if (c.isEmpty() || c == u".") continue;
        if (c == u"..") {
            if (!components.isEmpty()) // never above the drive root
                components.removeLast();
            continue;
        }
        if (c.contains(u':'))
            return Error{kInvalidName, QStringLiteral("Invalid name in \"%1\"").arg(winPath)};
        components.push_back(c);
    }

    QString host = *root;
    bool resolving = true;
    for (const QString& c : components) {
        QString name = c;
        if (resolving) {
            if (auto found = resolveName(host, c))
                name = *found;
            else
                resolving = false; // what follows cannot exist either
        }
        host = host == u"/" ? u'/' + name : host + u'/' + name;
    }
    return host;
}

QString DriveMap::toWindows(const QString& hostPath) const {
    QString path = cleanAbsolute(hostPath);
    auto longest = [this](const QString& p, bool canonical) {
        const Drive* best = nullptr;
        qsizetype bestLen = -1;
        QString bestRoot;
        for (const Drive& d : drives_) {
            QString root = d.hostRoot;
            if (canonical) {
                root = QFileInfo(root).canonicalFilePath();
                if (root.isEmpty()) continue;
            }
            if (isUnder(p, root) && root.size() > bestLen) {
                best = &d;
                bestLen = root.size();
                bestRoot = root;
            }
        }
        return std::make_pair(best, bestRoot);
    };
    auto [best, root] = longest(path, false);
    if (!best || root == u"/") {
        // The path may reach a drive through another spelling (a symbolic link
        // in the prefix's own path); compare the resolved forms as well.
        const QString canon = QFileInfo(path).canonicalFilePath();
        if (!canon.isEmpty()) {
            auto [cbest, croot] = longest(canon, true);
            if (cbest && croot != u"/") {
                best = cbest;
                root = croot;
                path = canon;
            }
        }
    }
    if (!best) // only when the prefix maps no Z:; keep the path recognisable
        return QString(path).replace(u'/', u'\\');
    QString rest = root == u"/" ? path.mid(1) : path.mid(root.size() + 1);
    rest.replace(u'/', u'\\');
    return QString(best->letter) + QStringLiteral(":\\") + rest;
}

QString includeTrailingBackslash(const QString& p) {
    return p.endsWith(u'\\') ? p : p + u'\\';
}

QString excludeTrailingBackslash(const QString& p) {
    return p.endsWith(u'\\') ? p.chopped(1) : p;
}

QString extractFilePath(const QString& p) {
    const qsizetype i = std::max(p.lastIndexOf(u'\\'), p.lastIndexOf(u':'));
    return p.left(i + 1);
}

QString extractFileName(const QString& p) {
    const qsizetype i = std::max(p.lastIndexOf(u'\\'), p.lastIndexOf(u':'));
    return p.mid(i + 1);
}

QString programHostFolder() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.symLinkTarget();
    return target.isEmpty() ? QDir::currentPath() : QFileInfo(target).absolutePath();
}

QString programFolder(const DriveMap& drives) {
    return includeTrailingBackslash(drives.toWindows(programHostFolder()));
}

QString windowsFolder(const DriveMap& drives) {
    const auto host = drives.toHost(QStringLiteral("C:\\windows"));
    if (!host) return QStringLiteral("C:\\windows");
    return drives.toWindows(*host);
}

QString documentsFallbackHost() {
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) home = QDir::homePath();
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = home + QStringLiteral("/.config");
    QFile file(config + QStringLiteral("/user-dirs.dirs"));
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
            if (!line.startsWith(u"XDG_DOCUMENTS_DIR=")) continue;
            QString value = line.mid(18);
            if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
                value = value.mid(1, value.size() - 2);
            if (value.startsWith(u"$HOME")) value = home + value.mid(5);
            if (!value.startsWith(u'/')) break;
            value = QDir::cleanPath(value);
            if (QFileInfo(value).isDir()) return value;
            break;
        }
    }
    return QDir::cleanPath(home);
}

void StagingFolder::removeLeftovers(const QString& base) {
    removeLeftoverFolders(base);
}

StagingFolder::StagingFolder(const DriveMap& drives) {
    QStringList bases;
    const QString tmp = qEnvironmentVariable("TMPDIR");
    if (!tmp.isEmpty()) bases.push_back(tmp);
    bases.push_back(QStringLiteral("/tmp"));
    for (const QString& base : bases) {
        auto folder = std::make_unique<TemporaryFolder>(base);
        if (!folder->isValid()) continue;
        folder_ = std::move(folder);
        windows_ = excludeTrailingBackslash(drives.toWindows(folder_->path()));
        removeLeftovers(QDir::cleanPath(base));
        return;
    }
}

StagingFolder::~StagingFolder() = default;

bool StagingFolder::isValid() const {
    return folder_ != nullptr;
}

const QString& StagingFolder::hostPath() const {
    static const QString none;
    return folder_ ? folder_->path() : none;
}

} // namespace platform

namespace platform {

namespace {

// Mount points in the mount table escape blanks and backslashes as \ooo.
QString unescapeMountPoint(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int v = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QFile::decodeName(out);
}

// Where the block device is mounted (its first mount), empty when nowhere.
QString mountPointOf(const QString& device, const QString& mountInfo) {
    QFile file(mountInfo);
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 6 || dash + 2 >= f.size()) continue;
        if (QFile::decodeName(f.at(dash + 2)) == device) return unescapeMountPoint(f.at(4));
    }
    return {};
}

quint64 leBytes(const QByteArray& b, qsizetype at, int n) {
    quint64 v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | quint8(b.at(at + i));
    return v;
}

// The partition a MountedDevices value names, as a block device path: a GPT
// partition by its GUID, an MBR one by the disk's signature and its offset.
QString partitionOf(const QByteArray& data, const MountLookup& lookup) {
    if (data.size() == 24 && data.startsWith("DMIO:ID:")) {
        const QByteArray g = data.mid(8);
        const QString guid = QStringLiteral("%1-%2-%3-%4-%5")
                                 .arg(leBytes(g, 0, 4), 8, 16, QLatin1Char('0'))
                                 .arg(leBytes(g, 4, 2), 4, 16, QLatin1Char('0'))
                                 .arg(leBytes(g, 6, 2), 4, 16, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(g.mid(8, 2).toHex()),
                                      QString::fromLatin1(g.mid(10, 6).toHex()));
        const QFileInfo link(lookup.partUuids + u'/' + guid);
        return link.exists() ? link.canonicalFilePath() : QString();
    }
    if (data.size() == 12) {
        const QString signature =
            QStringLiteral("%1-").arg(leBytes(data, 0, 4), 8, 16, QLatin1Char('0'));
        const quint64 offset = leBytes(data, 4, 8);
        for (const QString& entry : listDirectory(lookup.partUuids)) {
            if (!entry.startsWith(signature, Qt::CaseInsensitive)) continue;
            const QString device = QFileInfo(lookup.partUuids + u'/' + entry).canonicalFilePath();
            QFile start(lookup.blockDevices + u'/' + QFileInfo(device).fileName() +
                        QStringLiteral("/start"));
            if (!start.open(QIODevice::ReadOnly)) continue;
            bool ok = false;
            const quint64 sectors = start.readAll().trimmed().toULongLong(&ok);
            if (ok && sectors * 512 == offset) return device;
        }
    }
    return {};
}

} // namespace

DriveMap DriveMap::fromWindows(const WindowsInstallation& windows, QStringList* notes,
                               const MountLookup& lookup) {
    DriveMap map;
    map.windowsRoot_ = cleanAbsolute(windows.root);
    map.drives_ = {{u'C', map.windowsRoot_}, {u'Z', QStringLiteral("/")}};
    auto note = [&](const QString& line) {
        if (notes) notes->append(line);
    };
    if (windows.systemHive.isEmpty()) {
        note(QStringLiteral("Only C: is read: the Windows installation has no SYSTEM hive "
                            "naming its other drives"));
    } else if (const auto values =
                   readWindowsHiveValues(windows.systemHive, QStringLiteral("MountedDevices"));
               !values) {
        note(QStringLiteral("Only C: is read: %1").arg(values.error().message));
    } else {
        for (const RegValue& v : *values) {
            static const QRegularExpression kLetter(QStringLiteral("^\\\\DosDevices\\\\([A-Z]):$"),
                                                    QRegularExpression::CaseInsensitiveOption);
            const auto m = kLetter.match(v.name);
            if (!m.hasMatch()) continue;
            const QChar letter = m.captured(1).at(0).toUpper();
            if (letter == u'C') continue;
            if (letter == u'Z') {
                note(QStringLiteral("Drive Z: of the Windows installation is left out: Z: is "
                                    "this machine's root folder"));
                continue;
            }
            const QString device = partitionOf(v.data, lookup);
            const QString point =
                device.isEmpty() ? QString() : mountPointOf(device, lookup.mountInfo);
            if (point.isEmpty() || !QFileInfo(point).isDir()) {
                note(QStringLiteral("Drive %1: of the Windows installation is left out: its "
                                    "partition is not mounted here")
                         .arg(letter));
                continue;
            }
            map.drives_.push_back({letter, cleanAbsolute(point)});
        }
    }
    std::sort(map.drives_.begin(), map.drives_.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return map;
}

DriveMap DriveMap::current(const std::optional<WindowsInstallation>& windows) {
    if (windows) return fromWindows(*windows);
    return fromPrefix(defaultPrefix());
}

} // namespace platform
