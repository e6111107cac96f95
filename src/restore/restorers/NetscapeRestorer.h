#pragma once
// Netscape in its two layouts. Netscape 4: per user the profile folder's files,
// its mail folders, its registry key and the shared "nsreg.dat", the profile
// folder taken from the map stored with the user. Netscape 6/7: the mail of
// every profile relative to the application-data folder (or to its drive when
// the profile lies elsewhere), each profile's own files in a folder named
// after it, and the Mozilla profile registry.

#include "restore/restorers/Restorer.h"

#include <QHash>
#include <QList>

namespace restore {

class Netscape4Restorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString windows_;
    QHash<QString, QString> identityByFolder_; // lower-cased user -> identity
    QHash<QString, QString> profile_;          // lower-cased user -> profile folder (no '\')
};

class Netscape67Restorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    struct Profile {
        QString identity;
        QString stored; // lower-cased archive folder of its mail, ending in '/'
        QString folder; // where it goes in this prefix
    };
    QString appData_;
    QList<Profile> profiles_;
    QHash<QString, qsizetype> byName_; // lower-cased identity -> position in profiles_
};

} // namespace restore
