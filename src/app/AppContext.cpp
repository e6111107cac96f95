#include "app/AppContext.h"

#include "app/SettingsStore.h"
#include "backup/BackupEngine.h"
#include "backup/BackupJob.h"
#include "base/Interaction.h"
#include "clients/Clients.h"
#include "clients/ProcessList.h"
#include "clients/RunningClientGuard.h"
#include "clients/WindowList.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/PlacementJournal.h"
#include "platform/Registry.h"
#include "regdump/RegistryDump.h"

#include <QFileInfo>

namespace app {

AppContext::AppContext(base::Interaction& ui,
                       const std::optional<platform::WindowsInstallation>& windows)
    : ui_(ui) {
    const platform::Registry::Config config = platform::Registry::configFromEnvironment(windows);
    registry_ = std::make_unique<platform::Registry>(config);
    files_ = std::make_unique<platform::Files>(
        config.windows ? platform::DriveMap::fromWindows(*config.windows)
                       : platform::DriveMap::fromPrefix(config.prefixDir));
    settingsStore_ = std::make_unique<SettingsStore>(*registry_, *files_);
    localization_ = std::make_unique<lang::Localization>(*files_, ui_, settingsStore_->settings());
    catalogue_ = std::make_unique<clients::ClientCatalogue>(*registry_, *files_, &ui_);
    procList_ = std::make_unique<clients::ProcessList>();
    winList_ = std::make_unique<clients::WindowList>();
    // The guard's list: every window with a title, visible or not.
    winList_->WhatDoFind = clients::id_All;
    winList_->TaskBarSty = false;
    guard_ = std::make_unique<clients::RunningClientGuard>(*winList_, ui_);
}

AppContext::~AppContext() = default;

base::Settings& AppContext::settings() {
    return settingsStore_->settings();
}

QString AppContext::message(const QString& key) {
    return localization_->messages().GetMessage(key);
}

bool AppContext::InitBackupEngine(const QString& programHostFolder) {
    dump_ = std::make_unique<regdump::RegistryDump>(*registry_, *files_);
    lang::MessageTable& table = localization_->messages();
    table.SetFileName(localization_->languageFilePath());
    table.Open();
    staging_ = std::make_unique<platform::StagingFolder>(files_->drives());
    // Files a killed restore was placing; its staging went with the line above.
    platform::PlacementJournal::removeLeftovers(
        QFileInfo(registry_->config().ownHivePath).absolutePath());
    if (staging_->isValid()) files_->setScratchFolder(staging_->hostPath());
    engine_ = std::make_unique<backup::BackupEngine>(
        backup::BackupEngine::Deps{*registry_, *files_, *dump_, settingsStore_->settings(), ui_,
                                   [this](const QString& key) { return message(key); },
                                   staging_->windowsPath(), &catalogue_->NetscapeProfilePaths()});
    job_ = std::make_unique<backup::BackupJob>(
        *engine_, [this](int code) { return guard_->CheckRunningClient(code); });
    return engine_->LoadSqx(programHostFolder);
}

} // namespace app
