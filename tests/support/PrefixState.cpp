#include "support/PrefixState.h"

#include "platform/HiveFile.h"
#include "platform/RegistryText.h"
#include "platform/WineRegistryEditor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace support {

namespace {

// Keys Wine itself writes anew at every start of its server, whatever runs.
const char* const kWineOwn[] = {
    "system.reg:software\\microsoft\\windows nt\\currentversion\\networkcards",
    "system.reg:software\\wow6432node\\microsoft\\windows\\currentversion\\runservices",
};

void walk(const platform::HiveKey& key, const QString& hive, std::map<QString, QString>& out) {
    const QString path = hive + u':' + platform::regtext::foldName(key.path());
    for (const char* own : kWineOwn)
        if (path == QLatin1String(own)) return;
    out[path] = QString();
    for (const platform::RegValue& v : key.values())
        out[path + QStringLiteral("\\\\") + platform::regtext::foldName(v.name)] =
            QStringLiteral("%1:%2").arg(v.type).arg(QString::fromLatin1(v.data.toHex()));
    for (const auto& sub : key.subKeys())
        walk(*sub, hive, out);
}

} // namespace

PrefixState readPrefixState(const QString& prefixDir, const QStringList& skip) {
    PrefixState s;
    const QDir drive(prefixDir + QStringLiteral("/drive_c"));
    QDirIterator it(drive.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = drive.relativeFilePath(it.next());
        if (std::any_of(skip.cbegin(), skip.cend(), [&rel](const QString& f) {
                return rel.startsWith(f + u'/', Qt::CaseInsensitive);
            }))
            continue;
        QFile f(it.filePath());
        s.files[rel] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    for (const char* hive : {"user.reg", "system.reg"}) {
        QFile f(prefixDir + u'/' + QLatin1String(hive));
        if (!f.open(QIODevice::ReadOnly)) continue;
        walk(platform::HiveFile::parse(f.readAll()).root(), QLatin1String(hive), s.registry);
    }
    return s;
}

QString prefixDifferences(const PrefixState& before, const PrefixState& after) {
    QStringList out;
    const auto compare = [&out](const auto& a, const auto& b, const QString& kind) {
        for (const auto& [name, v] : a) {
            const auto it = b.find(name);
            if (it == b.end())
                out << kind + QStringLiteral(" gone: ") + name;
            else if (it->second != v)
                out << kind + QStringLiteral(" changed: ") + name;
        }
        for (const auto& [name, v] : b)
            if (!a.count(name)) out << kind + QStringLiteral(" added: ") + name;
    };
    compare(before.files, after.files, QStringLiteral("file"));
    compare(before.registry, after.registry, QStringLiteral("registry"));
    return out.mid(0, 20).join(u'\n');
}

bool writeHostFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

using platform::wineEnvironment;

void bringWineUpToDate(const QString& prefixDir) {
    QProcess p;
    p.setProcessEnvironment(wineEnvironment(prefixDir));
    p.start(QStringLiteral("wine"), {QStringLiteral("wineboot"), QStringLiteral("-u")});
    p.waitForFinished(180000);
    stopWine(prefixDir);
}

bool runWine(const QString& prefixDir, const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(wineEnvironment(prefixDir));
    p.start(QStringLiteral("wine"), args);
    const bool ok =
        p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    stopWine(prefixDir);
    return ok;
}

void stopWine(const QString& prefixDir) {
    QProcess p;
    p.setProcessEnvironment(wineEnvironment(prefixDir));
    for (const char* flag : {"-k", "-w"}) {
        p.start(QStringLiteral("wineserver"), {QLatin1String(flag)});
        p.waitForFinished(60000);
    }
}

} // namespace support
