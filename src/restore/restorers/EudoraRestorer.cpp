#include "restore/restorers/EudoraRestorer.h"

#include "clients/layouts/EudoraLayout.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using L = clients::EudoraLayout;
}

void EudoraRestorer::Prepare() {
    const QString d = L::dataFolderOf(
        ReadString(platform::HKEY_CLASSES_ROOT, L::commandLineKey(), QString()), in_.files);
    if (clients::hasDrive(d)) data_ = d;
    AddRoot(data_);
}

EudoraRestorer::Where EudoraRestorer::Locate(const QString& entry) {
    Where w;
    const QString low = entry.toLower();
    const QString top = low.section(QLatin1Char('/'), 0, 0);
    qsizetype cut = 0;
    if (top == u"mail" && low.count(QLatin1Char('/')) == 1) {
        w.item = L::kMailFolders;
        cut = 5; // the data folder's own mailboxes
    } else if (const clients::FileRow* row = clients::rowOf(L::files(), entry)) {
        w.item = row->item;
        w.pathFile = row->holdsPaths;
    } else {
        w.item = L::kMailFolders; // mail folders and the stationery
    }
    if (!data_.isEmpty()) w.winPath = Below(data_, entry, cut);
    return w;
}

} // namespace restore
