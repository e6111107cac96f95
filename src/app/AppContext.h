#pragma once
// The composition root: every process-wide object of the program, made once at
// start-up in the order the start-up steps need them and handed to whoever
// works with them. Nothing here shows a window.

#include "platform/WindowsInstallation.h"

#include <QString>

#include <memory>
#include <optional>

namespace platform {
class Registry;
class Files;
class StagingFolder;
} // namespace platform
namespace lang {
class Localization;
}
namespace regdump {
class RegistryDump;
}
namespace clients {
class ClientCatalogue;
class ProcessList;
class WindowList;
class RunningClientGuard;
} // namespace clients
namespace backup {
class BackupEngine;
class BackupJob;
} // namespace backup

namespace base {
class Interaction;
struct Settings;
} // namespace base

namespace app {

class SettingsStore;

class AppContext {
public:
    // ui outlives the context. The registry and the drives come from the
    // environment (WINEPREFIX, XDG_CONFIG_HOME), or from the mounted Windows
    // installation when one is given.
    explicit AppContext(base::Interaction& ui,
                        const std::optional<platform::WindowsInstallation>& windows = {});
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    base::Interaction& ui() { return ui_; }
    platform::Registry& registry() { return *registry_; }
    const platform::Files& files() const { return *files_; }
    SettingsStore& settingsStore() { return *settingsStore_; }
    base::Settings& settings();
    lang::Localization& localization() { return *localization_; }
    clients::ClientCatalogue& catalogue() { return *catalogue_; }
    clients::ProcessList& procList() { return *procList_; }
    clients::WindowList& winList() { return *winList_; }
    clients::RunningClientGuard& guard() { return *guard_; }

    // The registry dump component, the message table, the staging folder and
    // the archiving library from programHostFolder. False when the library
    // cannot be loaded; the other objects exist all the same.
    bool InitBackupEngine(const QString& programHostFolder);
    // Made by InitBackupEngine; null before.
    regdump::RegistryDump* dump() { return dump_.get(); }
    platform::StagingFolder* staging() { return staging_.get(); }
    backup::BackupEngine* engine() { return engine_.get(); }
    // The one backup job every caller runs backups through.
    backup::BackupJob* job() { return job_.get(); }

    // A message of the program-wide table ("Message1" ...).
    QString message(const QString& key);

private:
    base::Interaction& ui_;
    std::unique_ptr<platform::Registry> registry_;
    std::unique_ptr<platform::Files> files_;
    std::unique_ptr<SettingsStore> settingsStore_;
    std::unique_ptr<lang::Localization> localization_;
    std::unique_ptr<clients::ClientCatalogue> catalogue_;
    std::unique_ptr<clients::ProcessList> procList_;
    std::unique_ptr<clients::WindowList> winList_;
    std::unique_ptr<clients::RunningClientGuard> guard_;
    std::unique_ptr<regdump::RegistryDump> dump_;
    std::unique_ptr<platform::StagingFolder> staging_;
    std::unique_ptr<backup::BackupEngine> engine_;
    std::unique_ptr<backup::BackupJob> job_;
};

} // namespace app
