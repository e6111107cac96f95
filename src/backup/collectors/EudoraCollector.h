#pragma once
// Eudora (client code 3): one data folder named by the command line Eudora was
// last started with; its accounts, mailboxes (with the map of the ".fol" mail
// folders), filters, signatures, address book and stationery.

#include "backup/collectors/Collector.h"

namespace platform {
class Files;
}

namespace backup {

bool RunEudora(BackupContext& ctx, const BackupRequest& request);

class EudoraCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The path of a found folder ("<D>\In.fol\Sub.fol\") relative to D
    // ("In.fol\Sub.fol"); empty for D itself or a folder outside it.
    static QString RelativeFolder(const QString& found, const QString& dataFolder);

private:
    void AddMailFolders(const QString& d);
};

} // namespace backup
