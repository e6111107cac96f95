#pragma once
// Outlook Express: per identity its dumps (in a folder named after the
// identity) and its store (in a folder named after the identity key), once
// the address book and the stationery.

#include "backup/collectors/OutlookExpressCollector.h"
#include "restore/restorers/Restorer.h"

#include <QHash>

namespace restore {

class OutlookExpressRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    backup::OutlookExpressCollector::Folders folders_;
    QHash<QString, QString> identityByFolder_; // lower-cased folder name -> identity
    QHash<QString, QString> identityByKey_;    // lower-cased key -> identity
    QHash<QString, QString> storeByKey_;       // lower-cased key -> store folder
    QString wabFolder_;
    QString stationery_;
};

} // namespace restore
