#pragma once
// Where a direct restore may write. The client's data roots come from the
// current prefix (its registry, the client's own settings there, else the
// client's default folders); a backup is data and never chooses them. Every
// planned file is checked against them, and against what Windows and this
// file system allow, before anything is placed: the first problem refuses the
// whole restore.

#include "restore/restorers/Restorer.h"

#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace restore {

class Destinations {
public:
    // `roots`: the client's folders (or single files) in this prefix, Windows paths.
    Destinations(const platform::Files& files, const QStringList& roots);

    // Empty when every file can be placed where planned; else one line naming
    // the entry, its destination and what is wrong. `stagingHost` holds the
    // extracted entries (their sizes count against the free space).
    QString check(const QList<Placement>& files, const QString& stagingHost) const;
    // check() of the plan's files, then every folder its settings and dumps name.
    QString checkPlan(const RestorePlan& plan, const QString& stagingHost) const;

    // Empty when a folder that a settings value names passes the same checks
    // as a destination (on C: below drive_c, inside a root, no "." or "..").
    QString folderProblem(const QString& winFolder) const;

    // The root a Windows path lies in (or is), empty when none.
    QString rootOf(const QString& winPath) const;

    // The names of a Windows path below "C:\", or why it has none: another
    // drive, "." or ".." in either separator form, an empty name, a character
    // Windows does not allow in names.
    static QString splitPath(const QString& winPath, QStringList& names);
    // Why an archive entry's name could not be a Windows file name; empty when it can.
    static QString entryNameProblem(const QString& entry);

    // The host folder of this prefix's drive C: when it is the prefix's own
    // drive_c (canonical); empty otherwise.
    static QString driveC(const platform::Files& files);

private:
    const platform::Files& files_;
    QStringList roots_; // checked, without trailing backslash
    QString rootProblem_;
};

} // namespace restore
