#include "restore/restorers/EudoraRestorer.h"

#include "backup/collectors/EudoraCollector.h"
#include "platform/Registry.h"

namespace restore {

namespace {
enum Item { kAccounts, kMailFolders, kFilters, kSignatures, kAddressBook };
}

void EudoraRestorer::Prepare() {
    const QString d = backup::EudoraCollector::DataFolderOf(
        ReadString(platform::HKEY_CLASSES_ROOT,
                   QStringLiteral("\\SOFTWARE\\Qualcomm\\Eudora\\CommandLine\\Current"), QString()),
        in_.files);
    if (backup::Collector::HasDrive(d)) data_ = d;
    AddRoot(data_);
}

EudoraRestorer::Where EudoraRestorer::Locate(const QString& entry) {
    Where w;
    const QString low = entry.toLower();
    const QString top = low.section(QLatin1Char('/'), 0, 0);
    qsizetype cut = 0;
    if (top == u"mail" && low.count(QLatin1Char('/')) == 1) {
        w.item = kMailFolders;
        cut = 5; // the data folder's own mailboxes
    } else if (low == u"eudora.ini") {
        w.item = kAccounts;
        w.pathFile = true;
    } else if (top == u"spool") {
        w.item = kAccounts;
    } else if (top == u"filters" || low == u"filters.pce") {
        w.item = kFilters;
    } else if (top == u"sigs") {
        w.item = kSignatures;
    } else if (low == u"nndbase.toc" || low == u"nndbase.txt") {
        w.item = kAddressBook;
    } else {
        w.item = kMailFolders; // mail folders and the stationery
    }
    if (!data_.isEmpty()) w.winPath = Below(data_, entry, cut);
    return w;
}

} // namespace restore
