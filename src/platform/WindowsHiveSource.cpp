#include "platform/WindowsHiveSource.h"

#include "platform/HostTree.h"
#include "platform/InputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

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

// Walks the hive into the tree. A damaged hive can list a key below itself;
// each key is read once and no deeper than the registry holds keys.
class Walker {
public:
    explicit Walker(hive_h* h) : h_(h) {}

    bool readValues(hive_node_h node, HiveKey& into) {
        errno = 0;
        Owned<hive_value_h> values(hivex_node_values(h_, node));
        if (!values) return fail("its values");
        for (const hive_value_h* v = values.get(); *v; ++v) {
            Owned<char> name(hivex_value_key(h_, *v));
            if (!name) return fail("a value's name");
            hive_type type{};
            size_t len = 0;
            Owned<char> data(hivex_value_value(h_, *v, &type, &len));
            if (!data && len != 0) return fail("a value's data");
            into.setValue(RegValue{fromUtf8(name.get()), quint32(type),
                                   QByteArray(data.get(), qsizetype(len))});
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
        Owned<hive_node_h> children(hivex_node_children(h_, node));
        if (!children) return fail("its sub-keys");
        for (const hive_node_h* c = children.get(); *c; ++c) {
            Owned<char> name(hivex_node_name(h_, *c));
            if (!name) return fail("a sub-key's name");
            if (!walk(*c, into.addSubKey(fromUtf8(name.get())), depth + 1)) return false;
        }
        return true;
    }

    QString what; // what could not be read, when walk() failed

private:
    bool fail(const char* part) {
        what = QStringLiteral("%1 (%2)").arg(QLatin1String(part),
                                             QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }

    hive_h* h_;
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

Status checkWindowsHive(const QString& hostPath) {
    const auto state = inspectWindowsHive(hostPath);
    if (!state) return state.status();
    // Opening checks every block of the hive.
    errno = 0;
    if (!HiveHandle(hivex_open(QFile::encodeName(hostPath).constData(), 0)))
        return notAHive(hostPath, QString::fromLocal8Bit(std::strerror(errno ? errno : EINVAL)));
    if (!state->pendingLogs.isEmpty())
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" was not closed cleanly: its newest "
                                    "changes are only in the transaction logs %2, which Postora "
                                    "cannot read. Start that Windows once and shut it down "
                                    "fully (not with fast start-up), then back up again")
                         .arg(hostPath, state->pendingLogs.join(QStringLiteral(", ")))};
    return Status::ok();
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

} // namespace

Result<std::vector<RegValue>> readWindowsHiveValues(const QString& hostPath,
                                                    const QString& keyPath) {
    auto opened = openHive(hostPath);
    if (!opened) return opened.error();
    hive_h* h = opened.value().get();
    hive_node_h node = hivex_root(h);
    for (const QString& step : HiveFile::splitPath(keyPath)) {
        node = hivex_node_get_child(h, node, step.toUtf8().constData());
        if (!node) return std::vector<RegValue>();
    }
    HiveKey key;
    Walker walker(h);
    if (!walker.readValues(node, key))
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" is damaged: Postora cannot read %2")
                         .arg(hostPath, walker.what)};
    return key.values();
}

Result<HiveFile> readWindowsHive(const QString& hostPath) {
    auto opened = openHive(hostPath);
    if (!opened) return opened.error();
    HiveHandle& h = opened.value();
    HiveFile hive;
    Walker walker(h.get());
    if (!walker.walk(hivex_root(h.get()), hive.root(), 0))
        return Error{kBadRegistryFile,
                     QStringLiteral("The registry hive \"%1\" is damaged: Postora cannot read %2")
                         .arg(hostPath, walker.what)};
    return hive;
}

} // namespace platform
