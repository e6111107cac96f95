#pragma once
// Outlook Express (client code 1): per ticked identity its registry keys,
// accounts, mail store, signatures and rules; once for the user the address
// book and the stationery.

#include "backup/collectors/Collector.h"

#include <array>

namespace backup {

bool RunOutlookExpress(BackupContext& ctx, const BackupRequest& request);

class OutlookExpressCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    struct Folders {
        QString appData;
        QString userProfile;
        QString systemDrive;
        QString programFiles;
        QString stationery;
        QString windows;
    };
    enum class Expansion {
        FromValue,  // every placeholder tested on the value as read; the last hit wins
        Cumulative, // each hit replaces the text before the next test
    };
    static QString ExpandPlaceholders(const QString& text, const Folders& folders, Expansion mode);
    // "C:\users\ann\AppData\Roaming" -> "C:\users\ann" and "C:".
    static QString UserProfileOf(const QString& appData);
    static QString SystemDriveOf(const QString& appData);

private:
    Folders ReadFolders();
    void BackupIdentity(int position, const QString& key, const Folders& folders);
    void WriteManifests(const QString& stationery);

    std::array<QString, kMaxSelected> identityKeys_;
    std::array<QString, kMaxSelected> storeRoots_;
};

} // namespace backup
