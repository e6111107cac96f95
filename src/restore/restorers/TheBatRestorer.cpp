#include "restore/restorers/TheBatRestorer.h"

#include "backup/collectors/Collector.h"
#include "backup/collectors/OutlookExpressCollector.h"
#include "clients/layouts/TheBatLayout.h"
#include "platform/DriveMap.h"
#include "platform/Registry.h"
#include "restore/Destinations.h"
#include "restore/PathRewrite.h"

namespace restore {

namespace {
using backup::Collector;
using L = clients::TheBatLayout;

// The item of a file in a user's archive folder: the mail folders unless the
// layout names it.
int itemOf(const QString& file) {
    const clients::FileRow* row = clients::rowOf(L::userFiles(), file);
    return row ? row->item : L::kMailFolders;
}
} // namespace

void TheBatRestorer::Prepare() {
    working_ = platform::excludeTrailingBackslash(ReadString(
        platform::HKEY_CURRENT_USER, L::programKey(), QStringLiteral("Working Directory")));
    if (!Collector::HasDrive(working_)) working_.clear();
    AddRoot(working_);

    // The users this prefix's client knows, and their folders ("Dir #n" empty:
    // below the working folder).
    QHash<QString, QString> current;
    if (const auto key = in_.registry.open(platform::HKEY_CURRENT_USER, L::usersKey())) {
        for (int n = 1; key->valueExists(QStringLiteral("User #%1").arg(n)); ++n) {
            const QString dir =
                key->readString(QStringLiteral("Dir #%1").arg(n)).value_or(QString());
            current.insert(key->readString(QStringLiteral("User #%1").arg(n)).value_or(QString()),
                           platform::excludeTrailingBackslash(dir));
            AddRoot(dir);
        }
    }

    // The backup's map names the folder of every user it holds; one below
    // another Windows user's folder moves to this prefix's user.
    QStringList recorded;
    for (const auto& [key, folder] : in_.manifest.directory)
        recorded << folder;
    const QString appData = ShellFolder(QStringLiteral("AppData"));
    const PathRewrite rewrite(
        PathRewrite::RecordedUserFolder(recorded),
        appData.isEmpty() ? QString() : backup::OutlookExpressCollector::UserProfileOf(appData));

    const QStringList& ids = in_.manifest.identities;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QString& user = ids[i];
        const bool plain = Collector::SafeFolderName(user) == user;
        userByFolder_.insert(Collector::SafeFolderName(user).toLower(), user);
        QString folder;
        if (current.contains(user)) {
            folder = current.value(user);
        } else {
            const QString dir = in_.manifest.directoryValue(QStringLiteral("Item%1").arg(i + 1));
            if (dir.compare(QLatin1String("default"), Qt::CaseInsensitive) != 0) {
                folder = platform::excludeTrailingBackslash(rewrite.apply(dir));
                // A folder elsewhere on this prefix's C: is no folder of the client
                // here: the user gets the client's default one. Any other place
                // stays, and the destination check refuses it by name.
                QStringList names;
                if (Destinations::splitPath(folder, names).isEmpty() && !InsideRoots(folder))
                    folder = plain && !working_.isEmpty() ? working_ + QLatin1Char('\\') + user
                                                          : QString();
                if (folder.compare(platform::excludeTrailingBackslash(dir), Qt::CaseInsensitive))
                    rewrites_ << QStringLiteral("%1: %2 -> %3").arg(user, dir, folder);
            }
        }
        if (folder.isEmpty() && plain && !working_.isEmpty())
            folder = working_ + QLatin1Char('\\') + user;
        if (Collector::HasDrive(folder)) folderOf_.insert(user, folder);
    }
}

TheBatRestorer::Where TheBatRestorer::Locate(const QString& entry) {
    Where w;
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    if (slash < 0) return w;
    const QString top = entry.left(slash);
    if (top.compare(L::addressBookFolder(), Qt::CaseInsensitive) == 0) {
        w.item = L::kAddressBook;
        if (!working_.isEmpty()) w.winPath = Below(working_, entry, slash + 1);
        return w;
    }
    const auto user = userByFolder_.constFind(top.toLower());
    if (user == userByFolder_.cend()) return w;
    w.identity = *user;
    const QString rest = entry.mid(slash + 1);
    w.item = itemOf(rest);
    if (rest.compare(QLatin1String("directory.ini"), Qt::CaseInsensitive) == 0) {
        w.mapOnly = true;
        return w;
    }
    const QString folder = folderOf_.value(*user);
    if (!folder.isEmpty()) w.winPath = Below(folder, entry, slash + 1);
    return w;
}

} // namespace restore
