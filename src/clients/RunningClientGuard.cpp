#include "clients/RunningClientGuard.h"

#include "clients/Clients.h"
#include "clients/WindowList.h"
#include "platform/Process.h"

#include <QCoreApplication>

namespace clients {

QString GuardedProcessName(int clientCode) {
    switch (clientCode) {
    case kOutlook:
        return QStringLiteral("outlook.exe");
    case kNetscape4:
        return QStringLiteral("netscape.exe");
    default:
        return {};
    }
}

RunningClientGuard::RunningClientGuard(WindowList& winList, base::Interaction& ui)
    : winList_(winList), ui_(ui) {
    // A client none of whose windows can be seen (inside Wine's virtual
    // desktop they all belong to the desktop's process) still writes its
    // store: its process counts, display or not.
    winList_.WindowlessProcesses = true;
}

bool RunningClientGuard::belongsTo(int index, const QString& processName) const {
    const auto& entry = winList_.windows()[size_t(index)];
    return entry.info.exeName.toLower().contains(processName.toLower()) &&
           entry.title.toLower() != QLatin1String("mci command handling window");
}

QStringList RunningClientGuard::RunningTitles(const QString& processName) {
    winList_.Refresh();
    QStringList titles;
    for (int i = 0; i < winList_.count(); ++i)
        if (belongsTo(i, processName)) titles << winList_.windows()[size_t(i)].title;
    return titles;
}

bool RunningClientGuard::CheckRunningClient(int clientCode) {
    closedAll_ = false;
    const QString processName = GuardedProcessName(clientCode);
    if (processName.isEmpty()) return false;
    for (;;) {
        const QStringList titles = RunningTitles(processName);
        if (titles.isEmpty()) return false;
        const auto answer =
            ui_.showRunningClients(clientCode, titles, [this, &processName](QStringList& listed) {
                CloseAll(processName, listed);
            });
        switch (answer) {
        case base::Interaction::GuardAnswer::Ok:
            continue; // look again: the person says the client is closed
        case base::Interaction::GuardAnswer::CloseAll:
            closedAll_ = true;
            return false;
        default:
            return true;
        }
    }
}

void RunningClientGuard::CloseAll(const QString& processName, QStringList& titles) {
    winList_.Refresh();
    const quint32 self = quint32(QCoreApplication::applicationPid());
    for (int i = 0; i < winList_.count() && !titles.isEmpty(); ++i) {
        const auto& entry = winList_.windows()[size_t(i)];
        if (entry.title != titles.first() || !belongsTo(i, processName)) continue;
        const quint32 pid = entry.info.pid;
        if (pid != 0 && pid != self) {
            auto process = platform::ProcessHandle::openForTerminate(pid);
            if (process && process.value().terminate(-1)) process.value().waitForExit();
        }
        titles.removeFirst();
    }
}

} // namespace clients
