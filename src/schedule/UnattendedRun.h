#pragma once
// "/auto": the unattended run behind scheduled backups. Every client selected
// in the schedule is backed up into a new archive in the schedule's folder,
// unless it is running; older archives are then thinned out as the options say.

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {
class Registry;
class Files;
} // namespace platform
namespace base {
class Interaction;
struct Settings;
} // namespace base
namespace clients {
class ClientCatalogue;
}
namespace backup {
class BackupJob;
}

namespace schedule {

class UnattendedRun {
public:
    struct Deps {
        platform::Registry& registry;
        const platform::Files& files;
        clients::ClientCatalogue& catalogue;
        const base::Settings& settings;
        backup::BackupJob& job;
        base::Interaction& ui;
        std::function<QString(const QString& key)> message; // "Message20" ...
    };
    explicit UnattendedRun(Deps deps);

    // Where failures and skipped clients are told, one line each (standard error by default).
    std::function<void(const QString&)> reportLine;
    // Told once at the end of a run in which a client failed or was skipped:
    // a desktop notification by default.
    std::function<void(const QString& summary, const QString& body)> notify;

    // The exit status: 0 when every selected client was backed up, 1 when one
    // failed or was skipped, or another unattended run was still at work.
    int Run();

    // The lock that keeps two unattended runs from working at once: beside the program's hive.
    static QString LockPath(const platform::Registry& registry);

private:
    int runLocked();
    bool backupClient(const QString& keyName, const QString& folder, const QString& logonPart);
    // The client's last run, kept in its client key; a failure is also told at the end.
    void recordFailure(int code, const QString& reason);
    // A message-table text; the English one when the language file lacks the key.
    QString text(const QString& key, const QString& english) const;
    QString logonName();

    Deps d_;
    QStringList failures_; // "client: reason", one per client
};

} // namespace schedule
