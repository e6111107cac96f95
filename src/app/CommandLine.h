#pragma once
// The command line: "/b" (back up named clients into a folder), "/auto" and
// "/uninstall" (handed to their owners), "/o" (open the wizard with a target),
// "/r:" (restore), and a backup file named alone (as the file manager opens it).

#include "base/ExitStatus.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace clients {
class ClientCatalogue;
}

namespace app {

class AppContext;

using base::kExitBadCommand;
using base::kExitFailed;
using base::kExitOk;

// The commands that live elsewhere; each returns the exit status.
struct CommandHandlers {
    std::function<int(AppContext&)> runAuto;      // "/auto": the unattended run
    std::function<int(AppContext&)> runUninstall; // "/uninstall"
    std::function<void(bool shown)> trayIcon;     // shown while the command is worked through
};
// What the program uses unless told otherwise.
CommandHandlers DefaultCommandHandlers();
// The handlers of "/auto" and "/uninstall" over the program's objects.
int RunAutoCommand(AppContext& ctx);
int RunUninstallCommand(AppContext& ctx);

// "/r:<archive> [/p:<folder>] [/i:<identity>+...] [/t:<item>+...]": a restore,
// directly into the client or below the folder; report gets one line per
// failure. Returns the exit status.
int RunRestoreCommand(AppContext& ctx, const QStringList& args,
                      const std::function<void(const QString&)>& report);

// True when arg names a file rather than a command: commands are "/word" or
// "/word:value", while "/home/ann/x.ebk" is a path. An argument starting with
// '-' is an option, never a file ("./-x.ebk" names such a file).
bool IsFileArgument(const QString& arg);

// "--help", "-h", "/?" or "/h" (in any case) as the first argument.
bool IsHelpRequest(const QStringList& args);
// The usage text: every command, one line each, and the exit statuses.
QString UsageText();

// The keyword table of "/b", in the order the backups run.
struct ClientKeyword {
    const char* keyword;
    int code; // base code
};
extern const QList<ClientKeyword> kClientKeywords;

// The parsed "/b": the folder (Windows form, trailing '\') and the base codes
// named, in table order. ok is false for a bad command.
struct BackupCommand {
    bool ok = false;
    QString folder;
    // The folder as a host path when it was typed as one (messages name it so);
    // empty when it was typed in Windows form.
    QString hostFolder;
    QList<int> codes;
};
// hostToWindows turns a host path typed after "/p:" into its Windows form.
BackupCommand ParseBackupCommand(const QStringList& args,
                                 const std::function<QString(const QString&)>& hostToWindows);

// The code "/b" backs up for a keyword's base code: for clients with several
// layouts the first installed one (as the wizard offers them), 0 when none is.
int ResolveClientCode(int baseCode, clients::ClientCatalogue& catalogue);

class CommandLine {
public:
    CommandLine(AppContext& ctx, CommandHandlers handlers);

    struct Outcome {
        bool terminate = true;
        int exitStatus = kExitOk;
        QString targetPath; // "/o": the wizard's target
        // A backup named alone: its absolute host path, to open in the
        // wizard's restore pages.
        QString restoreArchive;
    };
    // args without the program's own name.
    Outcome ParseCommandLine(const QStringList& args);

    // Where failures of "/b" are told, one line each (standard error by default).
    std::function<void(const QString&)> reportLine;

private:
    Outcome openArchive(const QStringList& args);
    int runBackupCommand(const BackupCommand& cmd);
    bool backupClient(const BackupCommand& cmd, int code, const QString& keyword);

    AppContext& ctx_;
    CommandHandlers handlers_;
};

} // namespace app
