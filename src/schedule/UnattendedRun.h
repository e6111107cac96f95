#pragma once
// "/auto": the unattended run behind scheduled backups. Every client selected
// in the schedule is backed up into a new archive in the schedule's folder,
// unless it is running; older archives are then thinned out as the options say.

#include <QString>

#include <functional>

namespace app {
class AppContext;
}

namespace schedule {

class UnattendedRun {
public:
    explicit UnattendedRun(app::AppContext& ctx);

    // Where failures and skipped clients are told, one line each (standard error by default).
    std::function<void(const QString&)> reportLine;

    // The exit status: 0 when every selected client was backed up, 1 when one
    // failed or was skipped, or another unattended run was still at work.
    int Run();

    // The lock that keeps two unattended runs from working at once: beside the program's hive.
    static QString LockPath(app::AppContext& ctx);

private:
    int runLocked();
    bool backupClient(const QString& keyName, const QString& folder, const QString& logonPart);
    QString logonName();

    app::AppContext& ctx_;
};

// The command-line handlers of "/auto" and "/uninstall".
int RunAutoCommand(app::AppContext& ctx);
int RunUninstallCommand(app::AppContext& ctx);

} // namespace schedule
