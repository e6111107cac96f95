#include "platform/WindowsHiveSource.h"

#include "platform/HostTree.h"
#include "platform/InputFile.h"
#include "platform/RegistrySource.h"
#include "platform/RegistryText.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace platform {

namespace {

// The base block: "regf", the primary and secondary sequence numbers, and
// the length of the hive bins that follow it.
constexpr qint64 kBaseBlock = 4096;
constexpr qint64 kSeqPrimary = 4;
constexpr qint64 kSeqSecondary = 8;
constexpr qint64 kBinsLength = 0x28;

// FILETIME ticks (100 ns since 1601) at the Unix epoch.
constexpr qint64 kEpochTicks = 116444736000000000LL;

quint32 le32(const QByteArray& b, qint64 at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

bool isHiveHead(const QByteArray& head) {
    return head.size() >= kBaseBlock && head.startsWith("regf");
}

Error notAHive(const QString& path, const QString& why) {
    return Error{kBadRegistryFile,
                 QStringLiteral("\"%1\" is not a Windows registry hive: %2").arg(path, why)};
}

struct HiveCloser {
    void operator()(hive_h* h) const { hivex_close(h); }
};
using HiveHandle = std::unique_ptr<hive_h, HiveCloser>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, FreeDeleter>;

QString fromUtf8(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// Where a cell keeps its name: its length, its flags (one of them telling
// Latin-1 from UTF-16LE) and its characters; for a value ("vk") and a key ("nk").
struct NameLayout {
    int lenAt;
    int flagsAt;
    quint16 latin1;
    int nameAt;
};
constexpr NameLayout kValueName{6, 20, 0x0001, 24};
constexpr NameLayout kKeyName{76, 6, 0x0020, 80};

// The hive's bytes as the file holds them, mapped only when libhivex cannot
// give a name as UTF-8 (an unpaired surrogate): such a name is kept as
// stored, so two of them stay two.
class RawNames {
public:
    explicit RawNames(QString path) : file_(std::move(path)) {}

    // The name of the cell at `cell`, when it lies inside the cell.
    std::optional<QString> name(quint64 cell, const NameLayout& at) {
        if (!bytes_ && !map()) return std::nullopt;
        if (cell > quint64(size_) || quint64(size_) - cell < quint64(at.nameAt))
            return std::nullopt;
        const uchar* c = bytes_ + cell;
        const qint64 cellLen = qAbs(qint64(qint32(le32(c))));
        const qint64 len = le16(c + at.lenAt);
        if (at.nameAt + len > std::min<qint64>(cellLen, size_ - qint64(cell))) return std::nullopt;
        const uchar* n = c + at.nameAt;
        if (le16(c + at.flagsAt) & at.latin1)
            return QString::fromLatin1(reinterpret_cast<const char*>(n), len);
        QString s(len / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < s.size(); ++i)
            s[i] = QChar(le16(n + 2 * i));
        return s;
    }

private:
    static quint32 le32(const uchar* p) {
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }
    static quint16 le16(const uchar* p) { return quint16(p[0] | p[1] << 8); }

    bool map() {
        if (!file_.isOpen() && !file_.open(QIODevice::ReadOnly)) return false;
        size_ = file_.size();
        bytes_ = file_.map(0, size_);
        return bytes_ != nullptr;
    }

    QFile file_;
    const uchar* bytes_ = nullptr;
    qint64 size_ = 0;
};

// Walks the hive into the tree. A damaged hive can list a key below itself;
// each key is read once and no deeper than the registry holds keys. A value
// that cannot be read is left out and listed; a key whose lists cannot be
// read stops the walk, naming that key.
class Walker {
public:
    Walker(hive_h* h, const QString& path) : h_(h), path_(path), raw_(path) {}

    bool readValues(hive_node_h node, HiveKey& into) {
        errno = 0;
        Owned<hive_value_h> values(hivex_node_values(h_, node));
        if (!values) return fail("the values");
        for (const hive_value_h* v = values.get(); *v; ++v) {
            errno = 0;
            Owned<char> utf8(hivex_value_key(h_, *v));
            const std::optional<QString> name = utf8              ? fromUtf8(utf8.get())
                                                : errno == EILSEQ ? raw_.name(*v, kValueName)
                                                                  : std::nullopt;
            if (!name) return fail("a value's name");
            // hivex hands back the type as its enum, which lists only the
            // types it knows: the bytes are taken, never the enum's value.
            hive_type type{};
            size_t len = 0;
            errno = 0;
            Owned<char> data(hivex_value_value(h_, *v, &type, &len));
            quint32 rawType = 0;
            static_assert(sizeof(type) == sizeof(rawType));
            std::memcpy(&rawType, &type, sizeof rawType);
            if (!data && (len != 0 || errno != 0)) {
                problems.append(QStringLiteral("The registry hive \"%1\": Postora cannot read the "
                                               "value \"%2\" of the key \"%3\", declared as %4 "
                                               "bytes (%5); it is left out")
                                    .arg(path_, *name, keyPath())
                                    .arg(len)
                                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
                continue;
            }
            into.setValue(RegValue{*name, rawType, QByteArray(data.get(), qsizetype(len))});
        }
        return true;
    }

    bool walk(hive_node_h node, HiveKey& into, int depth) {
        if (depth > HiveFile::kMaxDepth || seen_.contains(node)) return true;
        seen_.insert(node);
        const int64_t ft = hivex_node_timestamp(h_, node);
        if (ft > 0)
            into.setTimes(quint32(std::max<qint64>(0, (ft - kEpochTicks) / 10000000)), quint64(ft));
        if (!readValues(node, into)) return false;
        errno = 0;
        Owned<hive_node_h> children(hivex_node_children(h_, node));
        if (!children) return fail("the sub-keys");
        for (const hive_node_h* c = children.get(); *c; ++c) {
            const std::optional<QString> name = nodeName(*c);
            if (!name) return fail("a sub-key's name");
            keys_.append(*name);
            if (!walk(*c, into.addSubKey(*name), depth + 1)) return false;
            keys_.removeLast();
        }
        return true;
    }

    // The sub-key of `node` named `name` (without regard to case) in `found`,
    // 0 when there is none; false when the sub-keys cannot be read. The walk
    // goes on below the key found.
    bool child(hive_node_h node, const QString& name, hive_node_h& found) {
        errno = 0;
        Owned<hive_node_h> children(hivex_node_children(h_, node));
        if (!children) return fail("the sub-keys");
        found = 0;
        for (const hive_node_h* c = children.get(); *c && !found; ++c) {
            const std::optional<QString> n = nodeName(*c);
            if (!n) return fail("a sub-key's name");
            if (!regtext::sameName(*n, name)) continue;
            found = *c;
            keys_.append(*n);
        }
        return true;
    }

    Error error() const {
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" is damaged: Postora cannot read %2")
                         .arg(path_, what_)};
    }

    QStringList problems; // the values left out, one sentence each

private:
    QString keyPath() const { return u'\\' + keys_.join(u'\\'); }

    std::optional<QString> nodeName(hive_node_h node) {
        errno = 0;
        Owned<char> utf8(hivex_node_name(h_, node));
        return utf8              ? fromUtf8(utf8.get())
               : errno == EILSEQ ? raw_.name(node, kKeyName)
                                 : std::nullopt;
    }

    bool fail(const char* part) {
        what_ = QStringLiteral("%1 of the key \"%2\" (%3)")
                    .arg(QLatin1String(part), keyPath(),
                         QString::fromLocal8Bit(std::strerror(errno ? errno : EINVAL)));
        return false;
    }

    hive_h* h_;
    QString path_;
    RawNames raw_;
    QStringList keys_; // the path of the key being read, below the root
    QString what_;
    QSet<hive_node_h> seen_;
};

// The transaction logs beside the hive that hold changes newer than the
// hive's own state: a log of an older state does not count.
QStringList pendingLogs(const QString& hostPath, quint32 secondary) {
    const QFileInfo hive(hostPath);
    const QString dir = hive.absolutePath();
    QStringList logs;
    for (const QString& entry : listDirectory(dir)) {
        const bool isLog =
            entry.compare(hive.fileName() + QStringLiteral(".LOG1"), Qt::CaseInsensitive) == 0 ||
            entry.compare(hive.fileName() + QStringLiteral(".LOG2"), Qt::CaseInsensitive) == 0 ||
            entry.compare(hive.fileName() + QStringLiteral(".LOG"), Qt::CaseInsensitive) == 0;
        if (!isLog) continue;
        const QString path = dir + u'/' + entry;
        const QFileInfo log(path);
        if (!log.isFile() || log.size() == 0) continue;
        const auto head = readInputHead(path, kHiveSizeLimit, kBaseBlock, path);
        // A log whose base block is unreadable may still hold the changes.
        if (head && isHiveHead(*head) && le32(*head, kSeqPrimary) < secondary) continue;
        logs.append(path);
    }
    logs.sort();
    return logs;
}

} // namespace

Result<WindowsHiveState> inspectWindowsHive(const QString& hostPath) {
    const QFileInfo info(hostPath);
    if (!info.exists())
        return Error{kFileNotFound, QStringLiteral("\"%1\" does not exist").arg(hostPath)};
    const auto head = readInputHead(hostPath, kHiveSizeLimit * 4, kBaseBlock, hostPath);
    if (!head) return head.error();
    if (!head->startsWith("regf"))
        return notAHive(hostPath, QStringLiteral("it does not begin with \"regf\""));
    if (head->size() < kBaseBlock)
        return notAHive(hostPath, QStringLiteral("it is cut short (%1 bytes)").arg(head->size()));
    const qint64 bins = le32(*head, kBinsLength);
    if (info.size() < kBaseBlock + bins)
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" is cut short: it holds %2 bytes "
                                    "of the %3 its header names")
                         .arg(hostPath)
                         .arg(info.size())
                         .arg(kBaseBlock + bins)};
    WindowsHiveState state;
    const quint32 primary = le32(*head, kSeqPrimary);
    const quint32 secondary = le32(*head, kSeqSecondary);
    state.dirty = primary != secondary;
    if (state.dirty) state.pendingLogs = pendingLogs(hostPath, secondary);
    return state;
}

namespace {

Result<HiveHandle> openHive(const QString& hostPath) {
    if (Status st = inspectWindowsHive(hostPath).status(); !st) return st.error();
    errno = 0;
    // Without HIVEX_OPEN_WRITE the file is opened read-only and mapped.
    HiveHandle h(hivex_open(QFile::encodeName(hostPath).constData(), 0));
    if (!h)
        return notAHive(hostPath, QString::fromLocal8Bit(std::strerror(errno ? errno : EINVAL)));
    return h;
}

// What walking one version of a hive file found. Every backup checks its
// source first, and a large SOFTWARE hive takes a while to walk.
struct Walked {
    FileStamp stamp;
    Status status;
    QStringList problems;
};

Walked walkOnce(const QString& hostPath) {
    static QMutex lock;
    static QHash<QString, Walked> walked;
    const QMutexLocker locked(&lock);
    const FileStamp stamp = FileStamp::of(hostPath);
    if (const auto it = walked.constFind(hostPath); it != walked.constEnd() && it->stamp == stamp)
        return *it;
    Walked now{stamp, Status::ok(), {}};
    now.status = readWindowsHive(hostPath, &now.problems).status();
    walked.insert(hostPath, now);
    return now;
}

} // namespace

Status checkWindowsHive(const QString& hostPath, QStringList* problems) {
    const auto state = inspectWindowsHive(hostPath);
    if (!state) return state.status();
    // Walked whole: a hive that reads only in part would back up as if
    // the rest were not there.
    const Walked walked = walkOnce(hostPath);
    if (!walked.status) return walked.status;
    if (!state->pendingLogs.isEmpty())
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" was not closed cleanly: its newest "
                                    "changes are only in the transaction logs %2, which Postora "
                                    "cannot read. Start that Windows once and shut it down "
                                    "fully (not with fast start-up), then back up again")
                         .arg(hostPath, state->pendingLogs.join(QStringLiteral(", ")))};
    if (problems) problems->append(walked.problems);
    return Status::ok();
}

Result<std::vector<RegValue>> readWindowsHiveValues(const QString& hostPath,
                                                    const QString& keyPath) {
    auto opened = openHive(hostPath);
    if (!opened) return opened.error();
    hive_h* h = opened.value().get();
    Walker walker(h, hostPath);
    hive_node_h node = hivex_root(h);
    for (const QString& step : HiveFile::splitPath(keyPath)) {
        if (!walker.child(node, step, node)) return walker.error();
        if (!node) return std::vector<RegValue>();
    }
    HiveKey key;
    if (!walker.readValues(node, key)) return walker.error();
    return key.values();
}

Result<HiveFile> readWindowsHive(const QString& hostPath, QStringList* problems) {
    auto opened = openHive(hostPath);
    if (!opened) return opened.error();
    HiveHandle& h = opened.value();
    HiveFile hive;
    Walker walker(h.get(), hostPath);
    if (!walker.walk(hivex_root(h.get()), hive.root(), 0)) return walker.error();
    if (problems) problems->append(walker.problems);
    return hive;
}

} // namespace platform
