#include "clients/RunningClientGuard.h"

#include "clients/ClientTable.h"
#include "clients/WindowList.h"
#include "platform/Process.h"
#include "platform/XWindowList.h"

#include <QCoreApplication>
#include <QSet>

namespace clients {

QString GuardedProcessName(int clientCode) {
    const ClientRow* row = clientRow(clientCode);
    return row && row->guardedProgram ? QString::fromLatin1(row->guardedProgram) : QString();
}

QStringList RestoredProcessNames(int clientCode) {
    QStringList names;
    if (const ClientRow* row = clientRow(clientCode))
        for (const char* program : row->restoredPrograms)
            if (program) names << QString::fromLatin1(program);
    return names;
}

RunningClientGuard::RunningClientGuard(WindowList& winList, base::Interaction& ui)
    : winList_(winList), ui_(ui) {
    // A client none of whose windows can be seen (inside Wine's virtual
    // desktop they all belong to the desktop's process) still writes its
    // store: its process counts, display or not.
    winList_.WindowlessProcesses = true;
}

bool RunningClientGuard::belongsTo(int index, const QStringList& processNames) const {
    const auto& entry = winList_.windows()[size_t(index)];
    if (entry.title.toLower() == QLatin1String("mci command handling window")) return false;
    const QString exe = entry.info.exeName.toLower();
    for (const QString& name : processNames)
        if (exe.contains(name.toLower())) return true;
    return false;
}

QStringList RunningClientGuard::RunningTitles(const QStringList& processNames) {
    winList_.Refresh();
    QStringList titles;
    for (int i = 0; i < winList_.count(); ++i)
        if (belongsTo(i, processNames)) titles << winList_.windows()[size_t(i)].title;
    return titles;
}

bool RunningClientGuard::CheckRunningClient(int clientCode, For purpose) {
    closedAll_ = false;
    QStringList names = purpose == For::Restore ? RestoredProcessNames(clientCode)
                                                : QStringList{GuardedProcessName(clientCode)};
    names.removeAll(QString());
    if (names.isEmpty()) return false;
    for (;;) {
        const QStringList titles = RunningTitles(names);
        if (titles.isEmpty()) return false;
        const auto answer = ui_.showRunningClients(
            clientCode, titles, [this, &names](QStringList& listed) { CloseAll(names, listed); },
            purpose == For::Restore);
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

void RunningClientGuard::CloseAll(const QStringList& processNames, QStringList& titles) {
    ended_ = {};
    winList_.Refresh();
    const quint32 self = quint32(QCoreApplication::applicationPid());
    QSet<quint32> done;
    for (int i = 0; i < winList_.count() && !titles.isEmpty(); ++i) {
        const auto& entry = winList_.windows()[size_t(i)];
        if (entry.title != titles.first() || !belongsTo(i, processNames)) continue;
        const quint32 pid = entry.info.pid;
        titles.removeFirst();
        if (pid == 0 || pid == self || done.contains(pid)) continue;
        done.insert(pid);
        auto process = platform::ProcessHandle::openForTerminate(pid);
        if (!process) {
            ended_.notAtAll << entry.info.exeName;
            continue;
        }
        // Its windows are asked first, as their close boxes would be.
        bool asked = false;
        for (int j = 0; j < winList_.count(); ++j)
            if (winList_.windows()[size_t(j)].info.pid == pid)
                asked = platform::requestWindowClose(winList_.windows()[size_t(j)].info.handle) ||
                        asked;
        using E = platform::ProcessHandle::Ending;
        switch (process.value().endGently(asked ? windowGraceMs : 0, termGraceMs)) {
        case E::OnRequest:
            ended_.onRequest << entry.info.exeName;
            break;
        case E::ByForce:
            ended_.byForce << entry.info.exeName;
            break;
        case E::NotAtAll:
            ended_.notAtAll << entry.info.exeName;
            break;
        }
    }
}

} // namespace clients
