#pragma once
// Opera's mail in its two layouts. Opera 6: one folder per account below the
// "Mail" folder of the program folder, the account list beside them, the
// contacts in the program folder and each account's signature where its
// settings name it (the map "signatures.ini" stored with the account). Opera 7:
// everything below "Opera\Opera7" of the application-data folder.

#include "restore/restorers/Restorer.h"

#include <QHash>

namespace restore {

class Opera6Restorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString program_;                          // O without its trailing '\'; empty when not found
    QHash<QString, QString> identityByFolder_; // lower-cased account folder -> identity
    QHash<QString, QString> signatureEntry_;   // lower-cased account -> "Signatures/<file>"
    QHash<QString, QString> signatureFolder_;  // lower-cased account -> its folder
};

class Opera7Restorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString root_; // "<AppData>\Opera\Opera7"; empty when not on a drive
};

} // namespace restore
