#include "backup/collectors/PegasusCollector.h"

#include "backup/Manifest.h"
#include "clients/layouts/PegasusLayout.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace backup {

namespace {
using L = clients::PegasusLayout;
const QString kDefaultUser = QStringLiteral("Default User");
} // namespace

bool RunPegasus(BackupContext& ctx, const BackupRequest& request) {
    PegasusCollector collector(ctx, request);
    return collector.Run();
}

bool PegasusCollector::Run() {
    const QString mailbox =
        L::mailboxFolder(ReadString(platform::HKEY_LOCAL_MACHINE, L::mailboxKey(), QString()));
    BeginArchive();

    // "Default User" as the first identity means the single user whose mail
    // lies in the "Mail" folder: in single-user mode, or without a user list.
    // A user list left over from multi-user mode does not move that mail.
    const QString userList = mailbox + QLatin1Char('\\') + L::userList();
    const QString mode = ReadString(platform::HKEY_LOCAL_MACHINE, L::userModeKey(), QString());
    const bool singleUser =
        IdentityName(0) == kDefaultUser &&
        (mode.compare(QLatin1String("single-user mode"), Qt::CaseInsensitive) == 0 ||
         !ctx_.files.fileExists(userList));
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) AddUser(i, mailbox, singleUser);
    }

    const QString base = Staging() + QLatin1Char('\\');
    ExportAndAdd(QStringLiteral("HKEY_LOCAL_MACHINE"), QLatin1Char('\\') + L::userModeKey(), false,
                 base + L::userModeDump(), base);
    // Listed whether or not it exists: a restore looks for it in every backup.
    Add(userList, QString(), mailbox + QLatin1Char('\\'));

    AddManifest();
    FinishArchive();
    return Failed();
}

void PegasusCollector::AddUser(int position, const QString& mailbox, bool singleUser) {
    const QString& name = IdentityName(position);
    const QString folder =
        mailbox + QLatin1Char('\\') + (singleUser ? L::singleUserFolder() : name);
    // A name from the user list that is no plain folder name (".." or one with
    // a separator) would read a folder outside the mailbox folder: the user's
    // task stays empty.
    if (singleUser || SafeFolderName(name) == name)
        AddFolder(folder, singleUser ? kDefaultUser : name, folder + QLatin1Char('\\'));
    CloseTask(L::kAccounts);
}

} // namespace backup
