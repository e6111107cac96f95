#include "support/WineProcesses.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace support {

std::vector<int> wineProcesses(const QString& prefixDir, const QByteArray& name) {
    const auto read = [](const QString& pid, const char* file) {
        QFile f(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(file)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    std::vector<int> out;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int n = pid.toInt(&number);
        if (number && n != ::getpid() && read(pid, "comm").startsWith(name) &&
            read(pid, "environ").split('\0').contains("WINEPREFIX=" + QFile::encodeName(prefixDir)))
            out.push_back(n);
    }
    return out;
}

} // namespace support
