#pragma once
// PocoMail in its three layouts: the default user's files below the PocoMail
// folder, every further user's below "users\<name>" of the users folder, the
// default user's nested mail folders a second time below the mail root by the
// map of their names. Each file's item is found from the settings file stored
// beside it, as the backup chose them.

#include "restore/restorers/Restorer.h"

#include <QHash>
#include <QSet>

namespace restore {

class PocoMailRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    // Item folders of one settings file, relative to its folder, '/'-separated
    // and lower-cased, with a trailing '/'.
    struct Folders {
        QStringList mail; // mail, attachments, templates
        QString signature, address, script;
    };
    Folders foldersOf(const QString& settingsEntry) const;
    int itemOf(const Folders& f, const QString& rest) const;

    QString poco_;  // the PocoMail folder of the current prefix; empty when not found
    QString users_; // its users folder
    QHash<QString, QString> identityByFolder_; // lower-cased "users/<name>" -> identity
    QHash<QString, Folders> folders_;          // lower-cased archive folder -> its settings
    QSet<QString> mailMap_; // the default user's nested mail folders ('/', as stored)
};

} // namespace restore
