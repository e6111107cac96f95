#include "restore/Destinations.h"

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/LinkSafe.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace restore {

namespace {

// The longest path a Windows program of the clients' time can open (MAX_PATH
// without its terminating zero).
constexpr qsizetype kMaxPath = 259;
// Room for the temporary name a file is written under before its rename.
constexpr int kTempNameSpare = 24;

QString withoutSlash(QString path) {
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

// Why one name could not be a name on Windows; empty when it can.
QString nameProblem(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("an empty name");
    if (name == u"." || name == u"..") return QStringLiteral("a \"%1\" name").arg(name);
    for (const QChar c : name)
        if (c.unicode() < 0x20 || QStringView(u":*?\"<>|\\/").contains(c))
            return QStringLiteral("the name \"%1\" holds a character Windows does not allow in "
                                  "names")
                .arg(name);
    return {};
}

bool sameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20)) return false;
    return true;
}

qint64 blocks(qint64 bytes) {
    constexpr qint64 kBlock = 4096;
    return bytes <= 0 ? 0 : (bytes + kBlock - 1) / kBlock * kBlock;
}

} // namespace

Destinations::Destinations(const platform::Files& files, const QStringList& roots) : files_(files) {
    for (const QString& r : roots) {
        const QString root = withoutSlash(r);
        QStringList names;
        // A root that could not be a destination is no root: what would go there is refused.
        if (root.isEmpty() || !splitPath(root, names).isEmpty() || names.isEmpty()) continue;
        roots_ << root;
    }
}

QString Destinations::splitPath(const QString& winPath, QStringList& names) {
    names.clear();
    if (winPath.size() < 3 || winPath[0].toUpper() != QLatin1Char('C') ||
        winPath[1] != QLatin1Char(':') || winPath[2] != QLatin1Char('\\'))
        return QStringLiteral("not on drive C: of this prefix");
    const QString rest = winPath.mid(3);
    if (rest.isEmpty()) return {};
    for (const QString& part : rest.split(QLatin1Char('\\'))) {
        // Wine takes '/' as a separator too: "a/../b" climbs as "a\..\b" does.
        for (const QString& name : part.split(QLatin1Char('/'))) {
            if (const QString why = nameProblem(name); !why.isEmpty()) return why;
            names << name;
        }
    }
    return {};
}

QString Destinations::entryNameProblem(const QString& entry) {
    for (const QString& name : entry.split(QLatin1Char('/')))
        if (const QString why = nameProblem(name); !why.isEmpty()) return why;
    return {};
}

QString Destinations::rootOf(const QString& winPath) const {
    const QString path = withoutSlash(winPath);
    for (const QString& root : roots_)
        if (path.compare(root, Qt::CaseInsensitive) == 0 ||
            path.startsWith(root + QLatin1Char('\\'), Qt::CaseInsensitive))
            return root;
    return {};
}

QString Destinations::folderProblem(const QString& winFolder) const {
    QStringList names;
    if (const QString why = splitPath(withoutSlash(winFolder), names); !why.isEmpty()) return why;
    if (rootOf(winFolder).isEmpty())
        return QStringLiteral("not inside the client's folders in this prefix");
    return {};
}

QString Destinations::driveC(const platform::Files& files) {
    const platform::DriveMap& drives = files.drives();
    const auto c = drives.driveRoot(QLatin1Char('C'));
    if (drives.prefixDir().isEmpty() || !c) return {};
    const QString driveC =
        QFileInfo(drives.prefixDir() + QStringLiteral("/drive_c")).canonicalFilePath();
    // C: that leads anywhere but the prefix's own drive_c takes no restore.
    if (driveC.isEmpty() || QFileInfo(*c).canonicalFilePath() != driveC) return {};
    return driveC;
}

QString Destinations::checkPlan(const RestorePlan& plan, const QString& stagingHost) const {
    if (QString why = check(plan.files, stagingHost); !why.isEmpty()) return why;
    for (const auto& [what, folder] : plan.namedFolders)
        if (const QString why = folderProblem(folder); !why.isEmpty())
            return QStringLiteral("%1 names %2: %3").arg(what, folder, why);
    return {};
}

QString Destinations::check(const QList<Placement>& files, const QString& stagingHost) const {
    if (files.isEmpty()) return {};
    const QString cHost = driveC(files_);
    if (cHost.isEmpty())
        return QStringLiteral("drive C: of this prefix is not its drive_c folder, so nothing "
                              "is restored into it");
    struct Room {
        qint64 free = -1;
        qint64 running = 0; // bytes the files placed so far add
        qint64 peak = 0;    // the most the files need at any moment
        QString first;      // the first entry that goes there
    };
    QHash<quint64, Room> rooms;
    QHash<QString, QString> seen; // folded destination -> entry
    QSet<QString> written;        // folders that took a test write
    for (const Placement& p : files) {
        const auto refuse = [&p](const QString& why) {
            return QStringLiteral("%1 (to %2): %3").arg(p.entry, p.winPath, why);
        };
        if (const QString why = entryNameProblem(p.entry); !why.isEmpty()) return refuse(why);
        QStringList names;
        if (const QString why = splitPath(p.winPath, names); !why.isEmpty()) return refuse(why);
        if (names.isEmpty()) return refuse(QStringLiteral("no file name"));
        if (p.winPath.size() > kMaxPath)
            return refuse(QStringLiteral("the path has %1 characters, more than Windows "
                                         "programs can open (%2)")
                              .arg(p.winPath.size())
                              .arg(kMaxPath));
        if (rootOf(p.winPath).isEmpty())
            return refuse(QStringLiteral("outside the client's folders in this prefix (%1)")
                              .arg(roots_.isEmpty() ? QStringLiteral("none found")
                                                    : roots_.join(QStringLiteral("; "))));
        // Windows folds case: "Inbox.dbx" and "INBOX.DBX" are one file. Some
        // layouts store a file twice (attachments beside the store); the same
        // bytes twice are no conflict, but a name the archive holds twice is.
        const QString folded = names.join(QLatin1Char('\\')).toCaseFolded();
        if (const auto it = seen.constFind(folded); it != seen.cend()) {
            if (*it == p.entry)
                return refuse(QStringLiteral("the archive holds this entry more than once"));
            if (!sameBytes(stagingHost + QLatin1Char('/') + *it,
                           stagingHost + QLatin1Char('/') + p.entry))
                return refuse(QStringLiteral("the same file on Windows as the entry %1").arg(*it));
            continue;
        }
        seen.insert(folded, p.entry);
        const QString folder = folded.section(QLatin1Char('\\'), 0, -2);
        const platform::WriteProbe probe =
            platform::probeWrite(cHost, names, !written.contains(folder));
        if (!probe.problem.isEmpty()) return refuse(probe.problem);
        written.insert(folder);
        if (const platform::Status fits = files_.fitsFileSystem(p.winPath, kTempNameSpare); !fits)
            return refuse(fits.message());

        quint64 device = 0;
        qint64 size = 0;
        if (!platform::fileDeviceAndSize(stagingHost + QLatin1Char('/') + p.entry, device, size))
            return refuse(QStringLiteral("the extracted file is missing"));
        Room& room = rooms[probe.device];
        if (room.first.isEmpty()) {
            room.first = p.entry;
            room.free = probe.freeBytes;
        }
        // A file on the staging folder's file system is moved, not copied.
        const qint64 added = device == probe.device ? 0 : blocks(size);
        room.peak = qMax(room.peak, room.running + added);
        room.running += added - blocks(probe.replacedSize);
    }
    for (const Room& room : std::as_const(rooms))
        if (room.free >= 0 && room.peak > room.free)
            return QStringLiteral("%1: the files need %2 bytes where they go and only %3 bytes "
                                  "are free there")
                .arg(room.first)
                .arg(room.peak)
                .arg(room.free);
    return {};
}

} // namespace restore
