#pragma once
// PocoMail in its three layouts (client codes 72, 73 and 720): for the default
// user and every further ticked user the settings file and the files of each
// ticked item, and for the default user's mail tree a map of its sub-folders.

#include "backup/collectors/Collector.h"

namespace platform {
class IniFile;
}

namespace backup {

bool RunPocoMail(BackupContext& ctx, const BackupRequest& request);

class PocoMailCollector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The folders that one "poco.ini" names. The first six are joined to the
    // folder that holds the file; each is empty when its key is.
    struct Settings {
        QString address;
        QString attach;
        QString mail;
        QString script;
        QString signature;
        QString templates;
        QString users; // as written, without its trailing '\'
    };
    static Settings ReadSettings(const platform::IniFile& ini, const QString& folder);

private:
    QString PocoFolder() const;
    Settings LoadSettings(const QString& folder) const;
    // The users folder of the default user's settings; the PocoMail folder's
    // "users" folder, where the user list comes from, when they name none.
    static QString UsersFolder(const Settings& s, const QString& pocoFolder);
    void AddItems(const QString& folder, const Settings& s, const QString& archiveFolder,
                  bool defaultUser);
    void AddMailSubFolders(const QString& pocoFolder);
};

} // namespace backup
