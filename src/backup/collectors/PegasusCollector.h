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

    // The common mailbox folder from the "MailBox" value: the text before its
    // last '\' (a text without '\' stays whole).
    static QString MailboxFolder(const QString& value);

private:
    void AddUser(int position, const QString& mailbox, bool singleUser);
};

} // namespace backup
