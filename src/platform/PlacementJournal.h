#pragma once
// A restore writes each file under a temporary name beside its destination,
// ".<name>.restore-<pid>-<8 hex digits>", and renames it over the destination.
// A run killed in between leaves that file in a mail folder. So that a later
// run finds it without searching the disk, each temporary name is recorded
// (and flushed) in this run's journal before the file is made: a file
// "<program folder>/placing/<pid>-<10 letters and digits>.journal", locked
// while the process lives and removed when the journal ends normally.
// removeLeftovers reads the journals of runs that are gone and removes the
// files they name: only the exact name form with that run's process id,
// a regular file of this user; nothing else.

#include <QString>

namespace platform {

class PlacementJournal {
public:
    // programFolder: the program's own folder ($XDG_CONFIG_HOME/postora).
    explicit PlacementJournal(QString programFolder);
    ~PlacementJournal();
    PlacementJournal(const PlacementJournal&) = delete;
    PlacementJournal& operator=(const PlacementJournal&) = delete;

    // A temporary name, in host folder `hostFolder`, for the file that is to
    // become `fileName` there, recorded before it is returned. Empty when it
    // cannot be recorded; error() says why.
    QString temporaryFor(const QString& hostFolder, const QString& fileName);
    const QString& error() const { return error_; }

    // Removes what the journals of gone runs in `programFolder` name, then
    // those journals.
    static void removeLeftovers(const QString& programFolder);

private:
    bool open();

    QString folder_;
    QString path_;
    QString error_;
    int fd_ = -1; // the journal, flock'ed
};

// A temporary name of the form above, of any run (also the older form
// without "<pid>-"): half a file, never to be backed up.
bool isPlacementTemporary(const QString& fileName);

} // namespace platform
