#pragma once
// Helpers of the backup tests: a scripted interaction, the English texts of the
// messages the engine uses, a small prefix with drives of its own, and running
// the independent archive tools.

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "support/FakeInteraction.h"
#include "support/RequireTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>

#include <dirent.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

inline QString englishMessage(const QString& key) {
    static const QHash<QString, QString> texts = {
        {QStringLiteral("Message14"), QStringLiteral("Insert next volume! Disk number")},
        {QStringLiteral("Message15"), QStringLiteral("Disk is full. Replace or select other!")},
        {QStringLiteral("Message16"), QStringLiteral("Access denied!")},
        {QStringLiteral("Message17"), QStringLiteral("Drive is write protected!")},
        {QStringLiteral("Message36"), QStringLiteral("Current task: ")},
    };
    return texts.value(key, QStringLiteral("ERROR"));
}

// A prefix in a temporary folder: C: is <tmp>/drive_c, P: is /proc (a drive
// without free space), Z: is /.
class MiniPrefix {
public:
    MiniPrefix() {
        QDir(tmp.path()).mkpath(QStringLiteral("prefix/dosdevices"));
        QDir(tmp.path()).mkpath(QStringLiteral("prefix/drive_c"));
        QFile::link(QStringLiteral("../drive_c"),
                    tmp.filePath(QStringLiteral("prefix/dosdevices/c:")));
        QFile::link(QStringLiteral("/proc"), tmp.filePath(QStringLiteral("prefix/dosdevices/p:")));
        QFile::link(QStringLiteral("/"), tmp.filePath(QStringLiteral("prefix/dosdevices/z:")));
        files = std::make_unique<platform::Files>(
            platform::DriveMap::fromPrefix(tmp.filePath(QStringLiteral("prefix"))));
    }
    QString host(const QString& winPath) const { return files->hostPath(winPath).value(); }
    // Writes a file of size bytes at a C: path; returns the Windows path.
    QString write(const QString& winPath, qint64 size, char fill = 'x') const {
        const QString h = files->hostPath(winPath).value();
        QDir().mkpath(QFileInfo(h).path());
        QFile f(h);
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(size, fill));
        return winPath;
    }
    QTemporaryDir tmp;
    std::unique_ptr<platform::Files> files;
};

struct ToolResult {
    int exitCode = -1;
    QString output;
};

inline ToolResult runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ToolResult r;
    if (!p.waitForFinished(120000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

// Entry names of an archive as 7-Zip lists them ("Path = ..."), folders left out.
inline QStringList sevenZipNames(const QString& archive, const QString& password = QString()) {
    QStringList args{QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-ba")};
    args << QStringLiteral("-p") + password << archive;
    const ToolResult r = runTool(QStringLiteral("7z"), args);
    QStringList names;
    QString path;
    for (const QString& line : r.output.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1String("Path = ")))
            path = t.mid(7);
        else if (t.startsWith(QLatin1String("Folder = ")) && t.mid(9) != QLatin1String("+") &&
                 !path.isEmpty())
            names << path;
    }
    names.sort();
    return names;
}

// The "Encrypted = " flags ("+" or "-") of an archive's entries as 7-Zip lists them.
inline QString sevenZipEncryption(const QString& archive) {
    const QString listed = runTool("7z", {"l", "-slt", "-ba", archive}).output;
    QString flags;
    for (const QString& line : listed.split(u'\n'))
        if (line.startsWith(QLatin1String("Encrypted = "))) flags += line.trimmed().back();
    return flags;
}

// A host folder that this process cannot list while the object lives: mode
// 000, and, since modes do not stop root, without the calling thread's
// capabilities that let root pass them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH)
// until it ends. Threads started meanwhile inherit that. active() says whether
// the folder really cannot be listed.
class UnreadableFolder {
public:
    explicit UnreadableFolder(const QString& hostPath) : path_(QFile::encodeName(hostPath)) {
        struct stat st {};
        if (::stat(path_.constData(), &st) != 0) return;
        mode_ = st.st_mode & 07777;
        if (::chmod(path_.constData(), 0) != 0) return;
        chmodded_ = true;
        if (::geteuid() == 0 && ::syscall(SYS_capget, &header_, saved_) == 0) {
            __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
            lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
        }
        DIR* dir = ::opendir(path_.constData());
        active_ = dir == nullptr;
        if (dir) ::closedir(dir);
    }
    ~UnreadableFolder() {
        if (lowered_) ::syscall(SYS_capset, &header_, saved_);
        if (chmodded_) ::chmod(path_.constData(), mode_);
    }
    UnreadableFolder(const UnreadableFolder&) = delete;
    UnreadableFolder& operator=(const UnreadableFolder&) = delete;
    bool active() const { return active_; }

private:
    QByteArray path_;
    mode_t mode_ = 0;
    bool chmodded_ = false;
    bool lowered_ = false;
    bool active_ = false;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
};

} // namespace testsupport
