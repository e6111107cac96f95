#include "restore/restorers/PocoMailRestorer.h"

#include "backup/collectors/PocoMailCollector.h"
#include "clients/Clients.h"
#include "clients/layouts/PocoMailLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using L = clients::PocoMailLayout;

const QString kSettings = L::settingsFile();

// "\Mail" (a settings folder joined to an empty folder) as "mail/".
QString relative(const QString& joined) {
    if (joined.isEmpty()) return {};
    QString r = joined.mid(1).toLower();
    r.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return r + QLatin1Char('/');
}

// The archive folder of an entry ("users/Ann/Mail/x" -> "users/Ann"), or
// empty for the default user's.
QString userFolderOf(const QString& entry) {
    if (!entry.startsWith(QLatin1String("users/"), Qt::CaseInsensitive)) return {};
    const qsizetype end = entry.indexOf(QLatin1Char('/'), 6);
    return end < 0 ? QString() : entry.left(end);
}
} // namespace

void PocoMailRestorer::Prepare() {
    const L::FolderValue where = L::programFolder(in_.manifest.clientCode);
    QString folder = ReadString(where.root, where.key, where.value);
    folder = platform::excludeTrailingBackslash(folder);
    if (!backup::Collector::HasDrive(folder)) return;
    poco_ = folder;
    AddRoot(poco_);
    // The users folder this prefix's settings name, when it lies elsewhere.
    if (const auto host = in_.files.hostPath(poco_ + QLatin1Char('\\') + kSettings)) {
        const QString current = ReadWindowsIni(*host).readString(QStringLiteral("Program"),
                                                                 QStringLiteral("UsersPath"));
        if (backup::Collector::HasDrive(current)) AddRoot(current);
    }

    // The users folder the restored default settings will name.
    QString mainSettings;
    for (const QString& e : in_.entries)
        if (e.compare(kSettings, Qt::CaseInsensitive) == 0) mainSettings = e;
    const QString users = platform::excludeTrailingBackslash(
        ReadWindowsIni(in_.stagingHost + QLatin1Char('/') + mainSettings)
            .readString(QStringLiteral("Program"), QStringLiteral("UsersPath")));
    if (users.isEmpty())
        users_ = poco_ + QLatin1Char('\\') + L::usersFolder();
    else if (backup::Collector::HasDrive(users) || users.startsWith(QLatin1String("\\\\")))
        users_ = users;
    else
        users_ = poco_ + QLatin1Char('\\') + users;
    if (!users.isEmpty()) NameFolder(mainSettings + QStringLiteral(": UsersPath"), users_);

    for (const QString& name : in_.manifest.identities)
        if (backup::Collector::SafeFolderName(name) == name)
            identityByFolder_.insert(QStringLiteral("users/") + name.toLower(), name);
    for (const QString& e : in_.entries) {
        const QString user = userFolderOf(e);
        if (e.section(QLatin1Char('/'), -1).compare(kSettings, Qt::CaseInsensitive) == 0 &&
            e.count(QLatin1Char('/')) == (user.isEmpty() ? 0 : 2))
            folders_.insert(user.toLower(), foldersOf(e));
    }
    const platform::IniFile& map = in_.manifest.directoryIni;
    for (const QString& key : map.keyNames(QStringLiteral("Directory"))) {
        QString dir = map.readString(QStringLiteral("Directory"), key);
        dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!dir.isEmpty()) mailMap_.insert(dir);
    }
}

PocoMailRestorer::Folders PocoMailRestorer::foldersOf(const QString& settingsEntry) const {
    const auto s = backup::PocoMailCollector::ReadSettings(
        ReadWindowsIni(in_.stagingHost + QLatin1Char('/') + settingsEntry), QString());
    Folders f;
    for (const QString& m : {s.mail, s.attach, s.templates})
        if (!m.isEmpty()) f.mail << relative(m);
    f.signature = relative(s.signature);
    f.address = relative(s.address);
    f.script = relative(s.script);
    return f;
}

int PocoMailRestorer::itemOf(const Folders& f, const QString& rest) const {
    const QString low = rest.toLower();
    if (const clients::FileRow* row = clients::rowOf(L::userFiles(), rest)) return row->item;
    if (low == kSettings) return -1;
    const auto below = [&low](const QString& folder) {
        return !folder.isEmpty() && low.startsWith(folder);
    };
    for (const QString& m : f.mail)
        if (below(m)) return L::kMailFolders;
    if (below(f.signature)) return L::kSignatures;
    if (below(f.address)) return L::kAddressBook;
    if (below(f.script)) return L::kScripts;
    return -1;
}

PocoMailRestorer::Where PocoMailRestorer::Locate(const QString& entry) {
    Where w;
    const QString user = userFolderOf(entry);
    if (!user.isEmpty() && identityByFolder_.contains(user.toLower())) {
        const QString rest = entry.mid(user.size() + 1);
        w.identity = identityByFolder_.value(user.toLower());
        w.item = itemOf(folders_.value(user.toLower()), rest);
        w.pathFile = rest.compare(kSettings, Qt::CaseInsensitive) == 0;
        if (!poco_.isEmpty())
            w.winPath = Below(users_ + QLatin1Char('\\') + user.mid(6), entry, user.size() + 1);
        return w;
    }
    // The default user's: the first identity of a backup that holds them.
    w.identity = in_.manifest.identities.value(0);
    const qsizetype slash = entry.lastIndexOf(QLatin1Char('/'));
    const QString ext = entry.section(QLatin1Char('.'), -1).toLower();
    if (slash > 0 && mailMap_.contains(entry.left(slash)) &&
        (ext == u"mbx" || ext == u"itx" || ext == u"dat")) {
        // A nested mail folder's copy, stored relative to the mail root.
        w.item = L::kMailFolders;
        if (!poco_.isEmpty())
            w.winPath = Below(poco_ + QLatin1Char('\\') + L::mailFolder(), entry, 0);
        return w;
    }
    w.item = itemOf(folders_.value(QString()), entry);
    // Its folders may be absolute ("UsersPath").
    w.pathFile = entry.compare(kSettings, Qt::CaseInsensitive) == 0;
    if (!poco_.isEmpty()) w.winPath = Below(poco_, entry, 0);
    return w;
}

} // namespace restore
