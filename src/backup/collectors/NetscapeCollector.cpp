#include "backup/collectors/NetscapeCollector.h"
#include "base/RegistryRoots.h"

#include "clients/IdentityRules.h"
#include "clients/layouts/NetscapeLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "regdump/RegistryDump.h"

namespace backup {

namespace {
using L = clients::NetscapeLayout;

const QString kHKCU = base::CurrentUserName();
const QString kUsers = QLatin1Char('\\') + L::usersKey() + QLatin1Char('\\');

// The plain files of folder (no sub-folders). The mail folders are taken one
// by one from the search; a sub-folder added whole as well would store each
// of its files a second time under the same name. A folder that cannot be
// read sets status.
QStringList filesIn(const platform::Files& fs, const QString& folder, platform::Status& status) {
    QStringList out;
    const auto found = fs.find(folder + QStringLiteral("\\*.*"), platform::FA_ANYFILE);
    if (!found) {
        if (!platform::nothingThere(found.error())) status = found.status();
        return out;
    }
    for (const platform::FindData& fd : found.value()) {
        if (!(fd.attributes & platform::FA_DIRECTORY)) out << folder + QLatin1Char('\\') + fd.name;
    }
    return out;
}
} // namespace

bool RunNetscape4(BackupContext& ctx, const BackupRequest& request) {
    Netscape4Collector collector(ctx, request);
    return collector.Run();
}

bool RunNetscape67(BackupContext& ctx, const BackupRequest& request) {
    Netscape67Collector collector(ctx, request);
    return collector.Run();
}

QString Netscape4Collector::CutAfterSecondToLastBackslash(const QString& path) {
    const qsizetype last = path.lastIndexOf(QLatin1Char('\\'));
    if (last <= 0) return {};
    const qsizetype before = path.lastIndexOf(QLatin1Char('\\'), last - 1);
    return before < 0 ? QString() : path.left(before + 1);
}

bool Netscape4Collector::Run() {
    const QString windows = platform::windowsFolder(ctx_.files.drives());
    BeginArchive();
    for (int i = 0; i < request_.identityCount; ++i) {
        if (IdentityTicked(i)) BackupUser(IdentityName(i), windows);
    }
    AddManifest();
    FinishArchive();
    return Failed();
}

void Netscape4Collector::BackupUser(const QString& user, const QString& windowsFolder) {
    const QString key = kUsers + user;
    const QStringList servers =
        SubKeyNames(platform::HKEY_CURRENT_USER, key + QStringLiteral("\\servers"));
    const QString popstate = servers.isEmpty()
                                 ? QString()
                                 : ReadString(platform::HKEY_CURRENT_USER,
                                              key + QStringLiteral("\\servers\\") + servers.first(),
                                              QStringLiteral("popstatePath"));
    const QString pf = CutAfterSecondToLastBackslash(popstate);
    const QString up = CutAfterSecondToLastBackslash(pf);
    // A profile folder without a drive would name folders of the host: not read.
    const bool haveProfile = HasDrive(pf);
    const QString mail = pf + QStringLiteral("Mail");

    if (haveProfile)
        AddFolder(platform::excludeTrailingBackslash(pf), user + QStringLiteral("\\Address"), pf,
                  QStringLiteral("na2"));
    if (!windowsFolder.isEmpty())
        Add(windowsFolder + QLatin1Char('\\') + L::userRegistry(), user,
            windowsFolder + QLatin1Char('\\'));
    QStringList found;
    if (haveProfile) {
        Add(pf + QStringLiteral("prefs.js"), user, pf);
        Add(pf + QStringLiteral("liprefs.js"), user, pf);
        AddFolder(mail, user + QStringLiteral("\\Mailbox"), mail + QLatin1Char('\\'));
        found = DistinctFolders(FindFolders(mail, QStringLiteral("*.*")), Qt::CaseSensitive);
    }
    QStringList map;
    for (const QString& f : found) {
        const QString g = platform::excludeTrailingBackslash(f);
        if (g.toLower() == mail.toLower()) continue;
        platform::Status listed;
        for (const QString& file : filesIn(ctx_.files, g, listed))
            Add(file, user, pf);
        if (!listed) Refuse(listed.message() + QLatin1Char('.'));
        if (g.endsWith(QLatin1String(".sbd"), Qt::CaseInsensitive) && g.startsWith(pf))
            map << g.mid(pf.size());
    }

    // Every user's maps in a staging folder of their own, so that one user's
    // "directorydat.ini" never overwrites another's before the archive is made.
    // Stored under the user's own name, which the staging folder's name may
    // differ from where the name holds characters a folder cannot.
    const QString staging = StagingFolderFor(user) + QLatin1Char('\\');
    const QString mailMap = staging + QStringLiteral("directorydat.ini");
    WriteMapFile(mailMap, NumberedKeys(QStringLiteral("Dir"), map));
    Add(mailMap, user, staging);
    ExportKey(kHKCU, key, true, staging + QStringLiteral("identity.reg"));
    Add(staging + QStringLiteral("identity.reg"), user, staging);
    const QString folders = staging + QStringLiteral("directory.ini");
    WriteMapFile(folders, {{QStringLiteral("Dir"), pf}, {QStringLiteral("Dir2"), up}});
    Add(folders, user, staging);
    CloseTask(L::kMailFolders);
}

QString Netscape67Collector::ProfilePathFor(const QStringList& paths, int position,
                                            const QString& name) {
    if (position >= 0 && position < paths.size() &&
        clients::MozillaIdentityName(paths.at(position), position + 1) == name)
        return paths.at(position);
    for (int j = 0; j < paths.size(); ++j) {
        if (clients::MozillaIdentityName(paths.at(j), j + 1) == name) return paths.at(j);
    }
    return {};
}

bool Netscape67Collector::Run() {
    const QString appData =
        platform::excludeTrailingBackslash(ShellFolder(QStringLiteral("AppData")));
    BeginArchive();
    const QStringList paths =
        ctx_.netscapeProfilePaths ? *ctx_.netscapeProfilePaths : QStringList();
    QStringList profiles;
    for (int i = 0; i < request_.identityCount; ++i) {
        if (!IdentityTicked(i)) continue;
        const QString profile = ProfilePathFor(paths, i, IdentityName(i));
        profiles << profile;
        BackupProfile(IdentityName(i), profile, appData);
    }
    // The profile registry, whatever was ticked: a restore needs it to find
    // the profiles again.
    if (HasDrive(appData))
        Add(appData + QLatin1Char('\\') + L::profileRegistry(), QString(),
            appData + QLatin1Char('\\') + L::mozillaFolder());
    AddManifest(NumberedKeys(QStringLiteral("Dir"), profiles));
    FinishArchive();
    return Failed();
}

void Netscape67Collector::BackupProfile(const QString& name, const QString& profile,
                                        const QString& appData) {
    const QString pp = platform::excludeTrailingBackslash(profile);
    const bool haveProfile = HasDrive(pp);
    const QString mail = pp + QStringLiteral("\\Mail");
    const QString profiles =
        appData + QLatin1Char('\\') + L::mozillaFolder() + QStringLiteral("\\Profiles\\");
    const QStringList found =
        haveProfile ? DistinctFolders(FindFolders(mail, QStringLiteral("*.*")), Qt::CaseSensitive)
                    : QStringList();

    // A profile kept outside the application-data folder is stored relative
    // to its drive rather than under its full host path.
    const QString base = pp.startsWith(appData + QLatin1Char('\\'), Qt::CaseInsensitive)
                             ? appData
                             : pp.left(2) + QLatin1Char('\\');
    QStringList map;
    for (const QString& f : found) {
        const QString g = platform::excludeTrailingBackslash(f);
        platform::Status listed;
        for (const QString& file : filesIn(ctx_.files, g, listed))
            Add(file, QString(), base);
        if (!listed) Refuse(listed.message() + QLatin1Char('.'));
        map << (g.startsWith(profiles, Qt::CaseInsensitive) ? g.mid(profiles.size()) : g);
    }
    const QString staging = StagingFolderFor(name) + QLatin1Char('\\');
    WriteMapFile(staging + QStringLiteral("directory.ini"),
                 NumberedKeys(QStringLiteral("Dir"), map));
    Add(staging + QStringLiteral("directory.ini"), name, staging);

    if (haveProfile) {
        for (const clients::FileRow& row : L::profileFiles())
            Add(pp + QLatin1Char('\\') + QLatin1String(row.path), name, pp + QLatin1Char('\\'));
        // Stored at the top of the archive: a second profile's copy would
        // take the same name. Each profile's own copy is stored with its mail.
        const QString accounts = mail + QStringLiteral("\\accounts.ini");
        if (!rootAccountsAdded_ && ctx_.files.fileExists(accounts)) {
            Add(accounts, QString(), mail + QLatin1Char('\\'));
            rootAccountsAdded_ = true;
        }
    }
    CloseTask(L::kMailFolders);
}

} // namespace backup
