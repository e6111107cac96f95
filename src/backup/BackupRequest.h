#pragma once
// One backup: the target archive, the client, and the identities and items with
// their ticks, in the order of the client's identity and item lists.

#include "platform/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace backup {

struct Selected {
    bool ticked = false;
    QString name;
};

inline constexpr int kMaxSelected = 20;

struct BackupRequest {
    QString targetPath;
    int clientCode = 0;
    std::array<Selected, kMaxSelected> identities;
    int identityCount = 0;
    int itemCount = 0;
    std::array<Selected, kMaxSelected> items;
};

// A request from full lists. More than 20 identities or items cannot be carried
// and are refused with an error that names the client's count, never cut.
platform::Result<BackupRequest> MakeBackupRequest(const QString& targetPath, int clientCode,
                                                  const QList<Selected>& identities,
                                                  const QList<Selected>& items);
// Every entry ticked, as the command line and the unattended run hand them over.
QList<Selected> AllTicked(const QStringList& names);
// The error text for a request whose counts are beyond the arrays; empty when fine.
QString RequestLimitError(int identityCount, int itemCount);

} // namespace backup
