#pragma once
// The running-client guard: before a backup of a client that must not run
// while it is backed up, its windows are listed and the person may close it,
// end it by force ("Close all"), or give up.

#include "base/Interaction.h"

#include <QString>
#include <QStringList>

namespace clients {

class WindowList;

// The process looked for before a backup of the client; empty when the
// client may be backed up while it runs.
QString GuardedProcessName(int clientCode);

class RunningClientGuard {
public:
    // winList: the shared window list, set to every window with a title; the
    // guard makes it list processes without a window too (their executable
    // name as the title).
    RunningClientGuard(WindowList& winList, base::Interaction& ui);

    // True: do not back up now. False: go on.
    bool CheckRunningClient(int clientCode);
    // The last check ended with "Close all" (the client was ended by force).
    bool closedAll() const { return closedAll_; }

    // "Close all": ends the processes behind the listed titles, first title
    // first, and takes each title it met out of the list. Only windows of the
    // guarded process are ended, never another program that shows the same title.
    void CloseAll(const QString& processName, QStringList& titles);

    // Titles of the windows that belong to the process, in window-list order
    // (the list is refreshed first).
    QStringList RunningTitles(const QString& processName);

private:
    bool belongsTo(int index, const QString& processName) const;

    WindowList& winList_;
    base::Interaction& ui_;
    bool closedAll_ = false;
};

} // namespace clients
