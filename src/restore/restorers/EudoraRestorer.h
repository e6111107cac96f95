#pragma once
// Eudora: everything below its data folder as the collector stored it, the
// mailboxes of the folder itself under "Mail".

#include "restore/restorers/Restorer.h"

namespace restore {

class EudoraRestorer : public Restorer {
public:
    using Restorer::Restorer;

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    QString data_; // the data folder of the current prefix; empty when not found
};

} // namespace restore
