#include "restore/restorers/IncrediMailRestorer.h"

#include "backup/collectors/Collector.h"
#include "clients/layouts/IncrediMailLayout.h"
#include "platform/DriveMap.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using backup::Collector;
using L = clients::IncrediMailLayout;
const QString kBase = L::key();
} // namespace

void IncrediMailRestorer::Prepare() {
    // Installed for the user, or for the machine, as the backup reads it.
    QString application, content;
    if (in_.registry.keyExists(platform::HKEY_CURRENT_USER, kBase)) {
        application =
            ReadString(platform::HKEY_CURRENT_USER, kBase, QStringLiteral("ApplicationPath"));
        content = ReadString(platform::HKEY_LOCAL_MACHINE, kBase, QStringLiteral("CommonDataPath"));
    } else {
        application =
            ReadString(platform::HKEY_LOCAL_MACHINE, kBase, QStringLiteral("ApplicationPath"));
        content = application;
    }
    application = platform::excludeTrailingBackslash(application);
    content = platform::excludeTrailingBackslash(content);
    if (Collector::HasDrive(application))
        identities_ = application + QLatin1Char('\\') + L::identitiesFolder();
    if (Collector::HasDrive(content)) content_ = content;
    AddRoot(identities_);
    AddRoot(content_);

    const QStringList& ids = in_.manifest.identities;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        identityByFolder_.insert(Collector::SafeFolderName(ids[i]).toLower(), ids[i]);
        const QString key = in_.manifest.directoryValue(QStringLiteral("Item%1").arg(i + 1));
        if (key.isEmpty()) continue;
        identityByKey_.insert(key.toLower(), ids[i]);
        keyByIdentity_.insert(ids[i], key);
    }
    // Keys that share an identity's name each have a folder inside the identity's.
    for (const QString& e : in_.entries) {
        const QStringList parts = e.split(QLatin1Char('/'));
        if (parts.size() == 3 && identityByFolder_.contains(parts[0].toLower()) &&
            !identityByKey_.contains(parts[1].toLower()))
            identityByKey_.insert(parts[1].toLower(), identityByFolder_.value(parts[0].toLower()));
    }
}

IncrediMailRestorer::Where IncrediMailRestorer::Locate(const QString& entry) {
    Where w;
    const QStringList parts = entry.split(QLatin1Char('/'));
    const QString top = parts.front().toLower();
    if (parts.size() == 1) {
        if (top == L::stationeryDump()) {
            w.item = L::kStationery;
            w.dump = true;
        }
        return w;
    }
    if (top == L::stationeryFolder().toLower()) {
        w.item = L::kStationery;
        if (!content_.isEmpty()) w.winPath = Below(content_, entry, parts[0].size() + 1);
        return w;
    }
    const QString file = parts.back();
    if (identityByFolder_.contains(top) && parts.size() <= 3) {
        w.identity = identityByFolder_.value(top);
        if (file.endsWith(QLatin1String(".reg"), Qt::CaseInsensitive)) {
            w.item = L::itemOfDump(file);
            w.dump = true;
            return w;
        }
        if (file.compare(L::ruleOrder(), Qt::CaseInsensitive) == 0) {
            w.item = L::kRules;
            const QString key = parts.size() == 3 ? parts[1] : keyByIdentity_.value(w.identity);
            if (!identities_.isEmpty() && Collector::SafeFolderName(key) == key && !key.isEmpty())
                w.winPath = identities_ + QLatin1Char('\\') + key + QLatin1Char('\\') + file;
        }
        return w;
    }
    if (!identityByKey_.contains(top) || parts.size() < 3) return w;
    w.identity = identityByKey_.value(top);
    const QString kind = parts[1].toLower();
    // The attachments are stored a second time beside the store; both go to one place.
    QString folder = identities_ + QLatin1Char('\\') + parts[0] + QLatin1Char('\\');
    if (kind == L::messageStore().toLower()) {
        w.item = L::kMailFolders;
    } else if (kind == L::attachments().toLower()) {
        w.item = L::kMailFolders;
        folder += L::messageStore() + QLatin1Char('\\');
    } else if (kind == L::addressBook().toLower()) {
        w.item = L::kAddressBook;
    } else {
        return w;
    }
    if (!identities_.isEmpty()) w.winPath = Below(folder, entry, parts[0].size() + 1);
    return w;
}

} // namespace restore
