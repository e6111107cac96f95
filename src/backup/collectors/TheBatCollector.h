#pragma once
// The Bat! (client code 6): per ticked user the message bases of every mail
// folder, the account files, the filters and a map of the mail folders; once
// for all users the address books of the working folder.

#include "backup/collectors/Collector.h"

#include <array>

namespace backup {

bool RunTheBat(BackupContext& ctx, const BackupRequest& request);

class TheBatCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

private:
    void BackupUser(int position, const QString& working);
    void AddMailFolders(int position, const QString& userFolder, const QString& archiveFolder);

    // Per identity position: its "Dir #" value as read, or "default".
    std::array<QString, kMaxSelected> folderMap_;
};

} // namespace backup
