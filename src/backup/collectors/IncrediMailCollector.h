#pragma once
// IncrediMail (client code 4): per ticked identity its registry keys, accounts,
// message store, rules and address book; once the shared stationery content.
// Installed for the user (HKCU) or for the machine (HKLM).

#include "backup/collectors/Collector.h"

#include <QSet>

#include <array>

namespace backup {

bool RunIncrediMail(BackupContext& ctx, const BackupRequest& request);

class IncrediMailCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    struct Variant {
        quint32 root = 0;
        QString rootName;    // as written into every dump
        QString content;     // T, no trailing '\'
        QString application; // A, no trailing '\'
    };
    Variant ReadVariant() const;

private:
    // The identity keys that belong to a ticked identity: every key whose
    // "Identity" equals the name; for a name the identity list made up for an
    // empty "Identity" ("[Identity2]"), the key it was made for.
    QStringList KeysOf(const QString& name, const QStringList& keys) const;
    void BackupKey(const QString& key, const QString& stagingName);
    void AddStationery();

    Variant v_;
    QString identities_; // D = A\Identities
    std::array<QString, kMaxSelected> folderMap_;
    QSet<QString> done_; // keys backed up already (two identities may share a name)
};

} // namespace backup
