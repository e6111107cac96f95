#include "app/gui/RestoreSteps.h"

#include "app/gui/CheckLists.h"

#include "app/AppContext.h"
#include "backup/BackupEngine.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "platform/Files.h"
#include "restore/ArchiveReader.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

namespace app {

QString BackupFolderOnHost(AppContext& ctx, const QString& backupFolder) {
    QString folder = backupFolder.isEmpty() ? ctx.settings().backupDir : backupFolder;
    if (folder.isEmpty()) folder = ctx.settings().documentsFolder;
    for (QString win = platform::extractFilePath(folder); !win.isEmpty();) {
        const auto mapped = ctx.files().hostPath(win);
        if (mapped && QFileInfo(*mapped).isDir()) return *mapped;
        // A folder not made yet: the nearest one above it that is there.
        const QString up = platform::extractFilePath(win.left(win.size() - 1));
        if (up == win) break;
        win = up;
    }
    return QDir::homePath();
}

QString RestoreText(AppContext& ctx, const QString& key, const QString& english) {
    const QString text = ctx.message(key);
    // The table answers "ERROR" for a key its file lacks.
    return text.isEmpty() || text == QLatin1String("ERROR") ? english : text;
}

QString RestoreSubject(AppContext& ctx, const restore::RestoreReport& contents,
                       const QString& archive) {
    const QString client = contents.emailClient.isEmpty()
                               ? clients::ManifestName(contents.clientCode)
                               : contents.emailClient;
    return RestoreText(ctx, QStringLiteral("RestoreSubject"), QStringLiteral("%1, from %2"))
        .arg(client, ctx.files().windowsPath(archive));
}

QStringList RestoreDetails(AppContext& ctx, const restore::RestoreReport& r) {
    QStringList details;
    if (!r.ok()) {
        const QString reason = r.error.trimmed();
        details << (reason.isEmpty() ? RestoreText(ctx, QStringLiteral("RestoreUnfinished"),
                                                   QStringLiteral("The restore did not finish."))
                                     : reason);
    }
    if (!r.safetyArchive.isEmpty() && !r.error.contains(r.safetyArchive))
        details << RestoreText(ctx, QStringLiteral("RestoreSafetyNote"),
                               QStringLiteral("The state before the restore is in %1"))
                       .arg(r.safetyArchive);
    if (!r.placed.isEmpty())
        details << RestoreText(ctx, QStringLiteral("RestorePlacedCount"),
                               QStringLiteral("%1 file(s) placed."))
                       .arg(r.placed.size());
    if (!r.rewrites.isEmpty()) {
        details << RestoreText(ctx, QStringLiteral("RestoreRewrites"),
                               QStringLiteral("Paths changed to this prefix's user:"));
        for (const QString& line : r.rewrites)
            details << QStringLiteral("    ") + line;
    }
    for (const QString& e : r.undetermined)
        details << RestoreText(ctx, QStringLiteral("RestoreNoPlaceFor"),
                               QStringLiteral("No place known for %1; not restored."))
                       .arg(e);
    if (!r.undetermined.isEmpty())
        details << RestoreText(
            ctx, QStringLiteral("RestoreNoPlaceHint"),
            QStringLiteral("Next step: install the e-mail client in this Wine prefix and start "
                           "it once, then restore again; or restore into a folder and import "
                           "the files into the client yourself."));
    return details;
}

std::optional<restore::RestoreJob>
MakeRestoreJob(AppContext& ctx, std::function<bool(int)> clientRunning, QString& error) {
    if (!ctx.job() || !ctx.engine()) {
        error = QStringLiteral("The archiving library is not loaded.");
        return std::nullopt;
    }
    std::optional<restore::RestoreJob> job;
    job.emplace(restore::RestoreJob::Deps{*ctx.job(), ctx.engine()->library(), ctx.registry(),
                                          ctx.files(), ctx.catalogue(), ctx.ui(),
                                          std::move(clientRunning)});
    // Its progress lines and outcome in the language in use.
    job->messages = [&ctx](const QString& key) { return ctx.message(key); };
    return job;
}

bool InspectBackup(AppContext& ctx, const QString& archive, QString& password,
                   restore::RestoreReport& seen) {
    QString error;
    std::optional<restore::RestoreJob> job = MakeRestoreJob(
        ctx, [](int) { return false; }, error);
    if (!job) {
        ctx.ui().showError(error);
        return false;
    }
    password = ctx.settings().backupPassword;
    seen = job->Inspect(archive, password);
    if (seen.libraryCode == restore::kReadPasswordNeeded ||
        seen.libraryCode == restore::kReadBadPassword) {
        password = ctx.ui().askPassword();
        if (password.isEmpty()) return false;
        seen = job->Inspect(archive, password);
    }
    if (!seen.ok()) {
        // The reasons met most are said in the language in use; others as the reader words them.
        QString reason = seen.error;
        switch (seen.libraryCode) {
        case restore::kReadPasswordNeeded:
        case restore::kReadBadPassword:
            reason =
                MessageOr(ctx, QStringLiteral("Message6"), QStringLiteral("Incorect password!"));
            break;
        case restore::kReadBadArchive:
            reason = RestoreText(ctx, QStringLiteral("RestoreNotAnArchive"), reason);
            break;
        case restore::kReadBadData:
            reason = RestoreText(ctx, QStringLiteral("RestoreDamagedData"), reason);
            break;
        default:
            break;
        }
        ctx.ui().showError(RestoreText(ctx, QStringLiteral("RestoreCannotRead"),
                                       QStringLiteral("%1 cannot be restored: %2"))
                               .arg(QFileInfo(archive).fileName(), reason));
        return false;
    }
    return true;
}

restore::RestoreRequest MakeRestoreRequest(AppContext& ctx, const QString& archive,
                                           const QString& password, const QListWidget& identities,
                                           const QListWidget& items,
                                           const std::optional<QString>& winFolder) {
    restore::RestoreRequest request;
    request.archive = archive;
    request.password = password;
    auto ticked = [](const QListWidget& list) {
        QStringList names;
        for (const backup::Selected& s : SelectedOf(list))
            if (s.ticked) names << s.name;
        return names;
    };
    request.choice.identities = ticked(identities);
    request.choice.items = ticked(items);
    if (winFolder) {
        request.destination = restore::RestoreRequest::Destination::Folder;
        const auto host = ctx.files().hostPath(*winFolder);
        request.folder = host ? *host : QString();
    } else {
        QString folder = ctx.settings().backupDir;
        if (folder.isEmpty()) folder = ctx.settings().documentsFolder;
        request.safetyFolder = folder;
    }
    return request;
}

QString MessageOr(AppContext& ctx, const QString& key, const QString& english) {
    const QString text = ctx.message(key);
    return text.isEmpty() || text == QLatin1String("ERROR") ? english : text;
}

QString ClosedClientsText(AppContext& ctx) {
    const clients::RunningClientGuard::Ended& ended = ctx.guard().lastEnded();
    QStringList lines;
    auto add = [&](const QStringList& names, const char* key, const char* english) {
        if (!names.isEmpty())
            lines << MessageOr(ctx, QLatin1String(key), QLatin1String(english))
                         .arg(names.join(QStringLiteral(", ")));
    };
    add(ended.onRequest, "ClosedOnRequest", "Closed when asked: %1.");
    add(ended.byForce, "ClosedByForce",
        "Did not close when asked and was ended by force (what it had not saved is lost): %1.");
    add(ended.notAtAll, "ClosedNotAtAll", "Could not be ended: %1. Close it yourself.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace app
