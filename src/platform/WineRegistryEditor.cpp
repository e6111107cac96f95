#include "platform/WineRegistryEditor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

constexpr int kWineTimeoutMs = 180000; // a first start may update the prefix

// Wine starts the prefix's C:\windows\regedit.exe for "regedit"; where that
// file is some other program (a stand-in an installer or a sample left there),
// Wine's own is run from Wine's library folder. Empty when it cannot be found.
QString regeditProgram(const QString& prefixRegedit) {
    const QString plain = QStringLiteral("regedit");
    QFile f(prefixRegedit);
    if (!f.exists()) return plain; // Wine puts its own there when it updates the prefix
    const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(0x100) : QByteArray();
    if (head.contains("Wine builtin DLL") || head.contains("Wine placeholder DLL")) return plain;
    QStringList libs;
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (!wine.isEmpty()) {
        const QString bin = QFileInfo(QFileInfo(wine).canonicalFilePath()).absolutePath();
        libs << bin + QStringLiteral("/../lib/wine") << bin + QStringLiteral("/../lib64/wine")
             << bin + QStringLiteral("/../lib/x86_64-linux-gnu/wine") << bin;
    }
    libs << QStringLiteral("/usr/lib/x86_64-linux-gnu/wine") << QStringLiteral("/usr/lib/wine")
         << QStringLiteral("/usr/lib64/wine") << QStringLiteral("/usr/local/lib/wine")
         << QStringLiteral("/usr/local/lib64/wine") << QStringLiteral("/opt/wine-stable/lib64/wine")
         << QStringLiteral("/opt/wine-stable/lib/wine");
    for (const QString& lib : libs)
        for (const char* arch : {"x86_64-windows", "i386-windows"}) {
            const QFileInfo own(lib + QLatin1Char('/') + QLatin1String(arch) +
                                QStringLiteral("/regedit.exe"));
            if (own.isFile()) return own.canonicalFilePath();
        }
    return {};
}

} // namespace

QProcessEnvironment wineEnvironment(const QString& prefixDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefixDir);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("WINEDLLOVERRIDES"),
               QStringLiteral("mscoree,mshtml=;winemenubuilder.exe=d"));
    return env;
}

WineRegistryEditor::WineRegistryEditor(QString prefixDir, QString standIn)
    : prefixDir_(std::move(prefixDir)), program_(regeditProgram(standIn)) {}

bool WineRegistryEditor::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty();
}

void WineRegistryEditor::startWine(QProcess& p, const QString& program,
                                   const QStringList& args) const {
    p.setProcessEnvironment(wineEnvironment(prefixDir_));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
}

WineRegistryEditor::Outcome WineRegistryEditor::importFiles(const QString& folder,
                                                            const QStringList& names) const {
    QProcess p;
    p.setWorkingDirectory(folder);
    startWine(p, QStringLiteral("wine"), QStringList{program_, QStringLiteral("/S")} + names);
    // "wineserver -w" returns at once while there is no server yet, and when
    // the server ends: once it has been seen waiting, its end means the
    // server went away under the editor (the editor keeps it alive).
    QProcess watch;
    bool watching = false;
    QElapsedTimer clock;
    clock.start();
    const auto lost = [&p](const QString& why) {
        p.kill();
        p.waitForFinished();
        return Outcome{Outcome::Lost, why};
    };
    while (!p.waitForFinished(250)) {
        if (p.state() == QProcess::NotRunning) break; // it could not be started
        if (clock.elapsed() > kWineTimeoutMs)
            return lost(QStringLiteral("wine regedit did not finish"));
        if (watch.state() == QProcess::NotRunning || watch.waitForFinished(0)) {
            if (watching) return lost(QStringLiteral("Wine's server ended while wine regedit ran"));
            startWine(watch, QStringLiteral("wineserver"), {QStringLiteral("-w")});
            watching = watch.waitForStarted() && !watch.waitForFinished(300);
        }
    }
    if (watch.state() != QProcess::NotRunning) {
        watch.kill();
        watch.waitForFinished();
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {Outcome::Refused, QStringLiteral("wine regedit failed: %1")
                                      .arg(QString::fromLocal8Bit(p.readAll()).trimmed())};
    return {};
}

bool WineRegistryEditor::waitForServer(int timeoutMs) const {
    QProcess p;
    startWine(p, QStringLiteral("wineserver"), {QStringLiteral("-w")});
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit;
}

} // namespace platform
