#include "schedule/CompanionControl.h"

#include "base/Settings.h"
#include "clients/ProcessList.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "schedule/companion/CompanionLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace schedule {

const QString CompanionControl::kCompanionName = QStringLiteral("ZuveDizizo.exe");
const QString CompanionControl::kRunKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString CompanionControl::kRunValue = QStringLiteral("ZuveDizizo");

namespace {

// An argument of a desktop entry's Exec line: quoted, with the characters
// that quoting leaves special escaped, then the string-level escapes.
QString execArgument(const QString& arg) {
    QString quoted;
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return quoted;
}

} // namespace

CompanionControl::CompanionControl(platform::Registry& reg, const platform::Files& fs,
                                   clients::ProcessList& procList, QString programFolder,
                                   ShowMessage showMessage)
    : reg_(reg), fs_(fs), procList_(procList), programFolder_(std::move(programFolder)),
      showMessage_(std::move(showMessage)) {}

QString CompanionControl::AutostartPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/ZuveDizizo.desktop");
}

QByteArray CompanionControl::AutostartEntry(const QString& hostProgram, const QString& winePrefix) {
    QString exec = execArgument(hostProgram);
    if (!winePrefix.isEmpty())
        exec = QStringLiteral("env ") + execArgument(QStringLiteral("WINEPREFIX=") + winePrefix) +
               QLatin1Char(' ') + exec;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=ZuveDizizo\n"
                                        "Comment=Scheduled backups of Postora\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "NoDisplay=true\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(exec);
    return text.toUtf8();
}

platform::Status CompanionControl::RegisterStartup() {
    platform::Status status;
    auto run = reg_.open(platform::HKEY_LOCAL_MACHINE, kRunKey, true);
    if (run)
        status = run.value().writeString(kRunValue, CompanionPath());
    else
        status = run.status();

    const auto host = fs_.hostPath(CompanionPath());
    if (!host) return host.status();
    if (host.value().contains(QLatin1Char('\n')) || host.value().contains(QLatin1Char('\r')))
        return platform::Error{platform::kInvalidName,
                               QStringLiteral("The program folder's name cannot be started")};
    const QString path = AutostartPath();
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(AutostartEntry(host.value(), qEnvironmentVariable("WINEPREFIX"))) < 0 ||
        !file.commit())
        return platform::Error{platform::kAccessDenied,
                               QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
    return status;
}

platform::Status CompanionControl::UnregisterStartup() {
    platform::Status status;
    auto run = reg_.open(platform::HKEY_LOCAL_MACHINE, kRunKey);
    if (run && run.value().valueExists(kRunValue)) status = run.value().deleteValue(kRunValue);
    const QString path = AutostartPath();
    if (QFile::exists(path) && !QFile::remove(path) && status)
        status =
            platform::Error{platform::kAccessDenied, QStringLiteral("Cannot remove %1").arg(path)};
    return status;
}

std::optional<quint32> CompanionControl::companionPid(bool exactName) {
    // The companion of this user holds the lock beside this user's hive; a
    // process of the same name that holds no such lock (another user's, another
    // installation's) is not ours to count or to end.
    qint64 pid = 0;
    QString host;
    QString app;
    QLockFile lock(companion::CompanionLockPath(reg_));
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0) return std::nullopt;
    procList_.Refresh();
    for (const auto& e : procList_.processes()) {
        if (e.info.pid != quint32(pid)) continue;
        const bool named = exactName ? e.name == kCompanionName
                                     : e.name.contains(kCompanionName, Qt::CaseInsensitive);
        if (named) return quint32(pid);
    }
    return std::nullopt;
}

bool CompanionControl::IsRunning() {
    return companionPid(false).has_value();
}

bool CompanionControl::Start() {
    bool started = false;
    if (fs_.fileExists(CompanionPath())) {
        const auto host = fs_.hostPath(CompanionPath());
        if (host) {
            const QFileInfo info(host.value());
            started = info.isExecutable() &&
                      platform::startDetached(host.value(), {}, info.path()).isOk();
        }
    }
    if (!started && showMessage_) showMessage_(QStringLiteral("Message49"));
    return started;
}

CompanionControl::EndResult CompanionControl::End() {
    const std::optional<quint32> pid = companionPid(true);
    if (!pid) return EndResult::NotRunning;
    auto process = platform::ProcessHandle::openForTerminate(*pid);
    if (!process) {
        if (showMessage_) showMessage_(QStringLiteral("Message2"));
        return EndResult::Failed;
    }
    if (!process.value().terminate(-1)) return EndResult::Failed;
    process.value().waitForExit();
    return EndResult::Ended;
}

void CompanionControl::SetEnabled(bool enabled, base::Settings& settings) {
    settings.scheduleEnabled = enabled;
    SetEnabled(enabled);
}

void CompanionControl::SetEnabled(bool enabled) {
    if (enabled) {
        // A refused write is no reason to leave the companion stopped now, but
        // the person must learn that scheduled backups will not survive a logout.
        const platform::Status registered = RegisterStartup();
        if (!registered && report_)
            report_(QStringLiteral("Scheduled backups could not be set to start with your "
                                   "desktop session: %1")
                        .arg(registered.message()));
        if (!IsRunning()) Start();
    } else {
        UnregisterStartup();
        End();
    }
}

} // namespace schedule
