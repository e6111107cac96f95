#include "restore/restorers/PegasusRestorer.h"

#include "backup/collectors/Collector.h"
#include "clients/layouts/PegasusLayout.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using L = clients::PegasusLayout;
const QString kDefaultUser = QStringLiteral("Default User");
} // namespace

void PegasusRestorer::Prepare() {
    const QString mailbox =
        L::mailboxFolder(ReadString(platform::HKEY_LOCAL_MACHINE, L::mailboxKey(), QString()));
    if (clients::hasDrive(mailbox)) mailbox_ = mailbox;
    AddRoot(mailbox_);

    // As the backup decided it: the single user's mail came from "Mail".
    QString mode;
    if (const auto dump = Dump(L::userModeDump()))
        mode = dump->value(QStringLiteral("HKEY_LOCAL_MACHINE\\") + L::userModeKey(), QString())
                   .value_or(QString());
    const bool userList = in_.entries.contains(L::userList(), Qt::CaseInsensitive);
    singleUser_ =
        in_.manifest.identities.value(0) == kDefaultUser &&
        (mode.compare(QLatin1String("single-user mode"), Qt::CaseInsensitive) == 0 || !userList);
    for (const QString& name : in_.manifest.identities)
        userByFolder_.insert(backup::Collector::SafeFolderName(name).toLower(), name);
}

PegasusRestorer::Where PegasusRestorer::Locate(const QString& entry) {
    Where w;
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        if (entry.compare(L::userModeDump(), Qt::CaseInsensitive) == 0)
            w.dump = true;
        else if (entry.compare(L::userList(), Qt::CaseInsensitive) == 0 && !mailbox_.isEmpty())
            w.winPath = mailbox_ + QLatin1Char('\\') + entry;
        return w;
    }
    const QString top = entry.left(slash);
    const auto user = userByFolder_.constFind(top.toLower());
    if (user == userByFolder_.cend()) return w;
    w.identity = *user;
    if (mailbox_.isEmpty()) return w;
    const bool single = singleUser_ && *user == kDefaultUser;
    w.winPath = Below(mailbox_ + QLatin1Char('\\') + (single ? L::singleUserFolder() : top), entry,
                      slash + 1);
    return w;
}

} // namespace restore
