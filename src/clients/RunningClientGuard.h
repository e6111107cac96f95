#pragma once
// The running-client guard: before a backup of a client that must not run
// while it is backed up, and before a restore into any client, its windows
// are listed and the person may close it, end it ("Close all"), or give up.

#include "base/Interaction.h"

#include <QString>
#include <QStringList>

namespace clients {

class WindowList;

// The process looked for before a backup of the client; empty when the
// client may be backed up while it runs.
QString GuardedProcessName(int clientCode);
// The processes looked for before a restore into the client: files placed
// under a running client are lost when it writes its own back, so every
// client has them.
QStringList RestoredProcessNames(int clientCode);

class RunningClientGuard {
public:
    enum class For { Backup, Restore };

    // winList: the shared window list, set to every window with a title; the
    // guard makes it list processes without a window too (their executable
    // name as the title).
    RunningClientGuard(WindowList& winList, base::Interaction& ui);

    // True: do not go on now. False: go on.
    bool CheckRunningClient(int clientCode, For purpose = For::Backup);
    // The last check ended with "Close all".
    bool closedAll() const { return closedAll_; }
    // What the last "Close all" did, by executable name.
    struct Ended {
        QStringList onRequest; // closed when asked
        QStringList byForce;   // did not close when asked, and was killed
        QStringList notAtAll;  // could not be ended
    };
    const Ended& lastEnded() const { return ended_; }

    // "Close all": ends the processes behind the listed titles, first title
    // first, and takes each title it met out of the list. Only windows of the
    // guarded processes are ended, never another program that shows the same
    // title. Each process is first asked to close its windows, then to end,
    // and killed only when it does neither.
    void CloseAll(const QStringList& processNames, QStringList& titles);

    // Titles of the windows that belong to the processes, in window-list
    // order (the list is refreshed first).
    QStringList RunningTitles(const QStringList& processNames);

    // How long a process is given to close its windows, and to end on request.
    int windowGraceMs = 5000;
    int termGraceMs = 2000;

private:
    bool belongsTo(int index, const QStringList& processNames) const;

    WindowList& winList_;
    base::Interaction& ui_;
    bool closedAll_ = false;
    Ended ended_;
};

} // namespace clients
