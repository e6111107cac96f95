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
