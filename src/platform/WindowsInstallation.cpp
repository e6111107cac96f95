#include "platform/WindowsInstallation.h"

#include "platform/HostTree.h"
#include "platform/WindowsHiveSource.h"

#include <QFileInfo>

namespace platform {

namespace {

// Profiles Windows makes for itself, not for a person.
const QStringList kNotPeople = {QStringLiteral("Default"),      QStringLiteral("Default User"),
                                QStringLiteral("Public"),       QStringLiteral("All Users"),
                                QStringLiteral("LocalService"), QStringLiteral("NetworkService")};

// The entry of `dir` named `name` without regard to case, as Windows finds it.
QString child(const QString& dir, const QString& name) {
    if (dir.isEmpty()) return {};
    const QString exact = dir + u'/' + name;
    if (QFileInfo::exists(exact)) return exact;
    for (const QString& entry : listDirectory(dir))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir + u'/' + entry;
    return {};
}

// The host path of a Windows path below `root`, each step found without
// regard to case; empty when a step is missing.
QString below(const QString& root, const QString& winPath) {
    QString at = root;
    for (const QString& step : winPath.split(u'\\', Qt::SkipEmptyParts)) {
        at = child(at, step);
        if (at.isEmpty()) return {};
    }
    return at;
}

QString profilesFolder(const QString& root, const QString& user) {
    for (const char* base : {"Users", "Documents and Settings"}) {
        const QString dir = child(root, QLatin1String(base));
        if (dir.isEmpty()) continue;
        if (const QString p = child(dir, user); !p.isEmpty() && QFileInfo(p).isDir()) return p;
    }
    return {};
}

} // namespace

QStringList windowsProfiles(const QString& root) {
    QStringList names;
    for (const char* base : {"Users", "Documents and Settings"}) {
        const QString dir = child(root, QLatin1String(base));
        if (dir.isEmpty()) continue;
        for (const QString& entry : listDirectory(dir)) {
            if (entry.startsWith(u'.') || kNotPeople.contains(entry, Qt::CaseInsensitive)) continue;
            if (!QFileInfo(dir + u'/' + entry).isDir()) continue;
            if (!names.contains(entry, Qt::CaseInsensitive)) names.append(entry);
        }
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

Result<WindowsInstallation> findWindowsInstallation(const QString& root, const QString& user) {
    const QFileInfo rootInfo(root);
    if (!rootInfo.isDir())
        return Error{kPathNotFound,
                     QStringLiteral("The Windows folder \"%1\" %2")
                         .arg(root, rootInfo.exists() ? QStringLiteral("is not a folder")
                                                      : QStringLiteral("does not exist"))};
    WindowsInstallation w;
    w.root = rootInfo.absoluteFilePath();
    const QString config = below(w.root, QStringLiteral("Windows\\System32\\config"));
    w.softwareHive = child(config, QStringLiteral("SOFTWARE"));
    if (w.softwareHive.isEmpty())
        return Error{kPathNotFound,
                     QStringLiteral("\"%1\" holds no Windows installation: "
                                    "\"%1/Windows/System32/config/SOFTWARE\" does not exist")
                         .arg(w.root)};
    w.systemHive = child(config, QStringLiteral("SYSTEM"));
    w.defaultHive = child(config, QStringLiteral("DEFAULT"));

    const QStringList profiles = windowsProfiles(w.root);
    if (user.isEmpty()) {
        if (profiles.isEmpty())
            return Error{kPathNotFound,
                         QStringLiteral("\"%1\" has no user profile below Users or Documents "
                                        "and Settings")
                             .arg(w.root)};
        if (profiles.size() > 1)
            return Error{kSeveralProfiles,
                         QStringLiteral("\"%1\" has several user profiles; name one with "
                                        "/u:<name>: %2")
                             .arg(w.root, profiles.join(QStringLiteral(", ")))};
        w.user = profiles.first();
    } else {
        w.user = user;
    }
    w.profile = profilesFolder(w.root, w.user);
    if (w.profile.isEmpty())
        return Error{kPathNotFound,
                     QStringLiteral("\"%1\" has no user profile \"%2\" (it has: %3)")
                         .arg(w.root, user,
                              profiles.isEmpty() ? QStringLiteral("none")
                                                 : profiles.join(QStringLiteral(", ")))};
    w.user = QFileInfo(w.profile).fileName();
    w.userHive = child(w.profile, QStringLiteral("NTUSER.DAT"));
    if (w.userHive.isEmpty())
        return Error{
            kFileNotFound,
            QStringLiteral("The user profile \"%1\" has no registry hive: \"%1/NTUSER.DAT\" "
                           "does not exist")
                .arg(w.profile)};
    for (const char* at : {"AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                           "Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat"}) {
        w.classesHive = below(w.profile, QLatin1String(at));
        if (!w.classesHive.isEmpty()) break;
    }

    for (const QString* hive :
         {&w.userHive, &w.classesHive, &w.softwareHive, &w.systemHive, &w.defaultHive}) {
        if (hive->isEmpty()) continue;
        if (Status st = checkWindowsHive(*hive, &w.notes); !st) return st.error();
        if (const auto state = inspectWindowsHive(*hive); state && state->dirty)
            w.notes.append(QStringLiteral("The registry hive \"%1\" was not closed cleanly and "
                                          "its transaction logs are not beside it: changes "
                                          "Windows made last may be missing from it")
                               .arg(*hive));
    }
    return w;
}

} // namespace platform
