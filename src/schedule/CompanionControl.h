#pragma once
// What switching scheduled backups on and off does: the companion scheduler
// is registered to start with the session (the machine's Run key, and an XDG
// autostart entry beside it), started when it is not running, and ended.

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace clients {
class ProcessList;
}

namespace base {
struct Settings;
} // namespace base

namespace schedule {

class CompanionControl {
public:
    static const QString kCompanionName; // "ZuveDizizo.exe"
    static const QString kRunKey;        // HKLM "Software\Microsoft\Windows\CurrentVersion\Run"
    static const QString kRunValue;      // "ZuveDizizo"

    // Shows a message of the message table ("Message49", "Message2") in an error box.
    using ShowMessage = std::function<void(const QString& key)>;

    // programFolder: Windows form, with its trailing backslash.
    CompanionControl(platform::Registry& reg, const platform::Files& fs,
                     clients::ProcessList& procList, QString programFolder,
                     ShowMessage showMessage);

    // Where a failure to register the companion with the session is told (a
    // whole text); without it the failure goes unsaid.
    void setFailureReport(std::function<void(const QString& text)> report) {
        report_ = std::move(report);
    }

    // The enable box changed state, by the person or from the settings: the
    // setting "ZuveDizizo" takes the state, then the effects follow.
    void SetEnabled(bool enabled, base::Settings& settings);
    // The effects alone.
    void SetEnabled(bool enabled);

    // The Run value and the autostart entry, written or removed together.
    platform::Status RegisterStartup();
    platform::Status UnregisterStartup();

    // This user's companion runs: the process that holds its lock file is
    // there, under a name that contains the companion's.
    bool IsRunning();
    // Starts the companion from the program folder ("Message49" when it cannot).
    bool Start();
    // Ends this user's companion (named exactly so) and waits until it has
    // gone ("Message2" when it cannot be opened).
    enum class EndResult { NotRunning, Ended, Failed };
    EndResult End();

    QString CompanionPath() const { return programFolder_ + kCompanionName; }
    // $XDG_CONFIG_HOME/autostart/ZuveDizizo.desktop
    static QString AutostartPath();
    // The entry that starts hostProgram, with the Wine prefix in use when one is set.
    static QByteArray AutostartEntry(const QString& hostProgram, const QString& winePrefix);

private:
    std::optional<quint32> companionPid(bool exactName);

    platform::Registry& reg_;
    const platform::Files& fs_;
    clients::ProcessList& procList_;
    QString programFolder_;
    ShowMessage showMessage_;
    std::function<void(const QString&)> report_;
};

} // namespace schedule
