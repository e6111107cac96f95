#include "backup/BackupEngine.h"

#include "backup/BackupContext.h"
#include "backup/collectors/Collector.h"
#include "backup/collectors/EudoraCollector.h"
#include "backup/collectors/FavoritesCollector.h"
#include "backup/collectors/IncrediMailCollector.h"
#include "backup/collectors/NetscapeCollector.h"
#include "backup/collectors/OperaCollector.h"
#include "backup/collectors/OutlookCollector.h"
#include "backup/collectors/OutlookExpressCollector.h"
#include "backup/collectors/PegasusCollector.h"
#include "backup/collectors/PocoMailCollector.h"
#include "backup/collectors/TheBatCollector.h"
#include "clients/Clients.h"

#include <QDir>

namespace backup {

namespace {
struct CollectorRow {
    int codes[3]; // unused places are 0
    CollectorFn run;
};

// One line per collector.
const CollectorRow kCollectors[] = {
    {{clients::kOutlookExpress}, &RunOutlookExpress},
    {{clients::kOutlook}, &RunOutlook},
    {{clients::kEudora}, &RunEudora},
    {{clients::kIncrediMail}, &RunIncrediMail},
    {{clients::kPegasus}, &RunPegasus},
    {{clients::kTheBat}, &RunTheBat},
    {{clients::kPocoMail2, clients::kPocoMail3, clients::kPocoMail20}, &RunPocoMail},
    {{clients::kOpera6}, &RunOpera6},
    {{clients::kOpera7}, &RunOpera7},
    {{clients::kNetscape4}, &RunNetscape4},
    {{clients::kNetscape67}, &RunNetscape67},
    {{clients::kFavorites}, &RunFavorites},
};

// The caller's entries alone, through the same checks and writer.
class ExtrasOnly final : public Collector {
public:
    using Collector::Collector;
    bool Run() override {
        BeginArchive();
        FinishArchive();
        return Failed();
    }
};
bool RunExtrasOnly(BackupContext& ctx, const BackupRequest& request) {
    return ExtrasOnly(ctx, request).Run();
}
} // namespace

CollectorFn CollectorFor(int clientCode) {
    if (clientCode == 0) return nullptr;
    for (const CollectorRow& row : kCollectors) {
        for (int code : row.codes) {
            if (code == clientCode) return row.run;
        }
    }
    return nullptr;
}

BackupEngine::BackupEngine(Deps deps)
    : d_(std::move(deps)), list_(d_.files),
      driver_(SqxDriver::Deps{library_, list_, state_, d_.settings, d_.ui, d_.files, d_.message,
                              d_.stagingFolder}) {}

bool BackupEngine::LoadSqx(const QString& programHostFolder) {
    return library_.load(
        QDir(programHostFolder).filePath(QString::fromLatin1(SqxLibrary::kFileName)));
}

bool BackupEngine::RunBackup(const BackupRequest& request, RunFor runFor) {
    const CollectorFn run = !CollectorFor(request.clientCode) ? nullptr
                            : runFor.extrasOnly               ? &RunExtrasOnly
                                                              : CollectorFor(request.clientCode);
    if (!run) return false;
    if (running_) {
        // Reached again through the event pumping of the run at work: the
        // shared list and state belong to that run.
        return true;
    }
    const QString limit = RequestLimitError(request.identityCount, request.itemCount);
    if (!limit.isEmpty()) {
        state_.fail(QLatin1Char(' ') + limit);
        return true;
    }
    if (d_.stagingFolder.isEmpty()) {
        // Without it the registry dumps and manifests would be missing.
        state_.fail(QStringLiteral(" The temporary folder could not be made."));
        return true;
    }
    base::Interaction& ui = runFor.ui ? *runFor.ui : d_.ui;
    struct Scope {
        BackupEngine& e;
        Scope(BackupEngine& engine, const RunFor& r, base::Interaction& ui) : e(engine) {
            e.running_ = true;
            e.driver_.beginRun(ui, r.progress, r.abort);
        }
        ~Scope() {
            e.driver_.endRun();
            e.running_ = false;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    } scope(*this, runFor, ui);
    BackupContext ctx{d_.registry, d_.files, d_.dump,          list_,      driver_,
                      state_,      ui,       d_.stagingFolder, JobState{}, d_.netscapeProfilePaths};
    ctx.extraEntries = runFor.extraEntries;
    return run(ctx, request);
}

bool BackupEngine::DryRun(const BackupRequest& request) {
    struct ListOnly {
        SqxDriver& w;
        explicit ListOnly(SqxDriver& writer) : w(writer) { w.setListOnly(true); }
        ~ListOnly() { w.setListOnly(false); }
        ListOnly(const ListOnly&) = delete;
        ListOnly& operator=(const ListOnly&) = delete;
    } listOnly(driver_);
    return RunBackup(request);
}

} // namespace backup
