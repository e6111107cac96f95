#include "app/CommandLine.h"

#include "app/AppContext.h"
#include "backup/BackupFiles.h"
#include "backup/BackupJob.h"
#include "base/ErrorLine.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "clients/ClientTable.h"
#include "clients/Clients.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

namespace {
QList<ClientKeyword> clientKeywords() {
    QList<ClientKeyword> keywords;
    for (const clients::ClientRow& row : clients::clientRows())
        if (row.keyword) keywords.append({row.keyword, row.code});
    return keywords;
}
} // namespace

const QList<ClientKeyword> kClientKeywords = clientKeywords();

namespace {
// "C:\x", "c:", "\\server\share" and "\x" are Windows paths; the rest is a
// path of this machine, perhaps relative or starting with "~".
bool isWindowsPath(const QString& p) {
    return (p.size() >= 2 && p.at(0).isLetter() && p.at(1) == QLatin1Char(':')) ||
           p.startsWith(QLatin1Char('\\'));
}

QString absoluteHostPath(QString p) {
    if (p == QLatin1String("~") || p.startsWith(QLatin1String("~/")))
        p = QDir::homePath() + p.mid(1);
    return QDir::cleanPath(QDir::current().absoluteFilePath(p));
}
} // namespace

bool IsFileArgument(const QString& arg) {
    static const QRegularExpression command(QStringLiteral("^/[A-Za-z]+(:|$)"));
    return !arg.isEmpty() && !arg.startsWith(QLatin1Char('-')) && !command.match(arg).hasMatch();
}

bool IsHelpRequest(const QStringList& args) {
    if (args.isEmpty()) return false;
    const QString first = args.first().toLower();
    return first == QLatin1String("--help") || first == QLatin1String("-h") ||
           first == QLatin1String("/?") || first == QLatin1String("/h");
}

QString UsageText() {
    return QStringLiteral(
        "usage: postora [COMMAND]\n"
        "Backs up and restores the data of Windows e-mail clients run under Wine.\n"
        "\n"
        "  postora                                 the main window (needs a display)\n"
        "  postora /b /c:oexpress+eudora /p:DIR    back up the named clients into DIR\n"
        "  postora /auto                           the scheduled (unattended) backup\n"
        "  postora /uninstall                      end the scheduler and remove it\n"
        "  postora /o PATH                         open the wizard with PATH as target\n"
        "  postora BACKUP.ebk                      the wizard's restore pages of BACKUP\n"
        "  postora /r:ARCHIVE                      restore a backup into its mail client\n"
        "  postora /r:ARCHIVE /p:DIR               restore a backup below DIR\n"
        "  postora --help                          this text (also -h, /? and /h)\n"
        "\n"
        "Clients after /c:, joined with +: oexpress, msoutlook, eudora, incredimail,\n"
        "pegasus, thebat, pocomail, opera, netscape, favorites. /r: also takes\n"
        "/i:NAME+... and /t:ITEM+... to restore only those identities and items.\n"
        "/w:DIR [/u:USER] reads a mounted Windows installation instead of the prefix.\n"
        "\n"
        "Exit status: 0 success, 1 a backup or restore failed or was skipped, 2 a\n"
        "command that was not accepted. The prefix is $WINEPREFIX (else ~/.wine); the\n"
        "password of a backup to restore may come from $POSTORA_PASSWORD.\n"
        "See postora(1).\n");
}

BackupCommand ParseBackupCommand(const QStringList& args,
                                 const std::function<QString(const QString&)>& hostToWindows) {
    BackupCommand cmd;
    if (args.size() < 3) return cmd;
    const QString& clientsArg = args.at(1);
    const QString& folderArg = args.at(2);
    if (clientsArg.left(2).toLower() != QLatin1String("/c")) return cmd;
    if (folderArg.left(2).toLower() != QLatin1String("/p") ||
        folderArg.indexOf(QLatin1Char(':')) != 2)
        return cmd;
    QString folder = folderArg.mid(3);
    if (folder.isEmpty()) // "/p:" alone names no folder
        return cmd;
    if (!isWindowsPath(folder)) {
        cmd.hostFolder = absoluteHostPath(folder);
        folder = hostToWindows(cmd.hostFolder);
    }
    cmd.folder = platform::includeTrailingBackslash(folder);

    const QString keywords = clientsArg.mid(3).toLower();
    for (const ClientKeyword& k : kClientKeywords) {
        if (keywords.contains(QLatin1String(k.keyword))) cmd.codes << k.code;
    }
    cmd.ok = true;
    return cmd;
}

CommandLine::CommandLine(AppContext& ctx, CommandHandlers handlers)
    : reportLine(&base::WriteErrorLine), ctx_(ctx), handlers_(std::move(handlers)) {}

CommandLine::Outcome CommandLine::ParseCommandLine(const QStringList& args) {
    Outcome out;
    if (args.isEmpty()) return out;
    if (handlers_.trayIcon) handlers_.trayIcon(true);
    bool badCommand = false;
    const QString command = args.first().toLower();
    if (command == QLatin1String("/auto")) {
        out.exitStatus = handlers_.runAuto ? handlers_.runAuto(ctx_) : int(kExitFailed);
    } else if (command == QLatin1String("/uninstall")) {
        out.exitStatus = handlers_.runUninstall ? handlers_.runUninstall(ctx_) : int(kExitFailed);
    } else if (command == QLatin1String("/b")) {
        const BackupCommand cmd = ParseBackupCommand(
            args, [this](const QString& host) { return ctx_.files().windowsPath(host); });
        if (cmd.ok)
            out.exitStatus = runBackupCommand(cmd);
        else
            badCommand = true;
    } else if (command.startsWith(QLatin1String("/r:"))) {
        out.exitStatus = RunRestoreCommand(ctx_, args, reportLine);
    } else if (command == QLatin1String("/o")) {
        out.terminate = false;
        out.targetPath = args.value(1);
        ctx_.settings().wizardMode = true;
    } else if (IsFileArgument(args.first())) {
        out = openArchive(args);
    } else {
        reportLine(QStringLiteral("postora: unknown command: %1 (postora --help lists them)")
                       .arg(args.first()));
        out.exitStatus = kExitBadCommand;
    }
    if (badCommand) {
        ctx_.ui().showError(ctx_.message(QStringLiteral("Message1")));
        out.exitStatus = kExitBadCommand;
    }
    if (handlers_.trayIcon) handlers_.trayIcon(false);
    return out;
}

CommandLine::Outcome CommandLine::openArchive(const QStringList& args) {
    Outcome out;
    if (args.size() != 1) {
        reportLine(QStringLiteral("postora: a backup file is opened alone: postora <file.ebk>"));
        out.exitStatus = kExitBadCommand;
        return out;
    }
    const QString path = absoluteHostPath(args.first());
    if (!QFileInfo(path).isFile()) {
        reportLine(QStringLiteral("postora: %1: no such backup file").arg(path));
        out.exitStatus = kExitFailed;
        return out;
    }
    out.terminate = false;
    out.restoreArchive = path;
    ctx_.settings().wizardMode = true;
    return out;
}

int CommandLine::runBackupCommand(const BackupCommand& cmd) {
    if (cmd.codes.isEmpty()) {
        // A misspelt client name must not read as a backup made.
        reportLine(QStringLiteral("postora: /b: no known client is named; nothing was backed up"));
        return kExitFailed;
    }
    int status = kExitOk;
    for (const ClientKeyword& k : kClientKeywords) {
        if (!cmd.codes.contains(k.code)) continue;
        const int code = ResolveClientCode(k.code, ctx_.catalogue());
        if (code == 0) {
            reportLine(QStringLiteral("postora: %1: not installed, nothing backed up")
                           .arg(QLatin1String(k.keyword)));
            status = kExitFailed;
            continue;
        }
        if (!backupClient(cmd, code, QLatin1String(k.keyword))) status = kExitFailed;
    }
    return status;
}

int ResolveClientCode(int baseCode, clients::ClientCatalogue& catalogue) {
    if (!clients::hasVariants(baseCode)) return baseCode;
    const auto versions = catalogue.GetClientVersions(baseCode);
    return versions.isEmpty() ? 0 : versions.first().code;
}

bool CommandLine::backupClient(const BackupCommand& cmd, int code, const QString& keyword) {
    backup::BackupJob* job = ctx_.job();
    if (!job) {
        reportLine(QStringLiteral("postora: %1: the backup engine is not ready").arg(keyword));
        return false;
    }
    QStringList identities;
    QStringList items;
    ctx_.catalogue().GetIdentitiesAndItems(code, identities, items);
    backup::JobRequest request;
    request.clientCode = code;
    request.targetPath = cmd.folder + backup::BackupFileName(code);
    // Named as it was typed: a host folder as a host path.
    const QString shown = cmd.hostFolder.isEmpty()
                              ? request.targetPath
                              : QDir(cmd.hostFolder).filePath(backup::BackupFileName(code));
    request.identities = backup::AllTicked(identities);
    request.items = backup::AllTicked(items);
    const backup::JobOutcome outcome = job->Run(request, ctx_.ui(), nullptr, nullptr);
    using Kind = backup::JobOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Succeeded:
        return true;
    case Kind::ClientRunning: // the guard has told why
        return false;
    case Kind::NoCollector:
        reportLine(QStringLiteral("postora: %1: this client cannot be backed up yet").arg(keyword));
        return false;
    case Kind::Aborted:
        reportLine(QStringLiteral("postora: %1: backup to %2 aborted").arg(keyword, shown));
        return false;
    case Kind::Failed:
    case Kind::Busy:
        break;
    }
    // The reason alone: "failed:" already says that it is an error, and the
    // window's lead-in ("There was an error: ") would say it twice.
    QString why = outcome.text.simplified();
    // The reasons name the folder and its parents in Windows form; a folder typed
    // as a host path is named so, each parent as well.
    QString win = platform::excludeTrailingBackslash(cmd.folder);
    QString host = cmd.hostFolder;
    while (!cmd.hostFolder.isEmpty() && win.contains(QLatin1Char('\\')) &&
           host.lastIndexOf(QLatin1Char('/')) >= 0 && host != QLatin1String("/")) {
        why.replace(win + QLatin1Char('\\'), host + QLatin1Char('/'));
        why.replace(win, host);
        win.truncate(win.lastIndexOf(QLatin1Char('\\')));
        host.truncate(host.lastIndexOf(QLatin1Char('/')));
    }
    reportLine(QStringLiteral("postora: %1: backup to %2 failed%3")
                   .arg(keyword, shown, why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    return false;
}

} // namespace app
