// The running-client guard: which clients it holds back, what the window is
// shown with, the answers "OK", "Close all" and "Cancel", and the run without
// a window list, where the process list stands in.

#include "base/Interaction.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "clients/WindowList.h"
#include "clients/gui/FakeClient.h"
#include "clients/gui/XServer.h"
#include "support/FakeInteraction.h"
#include "support/ScopedEnv.h"

#include <QTemporaryDir>
#include <QTest>

#include <deque>

using Answer = base::Interaction::GuardAnswer;

namespace {

platform::TopLevelWindow window(quint32 handle, const QString& title, quint32 pid) {
    platform::TopLevelWindow w;
    w.handle = handle;
    w.title = title;
    w.pid = pid;
    w.visible = true;
    w.style = platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE;
    return w;
}

platform::ProcessEntry process(quint32 pid, const QString& exeName) {
    platform::ProcessEntry p;
    p.pid = pid;
    p.exeName = exeName;
    p.exePath = QStringLiteral("C:\\Program Files\\") + exeName;
    return p;
}

// A window list as the program sets it up for the guard.
struct Desk {
    std::vector<platform::TopLevelWindow> windows;
    std::vector<platform::ProcessEntry> processes;
    clients::WindowList list{[this] { return std::optional(windows); },
                             [this] { return processes; }};
    Desk() {
        list.WhatDoFind = clients::id_All;
        list.TaskBarSty = false;
    }
};

} // namespace

class TstGuard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void processNames();
    void clientsThatMayRun();
    void notRunning();
    void untitledAndMciWindowsAreNotListed();
    void okLooksAgain();
    void cancelHoldsBack();
    void closeAllEndsTheClient();
    void closeAllSparesOtherPrograms();
    void withoutAWindowTheProcessCounts_data();
    void withoutAWindowTheProcessCounts();
};

void TstGuard::processNames() {
    QCOMPARE(clients::GuardedProcessName(clients::kOutlook), QStringLiteral("outlook.exe"));
    QCOMPARE(clients::GuardedProcessName(clients::kNetscape4), QStringLiteral("netscape.exe"));
    for (int code : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 72, 73, 720, 86, 87, 967})
        QVERIFY(clients::GuardedProcessName(code).isEmpty());
}

void TstGuard::clientsThatMayRun() {
    Desk desk;
    desk.windows = {window(1, QStringLiteral("Eudora"), 10)};
    desk.processes = {process(10, QStringLiteral("EUDORA.EXE"))};
    testsupport::FakeInteraction ui;
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kEudora));
    QVERIFY(ui.shown.isEmpty());
    // A restore into it is held back all the same, and the window says it is a restore.
    QVERIFY(guard.CheckRunningClient(clients::kEudora, clients::RunningClientGuard::For::Restore));
    QVERIFY(ui.restoring);
}

void TstGuard::notRunning() {
    Desk desk;
    desk.windows = {window(1, QStringLiteral("Terminal"), 10)};
    desk.processes = {process(10, QStringLiteral("xterm"))};
    testsupport::FakeInteraction ui;
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QVERIFY(ui.shown.isEmpty());
}

void TstGuard::untitledAndMciWindowsAreNotListed() {
    Desk desk;
    desk.windows = {window(1, QString(), 20),
                    window(2, QStringLiteral("MCI command handling window"), 20),
                    window(3, QStringLiteral("mci COMMAND handling WINDOW"), 20)};
    desk.processes = {process(20, QStringLiteral("OUTLOOK.EXE"))};
    testsupport::FakeInteraction ui;
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QVERIFY(ui.shown.isEmpty());

    // With a real window beside them, only that one is listed.
    desk.windows.push_back(window(4, QStringLiteral("Inbox - Microsoft Outlook"), 20));
    ui.answers = {Answer::Cancel};
    QVERIFY(guard.CheckRunningClient(clients::kOutlook));
    QCOMPARE(ui.shown, (QList<QStringList>{{"Inbox - Microsoft Outlook"}}));
}

void TstGuard::okLooksAgain() {
    Desk desk;
    desk.windows = {window(1, QStringLiteral("Inbox - Microsoft Outlook"), 20),
                    window(2, QStringLiteral("New Message"), 20),
                    window(3, QStringLiteral("Calculator"), 30)};
    desk.processes = {process(20, QStringLiteral("OUTLOOK.EXE")),
                      process(30, QStringLiteral("calc.exe"))};
    testsupport::FakeInteraction ui;
    ui.answers = {Answer::Ok, Answer::Ok};
    // The person closes the message while the window is up the first time,
    // and Outlook itself the second time: its window and its process go.
    int showing = 0;
    ui.onShow = [&] {
        if (++showing == 1) {
            desk.windows.erase(desk.windows.begin() + 1);
        } else {
            desk.windows.erase(desk.windows.begin());
            desk.processes.erase(desk.processes.begin());
        }
    };
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QCOMPARE(ui.shown, (QList<QStringList>{{"Inbox - Microsoft Outlook", "New Message"},
                                           {"Inbox - Microsoft Outlook"}}));
}

void TstGuard::cancelHoldsBack() {
    Desk desk;
    desk.windows = {window(1, QStringLiteral("Netscape"), 40)};
    desk.processes = {process(40, QStringLiteral("netscape.exe"))};
    for (Answer a : {Answer::Cancel, Answer::Wait}) {
        testsupport::FakeInteraction ui;
        ui.answers = {a};
        clients::RunningClientGuard guard(desk.list, ui);
        QVERIFY(guard.CheckRunningClient(clients::kNetscape4));
        QCOMPARE(ui.shown.size(), 1);
    }
    // The console's answer: skip the client.
    base::ConsoleInteraction console;
    clients::RunningClientGuard guard(desk.list, console);
    QVERIFY(guard.CheckRunningClient(clients::kNetscape4));
}

void TstGuard::closeAllEndsTheClient() {
    QTemporaryDir dir;
    testx::FakeClient outlook(dir.path(), QStringLiteral("OUTLOOK.EXE"));
    QVERIFY(outlook.isRunning());
    Desk desk;
    desk.windows = {window(1, QStringLiteral("Inbox - Microsoft Outlook"), outlook.pid()),
                    window(2, QStringLiteral("Reminder"), outlook.pid())};
    desk.processes = {process(outlook.pid(), QStringLiteral("OUTLOOK.EXE"))};
    testsupport::FakeInteraction ui;
    ui.answers = {Answer::CloseAll};
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QCOMPARE(ui.shown.size(), 1);
    // The first window's process was ended and waited for; the second
    // window's process could no longer be opened, and its title went too.
    QVERIFY(outlook.waitForEnd(5000));
    QVERIFY(ui.leftAfterCloseAll.isEmpty());
    // Asked to end, it did: it was not killed.
    QCOMPARE(guard.lastEnded().onRequest, QStringList{QStringLiteral("OUTLOOK.EXE")});
}

void TstGuard::closeAllSparesOtherPrograms() {
    QTemporaryDir dir;
    testx::FakeClient outlook(dir.path(), QStringLiteral("OUTLOOK.EXE"));
    testx::FakeClient browser(dir.path(), QStringLiteral("browser"));
    QVERIFY(outlook.isRunning() && browser.isRunning());
    Desk desk;
    // A browser page carries the same title, and comes first.
    desk.windows = {window(1, QStringLiteral("Mail - Outlook"), browser.pid()),
                    window(2, QStringLiteral("Mail - Outlook"), outlook.pid())};
    desk.processes = {process(browser.pid(), QStringLiteral("browser")),
                      process(outlook.pid(), QStringLiteral("OUTLOOK.EXE"))};
    testsupport::FakeInteraction ui;
    ui.answers = {Answer::CloseAll};
    clients::RunningClientGuard guard(desk.list, ui);
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QCOMPARE(ui.shown, (QList<QStringList>{{"Mail - Outlook"}}));
    QVERIFY(outlook.waitForEnd(5000));
    QVERIFY(browser.isRunning());
}

// A running client without a window of its own: where the desktop has no
// window list, and on a display none of whose windows is the client's (inside
// Wine's virtual desktop they all belong to the desktop's process). Its
// process holds the backup back, titled with its executable name.
void TstGuard::withoutAWindowTheProcessCounts_data() {
    QTest::addColumn<bool>("display");
    QTest::newRow("no window list") << false;
    QTest::newRow("no window of its own") << true;
}

void TstGuard::withoutAWindowTheProcessCounts() {
    QFETCH(bool, display);
    testx::XServer x;
    if (display && !x.isRunning()) QSKIP("Xvfb is not installed");
    support::ScopedEnv displayVar("DISPLAY", display ? x.display() : QByteArray());
    support::ScopedEnv wayland("WAYLAND_DISPLAY", QByteArray());
    QTemporaryDir dir;
    const QString name = QStringLiteral("outlook.exe");
    testx::FakeClient outlook(dir.path(), name);
    QVERIFY(outlook.isRunning());
    clients::WindowList list;
    list.WhatDoFind = clients::id_All;
    list.TaskBarSty = false;
    testsupport::FakeInteraction ui;
    ui.answers = {Answer::Cancel};
    clients::RunningClientGuard guard(list, ui);
    QVERIFY(guard.CheckRunningClient(clients::kOutlook));
    QCOMPARE(list.fromProcessList(), !display);
    QCOMPARE(ui.shown.size(), 1);
    QVERIFY(ui.shown.first().contains(name));
    // Outlook Express is not held back by it.
    QVERIFY(!guard.CheckRunningClient(clients::kOutlookExpress));

    // "Close all" ends it there too.
    ui.answers = {Answer::CloseAll};
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
    QVERIFY(outlook.waitForEnd(5000));
    QVERIFY(!guard.CheckRunningClient(clients::kOutlook));
}

QTEST_GUILESS_MAIN(TstGuard)
#include "tst_guard.moc"
