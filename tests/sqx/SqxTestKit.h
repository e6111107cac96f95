#pragma once
// Shared by the archiving library's tests: options records, a callback that records every call
// and answers as told, sample trees, and the independent archive tools (7z, bsdtar).

#include "sqx.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>
#include <vector>

namespace sqxtest {

inline SqxOptions options(const QByteArray& password = {}, int32_t volumeSize = 0) {
    SqxOptions o;
    std::memset(&o, 0, sizeof o);
    o.size = sizeof o;
    o.fixed4 = 3;
    o.fixed16 = 1;
    o.fixed32 = 1;
    o.fixed1404 = 1;
    std::memcpy(o.password, password.constData(), size_t(password.size()));
    o.multipleVolumes = volumeSize != 0 ? 1 : 0;
    o.volumeSize = volumeSize;
    return o;
}

struct Call {
    int32_t reason;
    int32_t index;
    QByteArray name;
    QByteArray path;
    int32_t value;
    int32_t disk;
    int32_t media;
};

// Records every callback; `answer` may rewrite the record and decides the answer (default 1).
struct Recorder {
    std::vector<Call> calls;
    std::function<int32_t(SqxCallbackRecord&)> answer;

    static int32_t callback(intptr_t user, SqxCallbackRecord* record) {
        auto* self = reinterpret_cast<Recorder*>(user);
        self->calls.push_back({record->reason, record->entryIndex,
                               QByteArray(record->name, int(strnlen(record->name, 272))),
                               QByteArray(record->path, int(strnlen(record->path, 272))),
                               record->value, record->diskNumber, record->mediaKind});
        return self->answer ? self->answer(*record) : 1;
    }
    intptr_t user() { return reinterpret_cast<intptr_t>(this); }
    std::vector<Call> of(int32_t reason) const {
        std::vector<Call> out;
        for (const auto& c : calls)
            if (c.reason == reason) out.push_back(c);
        return out;
    }
};

inline void setName(SqxCallbackRecord& record, const QByteArray& name) {
    std::memset(record.name, 0, sizeof record.name);
    std::memcpy(record.name, name.constData(), size_t(qMin<qsizetype>(name.size(), 271)));
}

// Deterministic bytes: text-like when `text`, else incompressible.
inline QByteArray sampleBytes(qint64 size, quint32 seed, bool text) {
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        out[i] = text ? char("abcdefgh ij\nklmnop"[x % 18]) : char(x >> 24);
    }
    return out;
}

inline bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

inline ToolRun runTool(const QString& program, const QStringList& args) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(300000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

inline bool haveTools() {
    return !QStandardPaths::findExecutable("7z").isEmpty() &&
           !QStandardPaths::findExecutable("bsdtar").isEmpty();
}

// `7z t`, always with a -p switch so that 7z never waits for a typed password.
inline ToolRun sevenZipTest(const QString& archive, const QByteArray& password) {
    return runTool("7z",
                   {"t", "-p" + QString::fromUtf8(password.isEmpty() ? "x" : password), archive});
}

// Names as bsdtar lists them, sorted.
inline QStringList bsdtarNames(const QString& archive, const QByteArray& password, int* exitCode) {
    QStringList args{"-tf", archive};
    if (!password.isEmpty()) args << "--passphrase" << QString::fromUtf8(password);
    const ToolRun r = runTool("bsdtar", args);
    *exitCode = r.exitCode;
    QStringList names = QString::fromUtf8(r.output).split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

// Names, sizes and flags as this library lists them, sorted by name.
struct Listed {
    int32_t result = -1;
    QStringList names;
    struct Row {
        QString name;
        int64_t size;
        bool folder;
        bool encrypted;
    };
    std::vector<Row> rows; // in archive order; the names are copies, the list is gone
};

inline Listed listArchive(const QString& archive, const SqxOptions* o = nullptr) {
    Listed out;
    SqxArcList* list = nullptr;
    SqxInitArcFileList(&list);
    out.result = SqxListFiles(archive.toUtf8().constData(), &list, o, nullptr, 0);
    for (int i = 0; i < list->count; ++i) {
        out.names << QString::fromUtf8(list->entries[i].name);
        const SqxArcEntry& e = list->entries[i];
        out.rows.push_back({QString::fromUtf8(e.name), e.size, e.isFolder != 0, e.encrypted != 0});
    }
    SqxDoneArcFileList(&list);
    out.names.sort();
    return out;
}

// Writes an archive of the given specifications; `recorder` may be null.
inline int32_t addFiles(const QString& archive, const QStringList& specs, const SqxOptions& o,
                        Recorder* recorder) {
    void* list = nullptr;
    SqxInitFileList(&list);
    for (const auto& s : specs)
        SqxAddFileList(s.toUtf8().constData(), &list);
    const int32_t r =
        SqxAddFiles(archive.toUtf8().constData(), &list, &o,
                    recorder ? &Recorder::callback : nullptr, recorder ? recorder->user() : 0);
    SqxDoneFileList(&list);
    return r;
}

inline QStringList folderEntries(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

} // namespace sqxtest
