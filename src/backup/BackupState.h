#pragma once
// The outcome of the last backup, read by the windows and the command line
// after RunBackup returns. One object per process, owned by the application.

#include <QString>

namespace backup {

struct BackupState {
    bool BackupFailed = false;
    QString BackupErrorText; // appended to "Message20"
    bool BackupAborted = false;
    bool AbortRequested = false; // makes the next archive callback stop the library

    // Whoever starts a backup clears the outcome of the previous one.
    void resetForRun() {
        BackupFailed = false;
        BackupErrorText.clear();
        BackupAborted = false;
        AbortRequested = false;
    }
    void fail(const QString& text) {
        BackupFailed = true;
        BackupErrorText = text;
    }
};

} // namespace backup
