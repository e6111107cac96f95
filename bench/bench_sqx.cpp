// Throughput of the archiving library against zip and 7z on the same generated mail store.
//
//   bench_sqx [megabytes=300] [work folder=$TMPDIR] [ours]   ("ours": only libSqx, for memory)
//   bench_sqx mails <folder> <count>          writes <count> mail messages of 1..60 KB into
//                                             <folder>, one in ten with an encoded attachment
//   bench_sqx add <archive> <password> <list> [base]
//                                             one SqxAddFiles of the paths in the file <list>,
//                                             one list entry per line, stored below <base>/ as
//                                             relative names (for timing from a script)
//
// Writes a deterministic tree of mailbox-like text files and attachment-like incompressible
// files, then times: libSqx (plain and AES-256), `zip -r -6`, `7z a -tzip -mx=5 -mmt=2` (plain and
// AES-256). Each archiver runs in a child process, so that its peak memory is its own. Prints
// wall-clock and CPU seconds, archive sizes, peak resident memory and the ratios ours / theirs
// (on a shared machine the CPU ratio is the steadier one).

#include "sqx.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Measure {
    QString name;
    double seconds = -1;
    double cpuSeconds = 0;
    qint64 bytes = 0;
    long peakKiB = 0;
};

// Mailbox-like text: headers and words, compressible as real mail is.
void writeText(QFile& f, qint64 size, quint32 seed) {
    static const char* words[] = {"the",      "meeting",  "invoice",  "regards",
                                  "please",   "attached", "tomorrow", "project",
                                  "Subject:", "From:",    "thanks",   "report"};
    QByteArray chunk;
    quint32 x = seed | 1;
    qint64 left = size;
    while (left > 0) {
        chunk.clear();
        while (chunk.size() < (1 << 16)) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            chunk += words[x % 12];
            chunk += (x >> 8) % 11 == 0 ? "\r\n" : " ";
        }
        const qint64 n = qMin<qint64>(left, chunk.size());
        f.write(chunk.constData(), n);
        left -= n;
    }
}

// Attachment-like data: already compressed, so incompressible.
void writeRandom(QFile& f, qint64 size, quint32 seed) {
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    quint32 x = seed | 1;
    for (qint64 left = size; left > 0;) {
        for (auto& c : chunk) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            c = char(x >> 24);
        }
        const qint64 n = qMin<qint64>(left, chunk.size());
        f.write(chunk.constData(), n);
        left -= n;
    }
}

// About 60 % text in mailboxes of 1..40 MB, the rest attachments, plus many small files.
void generate(const QString& root, qint64 total) {
    quint32 seed = 7;
    qint64 written = 0;
    int n = 0;
    while (written < total) {
        seed = seed * 1103515245u + 12345u;
        const bool text = (n % 5) < 3;
        const qint64 size =
            qMin<qint64>(total - written, text ? (1 + seed % 40) << 20 : (1 + seed % 8) << 20);
        const QString dir = root + QString("/Identity%1/Mail").arg(n % 3);
        QDir().mkpath(dir);
        QFile f(dir + QString(text ? "/Folder%1.dbx" : "/attach%1.bin").arg(n));
        if (!f.open(QIODevice::WriteOnly)) std::exit(2);
        text ? writeText(f, size, seed) : writeRandom(f, size, seed);
        written += size;
        ++n;
    }
    for (int i = 0; i < 500; ++i) {
        QFile f(root + QString("/Identity0/small/s%1.txt").arg(i));
        QDir().mkpath(QFileInfo(f).absolutePath());
        if (f.open(QIODevice::WriteOnly)) writeText(f, 2000 + i * 7, quint32(i));
    }
}

// Runs `work` in a child process; seconds and the child's peak memory.
Measure inChild(const QString& name, const QString& archive, const std::function<int()>& work) {
    Measure m{name};
    QFile::remove(archive);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) _exit(work());
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(name));
        return m;
    }
    m.seconds = double(timer.nsecsElapsed()) / 1e9;
    m.peakKiB = usage.ru_maxrss;
    m.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.bytes = QFileInfo(archive).size();
    return m;
}

int runTool(const QString& folder, const std::vector<std::string>& args) {
    if (chdir(QFile::encodeName(folder).constData()) != 0) return 1;
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int devnull = ::open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    execvp(argv[0], argv.data());
    return 127;
}

int runSqx(const QString& folder, const QString& archive, const char* password) {
    void* list = nullptr;
    SqxInitFileList(&list);
    const QStringList tops = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const auto& t : tops)
        SqxAddFileList(QFile::encodeName(folder + "/" + t).constData(), &list);
    SqxOptions o;
    std::memset(&o, 0, sizeof o);
    o.size = sizeof o;
    std::strcpy(o.password, password);
    const int32_t r = SqxAddFiles(QFile::encodeName(archive).constData(), &list, &o, nullptr, 0);
    SqxDoneFileList(&list);
    return r == SQX_OK ? 0 : 1;
}

void print(const Measure& m) {
    if (m.seconds < 0) {
        std::printf("%-28s  skipped\n", qPrintable(m.name));
        return;
    }
    std::printf("%-26s %8.2f s %8.2f s CPU %12lld bytes %8ld KiB peak\n", qPrintable(m.name),
                m.seconds, m.cpuSeconds, static_cast<long long>(m.bytes), m.peakKiB);
}

void ratio(const Measure& ours, const Measure& theirs) {
    if (ours.seconds <= 0 || theirs.seconds <= 0) return;
    std::printf("%-14s / %-26s time %.2f  CPU %.2f  size %.3f\n", qPrintable(ours.name),
                qPrintable(theirs.name), ours.seconds / theirs.seconds,
                ours.cpuSeconds / theirs.cpuSeconds, double(ours.bytes) / double(theirs.bytes));
}

// A message: headers, a text body, and sometimes a base64 attachment (compressible to about
// three quarters, as real ones are).
void writeMail(const QString& path, quint32 seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) std::exit(2);
    quint32 x = seed * 2654435761u | 1;
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    f.write(QString("From: sender%1@example.com\r\nTo: reader@example.org\r\nSubject: "
                    "message %2\r\nMessage-ID: <%3@example.com>\r\n\r\n")
                .arg(x % 97)
                .arg(seed)
                .arg(x)
                .toUtf8());
    writeText(f, 1000 + x % 20000, x);
    if (x % 10 == 0) {
        QByteArray raw(int(4000 + x % 40000), Qt::Uninitialized);
        for (auto& c : raw) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            c = char(x >> 24);
        }
        const QByteArray encoded = raw.toBase64();
        for (qsizetype i = 0; i < encoded.size(); i += 76)
            f.write(encoded.mid(i, 76) + "\r\n");
    }
}

// Stores each file under its path below `base`, as the program names entries below its
// staging folder.
int32_t belowBase(intptr_t base, SqxCallbackRecord* record) {
    const char* prefix = reinterpret_cast<const char*>(base);
    const size_t n = std::strlen(prefix);
    if (record->reason == SQX_REASON_NEXT_FILE && std::strncmp(record->name, prefix, n) == 0)
        std::memmove(record->name, record->name + n, std::strlen(record->name + n) + 1);
    return 1;
}

int addFromList(const char* archive, const char* password, const char* listFile, const char* base) {
    QFile in(QString::fromLocal8Bit(listFile));
    if (!in.open(QIODevice::ReadOnly)) return 2;
    void* list = nullptr;
    SqxInitFileList(&list);
    for (const QByteArray& line : in.readAll().split('\n'))
        if (!line.isEmpty()) SqxAddFileList(line.constData(), &list);
    SqxOptions o;
    std::memset(&o, 0, sizeof o);
    o.size = sizeof o;
    std::strncpy(o.password, password, sizeof o.password - 1);
    const int32_t r = SqxAddFiles(archive, &list, &o, base ? belowBase : nullptr,
                                  reinterpret_cast<intptr_t>(base));
    SqxDoneFileList(&list);
    if (r != SQX_OK) std::fprintf(stderr, "SqxAddFiles: %d\n", r);
    return r == SQX_OK ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "add") == 0)
        return addFromList(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    if (argc == 4 && std::strcmp(argv[1], "mails") == 0) {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder);
        const int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i)
            writeMail(folder + QString("/%1.eml").arg(i, 6, 10, QChar('0')), quint32(i));
        return 0;
    }
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 300;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir tmp(base + "/bench_sqx-XXXXXX");
    if (!tmp.isValid()) return 2;
    const QString data = tmp.path() + "/data";
    std::printf("generating %lld MB in %s\n", static_cast<long long>(megabytes), qPrintable(data));
    generate(data, megabytes << 20);

    const QString archive = tmp.path() + "/out.zip";
    std::vector<Measure> results;
    const bool oursOnly = argc > 3 && std::strcmp(argv[3], "ours") == 0;
    const auto have = [oursOnly](const char* tool) {
        if (oursOnly) return false;
        return !QStandardPaths::findExecutable(tool).isEmpty();
    };
    results.push_back(inChild("libSqx", archive, [&] { return runSqx(data, archive, ""); }));
    results.push_back(
        inChild("libSqx AES-256", archive, [&] { return runSqx(data, archive, "pw"); }));
    const std::string out = QFile::encodeName(archive).toStdString();
    results.push_back(have("zip")
                          ? inChild("zip -r -6", archive,
                                    [&] {
                                        return runTool(data, {"zip", "-q", "-r", "-6", out, "."});
                                    })
                          : Measure{"zip -r -6"});
    const bool sevenZip = have("7z");
    results.push_back(sevenZip ? inChild("7z -mx=5 -mmt=2", archive,
                                         [&] {
                                             return runTool(data, {"7z", "a", "-bd", "-tzip",
                                                                   "-mx=5", "-mmt=2", out, "."});
                                         })
                               : Measure{"7z -mx=5 -mmt=2"});
    results.push_back(sevenZip ? inChild("7z -mx=5 -mmt=2 AES-256", archive,
                                         [&] {
                                             return runTool(data, {"7z", "a", "-bd", "-tzip",
                                                                   "-mx=5", "-mmt=2", "-mem=AES256",
                                                                   "-ppw", out, "."});
                                         })
                               : Measure{"7z -mx=5 -mmt=2 AES-256"});
    for (const auto& m : results)
        print(m);
    ratio(results[0], results[2]);
    ratio(results[0], results[3]);
    ratio(results[1], results[4]);
    return 0;
}
