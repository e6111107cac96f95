#include "backup/DryRun.h"

#include "backup/BackupEngine.h"
#include "clients/ClientTable.h"
#include "clients/Clients.h"
#include "platform/Files.h"

namespace backup {

DryRun::DryRun(platform::Registry& registry, const platform::Files& files,
               clients::ClientCatalogue& catalogue, base::Interaction& ui)
    : files_(files), catalogue_(catalogue), staging_(files.drives()), dump_(registry, files) {
    // The messages belong to archive failures, which a dry run never meets.
    engine_ = std::make_unique<BackupEngine>(BackupEngine::Deps{
        registry, files, dump_, settings_, ui, [](const QString& key) { return key; },
        staging_.windowsPath(), &catalogue_.NetscapeProfilePaths()});
}

DryRun::~DryRun() = default;

ClientDataFolders DryRun::Run(int code, const QString& label) {
    ClientDataFolders result{code, label, {}, {}};
    if (!CollectorFor(code)) {
        result.problem = QStringLiteral("no collector for this client");
        return result;
    }
    QStringList identities;
    QStringList items;
    // Also fills the Netscape 6/7 profile paths that the collector reads.
    catalogue_.GetIdentitiesAndItems(code, identities, items);
    const auto request = MakeBackupRequest(staging_.windowsPath() + QStringLiteral("\\dry-run.ebk"),
                                           code, AllTicked(identities), AllTicked(items));
    if (!request) {
        result.problem = request.error().message;
        return result;
    }
    BackupState& state = engine_->state();
    state.resetForRun();
    engine_->DryRun(request.value());
    if (state.BackupFailed) result.problem = state.BackupErrorText.trimmed();
    result.folders = DataFoldersOf(engine_->list(), staging_.windowsPath(), files_);
    return result;
}

QList<ClientDataFolders> DryRun::RunFound() {
    QList<ClientDataFolders> out;
    for (const clients::ClientRow& row : clients::clientRows()) {
        if (row.code != row.baseCode) continue;
        const int base = row.code;
        const QList<clients::VersionVariant> versions = catalogue_.GetClientVersions(base);
        const bool variants = clients::hasVariants(base);
        if (!catalogue_.IsClientInstalled(base) && versions.isEmpty()) continue;
        if (!variants) {
            out.append(Run(base));
        } else if (versions.isEmpty()) {
            out.append(ClientDataFolders{base, {}, {}, QStringLiteral("no installed version")});
        } else {
            for (const clients::VersionVariant& v : versions)
                out.append(Run(v.code, v.label));
        }
    }
    return out;
}

} // namespace backup
