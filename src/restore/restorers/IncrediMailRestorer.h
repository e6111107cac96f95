#pragma once
// IncrediMail: per identity its dumps and rule order (in a folder named after
// the identity, with a folder per key when keys share the name) and its store,
// attachments and address book (in a folder named after its key), back below
// the identities folder of this prefix; once the shared stationery content.

#include "restore/restorers/Restorer.h"

#include <QHash>

namespace restore {

class IncrediMailRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString identities_; // this prefix's identities folder; empty when not found
    QString content_;    // this prefix's shared content folder; empty when not found
    QHash<QString, QString> identityByFolder_; // lower-cased folder name -> identity
    QHash<QString, QString> identityByKey_;    // lower-cased key -> identity
    QHash<QString, QString> keyByIdentity_;    // identity -> key of its folder
};

} // namespace restore
