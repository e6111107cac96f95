#pragma once
// Opera's mail in its two layouts. Opera 6 (client code 86) keeps one folder
// per mail account below the "Mail" folder of the program folder; each ticked
// account contributes its settings, mail folders (with a map of the nested
// ones), filters and signature. Opera 7 (code 87) keeps everything below the
// user's application-data folder, backed up in five fixed tasks.

#include "backup/collectors/Collector.h"

namespace backup {

bool RunOpera6(BackupContext& ctx, const BackupRequest& request);
bool RunOpera7(BackupContext& ctx, const BackupRequest& request);

class Opera6Collector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The program folder (ending in '\') of the command line Opera was last
    // started with: the text up to its last '\'. Empty when that names no
    // folder on a drive, so that nothing relative to the host is read.
    static QString ProgramFolderOf(const QString& commandLine);
    // Whether an account name from the account list names one folder below
    // "Mail". Other lines of the list (an empty line, "..", a path) name none.
    static bool IsAccountFolderName(const QString& name);

private:
    void BackupAccount(const QString& account);
    void AddMailFolders(const QString& account);
    void AddSignature(const QString& account);

    QString programFolder_; // O, with its trailing '\'
    QString mail_;          // M = O + "Mail"
};

class Opera7Collector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;
};

} // namespace backup
