#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/RestoreSession.h"
#include "backup/BackupEngine.h"
#include "backup/BackupJob.h"
#include "base/ErrorLine.h"
#include "base/ExitStatus.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "lang/Localization.h"
#include "platform/Files.h"
#include "platform/TerminalPassword.h"
#include "restore/RestoreJob.h"
#include "schedule/CompanionControl.h"
#include "schedule/RunUninstall.h"
#include "schedule/UnattendedRun.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace app {

int RunAutoCommand(AppContext& ctx) {
    backup::BackupJob* job = ctx.job();
    if (!job) {
        base::WriteErrorLine(QStringLiteral("postora: /auto: the backup engine is not ready"));
        return kExitFailed;
    }
    schedule::UnattendedRun run(schedule::UnattendedRun::Deps{
        ctx.registry(), ctx.files(), ctx.catalogue(), ctx.settings(), *job, ctx.ui(),
        [&ctx](const QString& key) { return ctx.message(key); }});
    return run.Run();
}

int RunUninstallCommand(AppContext& ctx) {
    schedule::CompanionControl companion(
        ctx.registry(), ctx.files(), ctx.procList(), ctx.settings().programFolder,
        [&ctx](const QString& key) { ctx.localization().messageBox().ShowErrorMessage(key); });
    if (schedule::RunUninstall(companion, ctx.files())) return kExitOk;
    // Not told in a box, but a script learns it, by the file's Linux path.
    if (ctx.files().fileExists(companion.CompanionPath())) {
        const auto host = ctx.files().hostPath(companion.CompanionPath());
        base::WriteErrorLine(QStringLiteral("postora: /uninstall: cannot delete %1")
                                 .arg(host ? *host : companion.CompanionPath()));
    }
    return kExitFailed;
}

namespace {

// The password typed on the terminal, not shown while it is typed.
QString terminalPassword() {
    const auto typed = platform::passwordFromTerminal("Password of the backup: ");
    return typed ? QString::fromLocal8Bit(*typed) : QString();
}

QStringList plusList(const QString& text) {
    QStringList out;
    for (const QString& part : text.split(QLatin1Char('+'), Qt::SkipEmptyParts))
        out << part.trimmed();
    return out;
}

} // namespace

int RunRestoreCommand(AppContext& ctx, const QStringList& args,
                      const std::function<void(const QString&)>& report) {
    QString archive;
    std::optional<QString> folder;
    QStringList identities;
    QStringList items;
    const auto hostPath = [&ctx](QString p) {
        if (p.size() >= 2 && p.at(1) == QLatin1Char(':')) {
            const auto host = ctx.files().hostPath(p);
            return host ? *host : QString();
        }
        if (p == QLatin1String("~") || p.startsWith(QLatin1String("~/")))
            p = QDir::homePath() + p.mid(1);
        return QDir::cleanPath(QDir::current().absoluteFilePath(p));
    };
    archive = hostPath(args.first().mid(3));
    bool bad = args.first().size() <= 3 || archive.isEmpty();
    for (qsizetype i = 1; i < args.size() && !bad; ++i) {
        const QString sw = args[i].left(3).toLower();
        const QString value = args[i].mid(3);
        if (sw == QLatin1String("/p:") && !value.isEmpty()) {
            folder = hostPath(value);
            bad = folder->isEmpty();
        } else if (sw == QLatin1String("/i:")) {
            identities = plusList(value);
        } else if (sw == QLatin1String("/t:")) {
            items = plusList(value);
        } else {
            bad = true;
        }
    }
    if (bad) {
        report(QStringLiteral("postora: usage: /r:<archive> [/p:<folder>] [/i:<identity>+...] "
                              "[/t:<item>+...]"));
        return kExitBadCommand;
    }
    const RestoreSession session(ctx);
    std::optional<restore::RestoreJob> restoreJob = session.makeJob(session.clientGuard());
    if (!restoreJob) {
        report(QStringLiteral("postora: /r: the archiving library is not ready"));
        return kExitFailed;
    }
    // One line at a time, written over, where a person watches.
    const bool tty = platform::errorIsTerminal();
    if (tty)
        restoreJob->progress = [](const QString& line) {
            QTextStream(stderr) << '\r' << line.left(78).leftJustified(78) << Qt::flush;
        };

    // Never from the command line: the stored password, a script's
    // POSTORA_PASSWORD, the terminal, the password window.
    QString password;
    const restore::RestoreReport seen = *session.open(
        *restoreJob, archive,
        [&ctx]() -> std::optional<QString> {
            const QByteArray env = qgetenv("POSTORA_PASSWORD");
            return !env.isEmpty()                ? QString::fromUtf8(env)
                   : platform::inputIsTerminal() ? terminalPassword()
                                                 : ctx.ui().askPassword();
        },
        password);
    if (!seen.ok()) {
        report(QStringLiteral("postora: /r: %1: %2").arg(archive, seen.error));
        return kExitFailed;
    }
    const restore::RestoreReport done =
        restoreJob->Run(session.request(archive, password, identities, items, folder));
    if (tty) QTextStream(stderr) << '\r' << QString(78, QLatin1Char(' ')) << '\r' << Qt::flush;

    QTextStream out(stdout);
    out << "restored " << done.placed.size() << " file(s) and " << done.imported.size()
        << " registry dump(s) of " << done.emailClient << '\n';
    if (!done.safetyArchive.isEmpty())
        out << "the state before the restore is in " << done.safetyArchive << '\n';
    for (const QString& r : done.rewrites)
        out << "rewritten: " << r << '\n';
    for (const QString& e : done.oldPaths)
        out << "may still hold an old path: " << e << '\n';
    for (const QString& e : done.undetermined)
        report(QStringLiteral("postora: /r: no place known for %1; not restored").arg(e));
    out << done.headline << '\n';
    if (!done.ok()) {
        report(QStringLiteral("postora: /r: %1").arg(done.error));
        return kExitFailed;
    }
    return kExitOk;
}

CommandHandlers DefaultCommandHandlers() {
    CommandHandlers h;
    h.runAuto = &RunAutoCommand;
    h.runUninstall = &RunUninstallCommand;
    h.trayIcon = [](bool) {};
    return h;
}

} // namespace app
