#include "restore/restorers/NetscapeRestorer.h"

#include "backup/collectors/Collector.h"
#include "clients/MozillaRegistry.h"
#include "clients/layouts/NetscapeLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using backup::Collector;
using L = clients::NetscapeLayout;
} // namespace

void Netscape4Restorer::Prepare() {
    windows_ = platform::windowsFolder(in_.files.drives());
    if (!windows_.isEmpty()) AddRoot(windows_ + QLatin1Char('\\') + L::userRegistry());
    // The users folder beside this prefix's program ("...\Netscape\Communicator\Program").
    const QString program = platform::excludeTrailingBackslash(
        ReadString(platform::HKEY_CURRENT_USER, L::mainKey(), QStringLiteral("Install Directory")));
    if (program.count(QLatin1Char('\\')) >= 3)
        AddRoot(program.section(QLatin1Char('\\'), 0, -3) + QStringLiteral("\\Users"));
    for (const QString& name : in_.manifest.identities) {
        const QString key = Collector::SafeFolderName(name).toLower();
        identityByFolder_.insert(key, name);
        // The profile folder this prefix registers for the user.
        AddRoot(
            ReadString(platform::HKEY_CURRENT_USER, L::userKey(name), QStringLiteral("DirRoot")));
        // The profile folder the backup read ("Dir", ending in '\').
        const QString pf = platform::excludeTrailingBackslash(
            ReadWindowsIni(in_.stagingHost + QLatin1Char('/') + name +
                           QStringLiteral("/directory.ini"))
                .readString(QStringLiteral("Directory"), QStringLiteral("Dir")));
        if (Collector::HasDrive(pf)) profile_.insert(key, pf);
    }
}

Netscape4Restorer::Where Netscape4Restorer::Locate(const QString& entry) {
    Where w;
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    const QString user = entry.left(slash).toLower();
    if (slash < 0 || !identityByFolder_.contains(user)) return w;
    w.identity = identityByFolder_.value(user);
    const QString rest = entry.mid(slash + 1);
    const QString low = rest.toLower();
    const QString pf = profile_.value(user);
    if (low == u"directory.ini" || low == u"directorydat.ini") {
        w.item = L::kMailFolders;
        w.mapOnly = true;
        return w;
    }
    if (low == u"identity.reg") {
        w.dump = true;
        return w;
    }
    if (low == L::userRegistry()) { // shared by every user
        if (!windows_.isEmpty()) w.winPath = Below(windows_, rest, 0);
        return w;
    }
    w.item = L::itemOfFile(rest);
    w.pathFile = L::holdsPaths(rest) && !rest.contains(QLatin1Char('/'));
    if (pf.isEmpty()) return w;
    if (low.startsWith(u"address/"))
        w.winPath = Below(pf, rest, 8);
    else if (low.startsWith(u"mailbox/"))
        w.winPath = Below(pf + QStringLiteral("\\Mail"), rest, 8);
    else
        w.winPath = Below(pf, rest, 0);
    return w;
}

void Netscape67Restorer::Prepare() {
    const QString appData =
        platform::excludeTrailingBackslash(ShellFolder(QStringLiteral("AppData")));
    if (Collector::HasDrive(appData)) appData_ = appData;
    if (!appData_.isEmpty()) {
        const QString mozilla = appData_ + QLatin1Char('\\') + L::mozillaFolder();
        AddRoot(mozilla);
        // Profiles elsewhere, as this prefix's profile registry names them.
        if (const auto dat = in_.files.readAll(appData_ + QLatin1Char('\\') + L::profileRegistry()))
            for (const QString& path : clients::MozillaRegistry::scan(*dat, 256))
                AddRoot(path);
    }
    const QStringList& ids = in_.manifest.identities;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        // The profile folder the backup read; its mail was stored relative to
        // the application-data folder then, or else to its drive. The archive
        // tells which: the tail of the path its mail entries begin with.
        const QString recorded = platform::excludeTrailingBackslash(
            in_.manifest.directoryValue(QStringLiteral("Dir%1").arg(i + 1)));
        if (!Collector::HasDrive(recorded)) continue;
        QStringList parts = recorded.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        Profile p;
        p.identity = ids[i];
        bool onDrive = true;
        while (!parts.isEmpty() && p.folder.isEmpty()) {
            const QString tail = parts.join(QLatin1Char('/')).toLower() + QLatin1Char('/');
            for (const QString& e : in_.entries) {
                if (!e.toLower().startsWith(tail + QStringLiteral("mail/"))) continue;
                p.stored = tail;
                p.folder = onDrive ? recorded
                                   : (appData_.isEmpty() ? QString()
                                                         : appData_ + QLatin1Char('\\') +
                                                               parts.join(QLatin1Char('\\')));
                break;
            }
            if (!p.stored.isEmpty()) break;
            parts.removeFirst();
            onDrive = false;
        }
        // A profile without mail in the archive stays where it was.
        if (p.stored.isEmpty()) p.folder = recorded;
        byName_.insert(Collector::SafeFolderName(ids[i]).toLower(), profiles_.size());
        profiles_ << p;
    }
}

Netscape67Restorer::Where Netscape67Restorer::Locate(const QString& entry) {
    Where w;
    const QString low = entry.toLower();
    if (low == u"registry.dat") { // the profile registry
        if (!appData_.isEmpty())
            w.winPath = Below(appData_ + QLatin1Char('\\') + L::mozillaFolder(), entry, 0);
        return w;
    }
    if (low == u"accounts.ini") {
        // The first profile's copy; its own is stored with its mail.
        w.item = L::kAccounts;
        w.mapOnly = true;
        return w;
    }
    for (const Profile& p : profiles_) {
        if (p.stored.isEmpty() || !low.startsWith(p.stored)) continue;
        w.identity = p.identity;
        w.item = L::itemOfFile(entry);
        if (!p.folder.isEmpty()) w.winPath = Below(p.folder, entry, p.stored.size());
        return w;
    }
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    const auto it = byName_.constFind(entry.left(slash).toLower());
    if (slash < 0 || it == byName_.constEnd()) return w;
    const Profile& p = profiles_.at(*it);
    w.identity = p.identity;
    const QString rest = entry.mid(slash + 1);
    if (rest.compare(QLatin1String("directory.ini"), Qt::CaseInsensitive) == 0) {
        w.item = L::kMailFolders;
        w.mapOnly = true;
        return w;
    }
    w.item = L::itemOfFile(rest);
    w.pathFile = L::holdsPaths(rest);
    if (!p.folder.isEmpty()) w.winPath = Below(p.folder, entry, slash + 1);
    return w;
}

} // namespace restore
