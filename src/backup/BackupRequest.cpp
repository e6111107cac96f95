#include "backup/BackupRequest.h"

namespace backup {

QString RequestLimitError(int identityCount, int itemCount) {
    if (identityCount > kMaxSelected)
        return QStringLiteral("The client has %1 identities; a backup takes at most %2.")
            .arg(identityCount)
            .arg(kMaxSelected);
    if (itemCount > kMaxSelected)
        return QStringLiteral("The client has %1 items; a backup takes at most %2.")
            .arg(itemCount)
            .arg(kMaxSelected);
    if (identityCount < 0 || itemCount < 0)
        return QStringLiteral("The backup request has a negative count.");
    return {};
}

platform::Result<BackupRequest> MakeBackupRequest(const QString& targetPath, int clientCode,
                                                  const QList<Selected>& identities,
                                                  const QList<Selected>& items) {
    const QString error = RequestLimitError(int(identities.size()), int(items.size()));
    if (!error.isEmpty()) return platform::Error{platform::kInvalidData, error};
    BackupRequest r;
    r.targetPath = targetPath;
    r.clientCode = clientCode;
    r.identityCount = int(identities.size());
    r.itemCount = int(items.size());
    for (int i = 0; i < r.identityCount; ++i)
        r.identities[std::size_t(i)] = identities[i];
    for (int i = 0; i < r.itemCount; ++i)
        r.items[std::size_t(i)] = items[i];
    return r;
}

QList<Selected> AllTicked(const QStringList& names) {
    QList<Selected> out;
    out.reserve(names.size());
    for (const QString& n : names)
        out.append(Selected{true, n});
    return out;
}

} // namespace backup
