#pragma once
// Pegasus Mail (client code 5): every ticked user's mail folder below the
// common mailbox folder, the key that holds the user mode, and the user list.
// The items cannot be chosen: a user's whole folder is one task.

#include "backup/collectors/Collector.h"

namespace backup {

bool RunPegasus(BackupContext& ctx, const BackupRequest& request);

class PegasusCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

private:
    void AddUser(int position, const QString& mailbox, bool singleUser);
};

} // namespace backup
