#pragma once
// A sample prefix ready for an unattended run: Outlook Express with one
// identity, Outlook, a logon name, the schedule's folder and client keys in the
// program's hive, and two older Outlook Express archives in the folder.

#include "backup/BackupFiles.h"
#include "clients/Clients.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "schedule/ScheduleStore.h"
#include "support/SamplePrefix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

namespace autorun {

struct Fixture {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Files> fs;
    std::unique_ptr<platform::Registry> reg;
    QString backupsHost; // not made: the run makes it
    QString backupsWin;
    QString oldest;
    QString older;

    Fixture() {
        prefix.setString(platform::HKEY_CURRENT_USER,
                         QStringLiteral("Identities\\{AB12CD34-0000-0000-0000-000000000001}"),
                         QStringLiteral("Username"), QStringLiteral("Main Identity"));
        prefix.setString(platform::HKEY_CURRENT_USER,
                         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"),
                         QStringLiteral("Logon User Name"), QStringLiteral("LOGON"));
        prefix.save();
        fs = prefix.files();
        reg = prefix.registry();
        backupsHost = prefix.root() + QStringLiteral("/backups/scheduled");
        backupsWin = platform::includeTrailingBackslash(fs->windowsPath(backupsHost));

        auto settings =
            reg->open(platform::HKEY_CURRENT_USER, schedule::ScheduleStore::kSettingsKey, true)
                .value();
        settings.writeString(QStringLiteral("ZuveDizizoDir"), backupsWin);
        settings.writeInt(QStringLiteral("BackupMode"), 3);
        settings.writeInt(QStringLiteral("BackupKeep"), 1);

        schedule::ScheduleStore store(*reg);
        selectClient(store, clients::kOutlookExpress, {QStringLiteral("Main Identity")});
        selectClient(store, clients::kOutlook, {QStringLiteral("Default user")});
        // A client that is not selected is left alone.
        store.WriteSelected(clients::kEudora, false);
    }

    static void selectClient(schedule::ScheduleStore& store, int code, const QStringList& ids) {
        std::vector<schedule::NamedCheck> identities;
        for (const QString& id : ids)
            identities.emplace_back(id, true);
        std::vector<schedule::NamedCheck> items;
        for (const QString& item : clients::ClientItems(code))
            items.emplace_back(item, true);
        store.SaveLists(code, identities, items);
        store.WriteSelected(code, true);
    }

    // Two earlier archives of Outlook Express, a day and two days old.
    void writeOldArchives() {
        QDir().mkpath(backupsHost);
        oldest = backupsHost + QStringLiteral("/LOGON ZOzozudoVevezo 01-01-2020.ebk");
        older = backupsHost + QStringLiteral("/LOGON ZOzozudoVevezo 02-01-2020.ebk");
        int age = 2;
        for (const QString& path : {oldest, older}) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly)) continue;
            f.write("old archive");
            f.flush();
            f.setFileTime(QDateTime::currentDateTime().addDays(-age--),
                          QFileDevice::FileModificationTime);
        }
    }

    // Where today's Outlook Express archive goes.
    QString expectedArchive() const {
        const QString name = backup::BackupFileName(clients::kOutlookExpress);
        return backupsHost + QStringLiteral("/LOGON ") + name;
    }
};

} // namespace autorun
