#pragma once
// Exit status of a command-line run, for scripts.

namespace base {

enum ExitStatus : int {
    kExitOk = 0,        // every requested backup succeeded
    kExitFailed = 1,    // a backup failed or was skipped
    kExitBadCommand = 2 // the command was not accepted
};

} // namespace base
