#include "app/gui/RestoreSteps.h"

#include "app/gui/CheckLists.h"

#include "app/AppContext.h"
#include "app/RestoreSession.h"
#include "backup/BackupEngine.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "lang/MessageTable.h"
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

QString RestoreSubject(AppContext& ctx, const restore::RestoreReport& contents,
                       const QString& archive) {
    const QString client = contents.emailClient.isEmpty()
                               ? clients::ManifestName(contents.clientCode)
                               : contents.emailClient;
    return MessageOr(ctx, QStringLiteral("RestoreSubject"), QStringLiteral("%1, from %2"))
        .arg(client, ctx.files().windowsPath(archive));
}

QStringList RestoreDetails(AppContext& ctx, const restore::RestoreReport& r) {
    QStringList details;
    if (!r.ok()) {
        const QString reason = r.error.trimmed();
        details << (reason.isEmpty() ? MessageOr(ctx, QStringLiteral("RestoreUnfinished"),
                                                 QStringLiteral("The restore did not finish."))
                                     : reason);
    }
    if (!r.safetyArchive.isEmpty() && !r.error.contains(r.safetyArchive))
        details << MessageOr(ctx, QStringLiteral("RestoreSafetyNote"),
                             QStringLiteral("The state before the restore is in %1"))
                       .arg(r.safetyArchive);
    if (!r.placed.isEmpty())
        details << MessageOr(ctx, QStringLiteral("RestorePlacedCount"),
                             QStringLiteral("%1 file(s) placed."))
                       .arg(r.placed.size());
    if (!r.rewrites.isEmpty()) {
        details << MessageOr(ctx, QStringLiteral("RestoreRewrites"),
                             QStringLiteral("Paths changed to this prefix's user:"));
        for (const QString& line : r.rewrites)
            details << QStringLiteral("    ") + line;
    }
    for (const QString& e : r.undetermined)
        details << MessageOr(ctx, QStringLiteral("RestoreNoPlaceFor"),
                             QStringLiteral("No place known for %1; not restored."))
                       .arg(e);
    if (!r.undetermined.isEmpty())
        details << MessageOr(
            ctx, QStringLiteral("RestoreNoPlaceHint"),
            QStringLiteral("Next step: install the e-mail client in this Wine prefix and start "
                           "it once, then restore again; or restore into a folder and import "
                           "the files into the client yourself."));
    return details;
}

std::optional<restore::RestoreJob> MakeRestoreJob(AppContext& ctx, QString& error) {
    const RestoreSession session(ctx);
    std::optional<restore::RestoreJob> job = session.makeJob(session.clientGuard());
    if (!job) error = QStringLiteral("The archiving library is not loaded.");
    return job;
}

bool InspectBackup(AppContext& ctx, const QString& archive, QString& password,
                   restore::RestoreReport& seen) {
    const RestoreSession session(ctx);
    std::optional<restore::RestoreJob> job = session.makeJob([](int) { return false; });
    if (!job) {
        ctx.ui().showError(QStringLiteral("The archiving library is not loaded."));
        return false;
    }
    const auto opened = session.open(
        *job, archive,
        [&ctx]() -> std::optional<QString> {
            const QString typed = ctx.ui().askPassword();
            return typed.isEmpty() ? std::nullopt : std::optional(typed);
        },
        password);
    if (!opened) return false;
    seen = *opened;
    if (!seen.ok()) {
        // The reasons met most are said in the language in use; others as the reader words them.
        QString reason = seen.error;
        switch (seen.libraryCode) {
        case SQX_E_PASSWORD_NEEDED:
        case SQX_E_BAD_PASSWORD:
            reason =
                MessageOr(ctx, QStringLiteral("Message6"), QStringLiteral("Incorect password!"));
            break;
        case SQX_E_BAD_ARCHIVE:
            reason = MessageOr(ctx, QStringLiteral("RestoreNotAnArchive"), reason);
            break;
        case SQX_E_BAD_DATA:
            reason = MessageOr(ctx, QStringLiteral("RestoreDamagedData"), reason);
            break;
        default:
            break;
        }
        ctx.ui().showError(MessageOr(ctx, QStringLiteral("RestoreCannotRead"),
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
    auto ticked = [](const QListWidget& list) {
        QStringList names;
        for (const backup::Selected& s : SelectedOf(list))
            if (s.ticked) names << s.name;
        return names;
    };
    std::optional<QString> hostFolder;
    if (winFolder) {
        const auto host = ctx.files().hostPath(*winFolder);
        hostFolder = host ? *host : QString();
    }
    return RestoreSession(ctx).request(archive, password, ticked(identities), ticked(items),
                                       hostFolder);
}

QString MessageOr(AppContext& ctx, const QString& key, const QString& english) {
    return lang::orEnglish(ctx.message(key), english);
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
