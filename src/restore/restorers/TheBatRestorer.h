#pragma once
// The Bat!: every user's message bases and account files (in a folder named
// after the user) back into the folder this prefix's user list gives the user
// - else the one the backup's per-user map recorded, moved to this prefix's
// user folder when it lay below another Windows user's - and the address
// books into the working folder. The users' mail-folder maps are not placed.

#include "restore/restorers/Restorer.h"

#include <QHash>

namespace restore {

class TheBatRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString working_;                      // no trailing '\'; empty when not found
    QHash<QString, QString> userByFolder_; // lower-cased archive folder -> identity
    QHash<QString, QString> folderOf_;     // identity -> its folder in this prefix
};

} // namespace restore
