#pragma once
// Where each client's collector reads its data from, found by running its
// backup in list-only mode: every identity and item ticked, as a command-line
// backup has them, in a staging folder of its own that goes with this object.
// Nothing is archived and the archiving library is not needed.

#include "backup/DataFolders.h"
#include "base/Settings.h"
#include "platform/DriveMap.h"
#include "regdump/RegistryDump.h"

#include <QList>
#include <QString>

#include <memory>

namespace platform {
class Registry;
class Files;
} // namespace platform
namespace clients {
class ClientCatalogue;
}
namespace base {
class Interaction;
} // namespace base

namespace backup {

class BackupEngine;

class DryRun {
public:
    // ui takes what the collectors show (their warnings) and lets events run.
    DryRun(platform::Registry& registry, const platform::Files& files,
           clients::ClientCatalogue& catalogue, base::Interaction& ui);
    ~DryRun();
    DryRun(const DryRun&) = delete;
    DryRun& operator=(const DryRun&) = delete;

    // One client code; label is the version label to show for a variant code.
    ClientDataFolders Run(int code, const QString& label = QString());
    // Every client the catalogue finds: installed, or with an installed
    // version; for PocoMail, Opera and Netscape each installed version.
    QList<ClientDataFolders> RunFound();

    BackupEngine& engine() { return *engine_; }
    const QString& stagingFolder() const { return staging_.windowsPath(); }

private:
    const platform::Files& files_;
    clients::ClientCatalogue& catalogue_;
    platform::StagingFolder staging_;
    regdump::RegistryDump dump_;
    base::Settings settings_;
    std::unique_ptr<BackupEngine> engine_;
};

} // namespace backup
