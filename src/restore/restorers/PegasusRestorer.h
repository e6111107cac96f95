#pragma once
// Pegasus Mail: every user's folder (in a folder named after the user) back
// below the mailbox folder of this prefix - the single user's into "Mail" -
// the user list beside them, the user mode imported.

#include "restore/restorers/Restorer.h"

#include <QHash>

namespace restore {

class PegasusRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString mailbox_;                      // no trailing '\'; empty when not found
    bool singleUser_ = false;              // "Default User" is the mail of the "Mail" folder
    QHash<QString, QString> userByFolder_; // lower-cased archive folder -> identity
};

} // namespace restore
