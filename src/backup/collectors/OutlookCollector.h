#pragma once
// Outlook (client code 2): its folders under the application-data and local
// application-data folders, the first mail profile's keys and Outlook's own
// keys, every personal-folders file the profile names, and the signatures.

#include "backup/collectors/Collector.h"

#include <QByteArray>

namespace platform {
class RegKey;
}

namespace backup {

bool RunOutlook(BackupContext& ctx, const BackupRequest& request);

class OutlookCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The store path of a profile section: "001e6700" (text, or ANSI bytes up
    // to their terminator as Outlook writes it), else "001f6700" (UTF-16LE up to
    // its terminator; fewer than 4 bytes hold no path). No value: nullopt.
    static std::optional<QString> StorePathOf(const platform::RegKey& section);
    static QString UnicodeStorePath(const QByteArray& data);

private:
    // The key of the first mail profile, without a trailing '\'.
    QString ProfileKey() const;
    void AddPersonalStores(const QString& profileKey, const QString& localAppData);
    QString SignaturesFolder(const QString& appData) const;
};

} // namespace backup
