#include "support/WineProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace support {

namespace {

QByteArray procFile(const QString& pid, const char* name) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <typename Match> std::vector<int> findProcesses(Match match) {
    std::vector<int> out;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int n = pid.toInt(&number);
        if (number && match(pid)) out.push_back(n);
    }
    return out;
}

template <typename Match> std::optional<int> findProcess(Match match) {
    const std::vector<int> all = findProcesses(match);
    return all.empty() ? std::nullopt : std::optional<int>(all.front());
}

bool startedFor(const QString& pid, const QString& prefixDir) {
    return procFile(pid, "environ")
        .split('\0')
        .contains("WINEPREFIX=" + QFile::encodeName(prefixDir));
}

} // namespace

std::optional<int> wineProgramPid(const QString& prefixDir, const QString& exeName) {
    return findProcess([&](const QString& pid) {
        return procFile(pid, "comm").trimmed() == exeName.toUtf8() && startedFor(pid, prefixDir);
    });
}

std::vector<int> winePids(const QString& prefixDir) {
    const QString self = QString::number(::getpid());
    return findProcesses(
        [&](const QString& pid) { return pid != self && startedFor(pid, prefixDir); });
}

std::optional<int> wineServerPid(const QString& prefixDir) {
    struct stat st {};
    if (::stat(QFile::encodeName(prefixDir).constData(), &st) != 0) return std::nullopt;
    const QString dir = QStringLiteral("/server-%1-%2")
                            .arg(qulonglong(st.st_dev), 0, 16)
                            .arg(qulonglong(st.st_ino), 0, 16);
    return findProcess([&](const QString& pid) {
        return procFile(pid, "comm").startsWith("wineserver") &&
               QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget().endsWith(dir);
    });
}

} // namespace support
