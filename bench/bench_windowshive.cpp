// Opening and walking a generated binary hive (100 MB by default) through the
// Windows-disk registry source, next to the same keys in Wine's text format.
// Run: cmake --build build --target bench_windowshive && build/bin/bench_windowshive [megabytes]
// Needs python3-hivex (tools/install-deps.sh) to write the binary hive, and
// about three times the size free under $TMPDIR.

#include "platform/HiveFile.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

using namespace platform;

namespace {

// The keys as a list for the writer ("K\tpath" / "V\tname\ttype\tdata", hex)
// and as Wine's text hive; CLSID-like keys in 4096 buckets, as real SOFTWARE
// hives spread them, with strings, numbers and binary values.
void generate(qint64 targetBytes, const QString& listPath, const QString& textPath) {
    QRandomGenerator rng(2024);
    HiveFile text;
    text.setRelativeTo(QStringLiteral("REGISTRY\\User\\S-1-5-21-0-0-0-1000"));
    QFile list(listPath);
    if (!list.open(QIODevice::WriteOnly)) return;
    qint64 approx = 0;
    for (int i = 0; approx < targetBytes; ++i) {
        const QString path = QStringLiteral("Software\\Classes\\CLSID\\%1\\{%2-%3-11D0-8FF2-"
                                            "00A0D10038BC}\\InprocServer32")
                                 .arg(i % 4096, 3, 16, QChar(u'0'))
                                 .arg(rng.generate(), 8, 16, QChar(u'0'))
                                 .arg(i % 65536, 4, 16, QChar(u'0'));
        QByteArray blob(int(rng.bounded(400)), Qt::Uninitialized);
        for (char& c : blob)
            c = char(rng.bounded(256));
        const RegValue values[] = {
            RegValue::string(QString(), QStringLiteral("C:\\Windows\\System32\\x%1.dll").arg(i)),
            RegValue::string(QStringLiteral("ThreadingModel"), QStringLiteral("Both")),
            RegValue::dword(QStringLiteral("Flags"), rng.generate()),
            RegValue::binary(QStringLiteral("Data"), blob)};
        list.write("K\t" + path.toUtf8() + '\n');
        HiveKey& k = text.key(path);
        for (const RegValue& v : values) {
            list.write("V\t" + v.name.toUtf8().toHex() + '\t' + QByteArray::number(v.type) + '\t' +
                       v.data.toHex() + '\n');
            k.setValue(v);
            approx += 24 + v.name.size() * 2 + v.data.size();
        }
        approx += 96 + path.size();
    }
    QFile out(textPath);
    if (out.open(QIODevice::WriteOnly)) out.write(text.serialize());
}

const char* const kWriter = R"(
import sys, hivex
base, listing, out = sys.argv[1:4]
h = hivex.Hivex(base, write=True)
root = h.root()
for c in h.node_children(root):
    h.node_delete_child(c)
h.node_set_values(root, [])
nodes = {'': root}
cur, vals = None, []
def flush():
    if cur is not None and vals:
        h.node_set_values(cur, vals)
for line in open(listing, encoding='utf-8'):
    f = line.rstrip('\n').split('\t')
    if f[0] == 'K':
        flush()
        node, sofar = root, ''
        for part in f[1].split('\\'):
            sofar += '\\' + part.lower()
            if sofar not in nodes:
                nodes[sofar] = h.node_add_child(node, part)
            node = nodes[sofar]
        cur, vals = node, []
    else:
        vals.append({'key': bytes.fromhex(f[1]).decode('utf-8'), 't': int(f[2]),
                     'value': bytes.fromhex(f[3])})
flush()
h.commit(out)
)";

struct Walked {
    qint64 keys = 0;
    qint64 values = 0;
    qint64 bytes = 0;
};

void walk(const RegKey& key, Walked& w) {
    ++w.keys;
    for (const RegValue& v : key.values()) {
        ++w.values;
        w.bytes += v.data.size();
    }
    for (const QString& name : key.subKeyNames()) {
        const auto sub = key.openSubKey(name);
        if (sub) walk(*sub, w);
    }
}

// One measurement in a process of its own, so that its peak memory is its own.
int measure(const QString& kind, const QString& path, const QString& work) {
    QElapsedTimer t;
    t.start();
    Registry::Config c;
    c.ownHivePath = work + QStringLiteral("/own.reg");
    if (kind == u"binary") {
        WindowsInstallation w;
        w.userHive = path;
        c.windows = w;
    } else {
        c.prefixDir = QFileInfo(path).absolutePath();
    }
    Registry reg(c);
    const auto root = reg.open(HKEY_CURRENT_USER, QStringLiteral("Software"));
    Walked w;
    if (root) walk(*root, w);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%-22s %8.2f s  %8.1f MB peak  %lld keys  %lld values  %.1f MB of data\n",
                qPrintable(kind == u"binary" ? QStringLiteral("binary hive (libhivex)")
                                             : QStringLiteral("Wine text hive")),
                t.nsecsElapsed() / 1e9, ru.ru_maxrss / 1024.0, qint64(w.keys), qint64(w.values),
                w.bytes / 1048576.0);
    return w.keys > 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == u"--measure")
        return measure(args.at(2), args.at(3), args.at(4));
    const qint64 mb = args.size() > 1 ? args.at(1).toLongLong() : 100;
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString list = dir.filePath(QStringLiteral("keys.txt"));
    const QString text = dir.filePath(QStringLiteral("user.reg"));
    const QString hive = dir.filePath(QStringLiteral("NTUSER.DAT"));
    const QString base = dir.filePath(QStringLiteral("base.DAT"));
    const QString script = dir.filePath(QStringLiteral("writer.py"));
    // hivex leaves about two thirds of a hive it grows as free cells: this much
    // payload gives a binary hive of about the size asked for.
    generate((mb << 20) * 32 / 100, list, text);
    QFile s(script);
    if (!s.open(QIODevice::WriteOnly) || s.write(kWriter) < 0) return 1;
    s.close();
    // hivex makes no hive from nothing: it starts from one Windows wrote.
    QProcess xz;
    xz.setStandardOutputFile(base);
    xz.start(QStringLiteral("xz"),
             {QStringLiteral("-dc"),
              QStringLiteral("/work/shared/fixtures/windows-hives/transactions_NTUSER.DAT.xz")});
    if (!xz.waitForFinished(60000) || xz.exitCode() != 0) return 1;
    QProcess py;
    py.setProcessChannelMode(QProcess::ForwardedChannels);
    py.start(QStringLiteral("/usr/bin/python3"), {script, base, list, hive});
    if (!py.waitForFinished(-1) || py.exitCode() != 0) return 1;
    std::printf("binary hive %.1f MB, text hive %.1f MB\n", QFileInfo(hive).size() / 1048576.0,
                QFileInfo(text).size() / 1048576.0);
    std::fflush(stdout);
    int status = 0;
    for (const auto& [kind, path] :
         {std::pair{QStringLiteral("binary"), hive}, std::pair{QStringLiteral("text"), text}}) {
        QProcess m;
        m.setProcessChannelMode(QProcess::ForwardedChannels);
        m.start(app.applicationFilePath(), {QStringLiteral("--measure"), kind, path, dir.path()});
        if (!m.waitForFinished(-1) || m.exitCode() != 0) status = 1;
    }
    return status;
}
