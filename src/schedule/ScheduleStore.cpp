#include "schedule/ScheduleStore.h"

namespace schedule {

using platform::HKEY_CURRENT_USER;

const QString ScheduleStore::kSettingsKey = QStringLiteral("Software\\Kelvarn\\Postora");
const QString ScheduleStore::kClientsKey = QStringLiteral("Software\\Kelvarn\\Postora\\ZuveDizizo");

namespace {

const QString kSelected = QStringLiteral("Selected");
const QString kIdentity = QStringLiteral("Identity");
const QString kItems = QStringLiteral("Items");

// Booleans are 32-bit numbers; any value but 0 reads true. A value of another
// type reads as absent.
std::optional<bool> readBool(const platform::RegKey& key, const QString& name) {
    const auto v = key.readInt(name);
    if (!v) return std::nullopt;
    return *v != 0;
}

} // namespace

ScheduleStore::ScheduleStore(platform::Registry& reg) : reg_(reg) {}

QString ScheduleStore::ClientKeyPath(int clientCode) {
    return kClientsKey + QLatin1Char('\\') + QString::number(clientCode);
}

bool ScheduleStore::EnsureSelected(int clientCode) {
    auto key = reg_.open(HKEY_CURRENT_USER, ClientKeyPath(clientCode), true);
    if (!key) return false;
    const auto selected = readBool(key.value(), kSelected);
    if (!key.value().valueExists(kSelected)) key.value().writeInt(kSelected, 0);
    return selected.value_or(false);
}

bool ScheduleStore::ReadSelected(int clientCode) {
    const auto key = reg_.open(HKEY_CURRENT_USER, ClientKeyPath(clientCode));
    return key && readBool(key.value(), kSelected).value_or(false);
}

platform::Status ScheduleStore::WriteSelected(int clientCode, bool selected) {
    auto key = reg_.open(HKEY_CURRENT_USER, ClientKeyPath(clientCode), true);
    if (!key) return key.status();
    return key.value().writeInt(kSelected, selected ? 1 : 0);
}

std::vector<NamedCheck> ScheduleStore::readBooleans(const platform::RegKey& key,
                                                    const QString& subKey, bool* exists) {
    std::vector<NamedCheck> out;
    const auto sub = key.openSubKey(subKey);
    if (exists) *exists = sub.isOk();
    if (!sub) return out;
    for (const QString& name : sub.value().valueNames())
        out.emplace_back(name, readBool(sub.value(), name).value_or(false));
    return out;
}

QList<bool> ScheduleStore::checks(int clientCode, const QString& subKey, const QStringList& names,
                                  Qt::CaseSensitivity cs) {
    QList<bool> out(names.size(), false);
    const auto key = reg_.open(HKEY_CURRENT_USER, ClientKeyPath(clientCode));
    if (!key) return out;
    const std::vector<NamedCheck> stored = readBooleans(key.value(), subKey);
    for (qsizetype i = 0; i < names.size(); ++i)
        for (const NamedCheck& s : stored)
            if (s.second && s.first.compare(names[i], cs) == 0) {
                out[i] = true;
                break;
            }
    return out;
}

QList<bool> ScheduleStore::IdentityChecks(int clientCode, const QStringList& identities) {
    return checks(clientCode, kIdentity, identities, Qt::CaseInsensitive);
}

QList<bool> ScheduleStore::ItemChecks(int clientCode, const QStringList& items) {
    return checks(clientCode, kItems, items, Qt::CaseSensitive);
}

platform::Status ScheduleStore::writeList(platform::RegKey& key, const QString& subKey,
                                          const std::vector<NamedCheck>& entries) {
    if (key.hasSubKey(subKey)) {
        if (const platform::Status s = key.deleteSubKey(subKey); !s) return s;
    }
    auto sub = key.openSubKey(subKey, true);
    if (!sub) return sub.status();
    for (const NamedCheck& e : entries)
        if (const platform::Status s = sub.value().writeInt(e.first, e.second ? 1 : 0); !s)
            return s;
    return {};
}

platform::Status ScheduleStore::SaveLists(int clientCode, const std::vector<NamedCheck>& identities,
                                          const std::vector<NamedCheck>& items) {
    auto key = reg_.open(HKEY_CURRENT_USER, ClientKeyPath(clientCode), true);
    if (!key) return key.status();
    if (const platform::Status s = writeList(key.value(), kIdentity, identities); !s) return s;
    return writeList(key.value(), kItems, items);
}

platform::Status ScheduleStore::WriteLastBackupDate(const QDateTime& t) {
    auto key = reg_.open(HKEY_CURRENT_USER, kSettingsKey, true);
    if (!key) return key.status();
    return key.value().writeDateTime(QStringLiteral("LastBackupDate"), t);
}

std::optional<QDateTime> ScheduleStore::ReadLastBackupDate() {
    const auto key = reg_.open(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return std::nullopt;
    auto t = key.value().readDateTime(QStringLiteral("LastBackupDate"));
    if (t && !t->isValid()) return std::nullopt;
    return t;
}

QStringList ScheduleStore::ClientKeyNames() {
    const auto key = reg_.open(HKEY_CURRENT_USER, kClientsKey);
    return key ? key.value().subKeyNames() : QStringList();
}

ClientChoice ScheduleStore::ReadClientChoice(const QString& keyName) {
    ClientChoice choice;
    const auto key = reg_.open(HKEY_CURRENT_USER, kClientsKey + QLatin1Char('\\') + keyName);
    if (!key) return choice;
    choice.selected = readBool(key.value(), kSelected).value_or(false);
    choice.identities = readBooleans(key.value(), kIdentity);
    choice.items = readBooleans(key.value(), kItems, &choice.hasItems);
    return choice;
}

} // namespace schedule
