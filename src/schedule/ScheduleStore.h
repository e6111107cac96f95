#pragma once
// The schedule's stored state in the program's hive: "LastBackupDate", and one
// client key per client code under "ZuveDizizo" with "Selected" and the
// "Identity" and "Items" subkeys of booleans named by display name.

#include "platform/Registry.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace schedule {

// A named check, as the editor's check lists and the stored subkeys hold them.
using NamedCheck = std::pair<QString, bool>;

// What a client key holds, read for an unattended run.
struct ClientChoice {
    bool selected = false;
    std::vector<NamedCheck> identities; // value names of "Identity", in stored order
    std::vector<NamedCheck> items;      // value names of "Items", in stored order
    bool hasItems = false;              // the key has an "Items" subkey
};

class ScheduleStore {
public:
    static const QString kSettingsKey; // "Software\Kelvarn\Postora"
    static const QString kClientsKey;  // kSettingsKey + "\ZuveDizizo"

    explicit ScheduleStore(platform::Registry& reg);

    // Showing the editor: the client key is made when missing and an absent
    // "Selected" is written as false. Returns whether the client is selected.
    bool EnsureSelected(int clientCode);
    bool ReadSelected(int clientCode);
    platform::Status WriteSelected(int clientCode, bool selected);

    // Check states for the lists shown: identities match the stored names
    // without regard to case, items exactly; only values that read true check.
    QList<bool> IdentityChecks(int clientCode, const QStringList& identities);
    QList<bool> ItemChecks(int clientCode, const QStringList& items);

    // Saving the lists: each subkey is made anew with one boolean per entry, in order.
    platform::Status SaveLists(int clientCode, const std::vector<NamedCheck>& identities,
                               const std::vector<NamedCheck>& items);

    platform::Status WriteLastBackupDate(const QDateTime& t);
    std::optional<QDateTime> ReadLastBackupDate();

    // Names of the client keys, in the order the registry lists them.
    QStringList ClientKeyNames();
    // The client key of that name; an absent "Selected" reads as not selected.
    ClientChoice ReadClientChoice(const QString& keyName);

    static QString ClientKeyPath(int clientCode);

private:
    QList<bool> checks(int clientCode, const QString& subKey, const QStringList& names,
                       Qt::CaseSensitivity cs);
    std::vector<NamedCheck> readBooleans(const platform::RegKey& key, const QString& subKey,
                                         bool* exists = nullptr);
    platform::Status writeList(platform::RegKey& key, const QString& subKey,
                               const std::vector<NamedCheck>& entries);

    platform::Registry& reg_;
};

} // namespace schedule
