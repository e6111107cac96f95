// The desktop's window list (X11) and WindowList over it: what each window
// reports, the filters, change detection, the timer, and the fall-back to the
// process list where there is no window list.

#include "clients/WindowList.h"
#include "clients/gui/XServer.h"
#include "platform/XWindowList.h"
#include "support/ScopedEnv.h"

#include <array>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using platform::TopLevelWindow;

namespace {

using EnvVar = support::ScopedEnv;

TopLevelWindow window(quint32 handle, const QString& title, quint32 pid, bool visible = true) {
    TopLevelWindow w;
    w.handle = handle;
    w.title = title;
    w.pid = pid;
    w.visible = visible;
    w.style = platform::WS_OVERLAPPEDWINDOW | (visible ? platform::WS_VISIBLE : 0u);
    return w;
}

platform::ProcessEntry process(quint32 pid, const QString& exeName) {
    platform::ProcessEntry p;
    p.pid = pid;
    p.exeName = exeName;
    p.exePath = QStringLiteral("/opt/") + exeName;
    return p;
}

const TopLevelWindow* findHandle(const std::vector<TopLevelWindow>& list, quint32 handle) {
    for (const auto& w : list)
        if (w.handle == handle) return &w;
    return nullptr;
}

} // namespace

class TstWinList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noWindowListWithoutX();
    void readsWindowsFromX();
    void hostileProperties();
    void filters_data();
    void filters();
    void ownerTitlesAndExecutables();
    void sameWindowsKeepTheList();
    void fallsBackToProcesses();
    void timerRaisesOnChanged();
};

void TstWinList::noWindowListWithoutX() {
    {
        EnvVar display("DISPLAY", QByteArray());
        EnvVar wayland("WAYLAND_DISPLAY", QByteArray());
        QVERIFY(!platform::topLevelWindows().has_value());
    }
    {
        // Nothing listens on this display.
        EnvVar display("DISPLAY", ":31999");
        EnvVar wayland("WAYLAND_DISPLAY", QByteArray());
        QVERIFY(!platform::topLevelWindows().has_value());
    }
    testx::XServer x;
    if (!x.isRunning()) QSKIP("Xvfb is not installed");
    // In a Wayland session X sees only part of the windows: no list at all.
    EnvVar display("DISPLAY", x.display());
    EnvVar wayland("WAYLAND_DISPLAY", "wayland-0");
    QVERIFY(!platform::topLevelWindows().has_value());
}

void TstWinList::readsWindowsFromX() {
    testx::XServer x;
    if (!x.isRunning()) QSKIP("Xvfb is not installed");
    EnvVar display("DISPLAY", x.display());
    EnvVar wayland("WAYLAND_DISPLAY", QByteArray());
    testx::WindowMaker maker(x.display());
    QVERIFY(maker.isOk());

    const auto empty = platform::topLevelWindows();
    QVERIFY(empty.has_value());
    QVERIFY(empty->empty());

    testx::WindowMaker::Spec main;
    main.title = "Posteingang – Outlook"; // UTF-8 beyond Latin-1
    main.pid = 4242;
    const quint32 mainId = maker.make(main);

    testx::WindowMaker::Spec old;
    old.latinTitle = "Caf\xe9"; // WM_NAME in Latin-1 only
    const quint32 oldId = maker.make(old);

    testx::WindowMaker::Spec dialog;
    dialog.title = "Options";
    dialog.transientFor = mainId;
    dialog.type = "_NET_WM_WINDOW_TYPE_DIALOG";
    const quint32 dialogId = maker.make(dialog);

    testx::WindowMaker::Spec hidden;
    hidden.title = "Reminder";
    hidden.mapped = false;
    const quint32 hiddenId = maker.make(hidden);

    testx::WindowMaker::Spec minimized = hidden;
    minimized.title = "Minimized";
    minimized.state = "_NET_WM_STATE_HIDDEN";
    const quint32 minimizedId = maker.make(minimized);

    testx::WindowMaker::Spec menu;
    menu.title = "menu";
    menu.overrideRedirect = true;
    const quint32 menuId = maker.make(menu);

    testx::WindowMaker::Spec tray;
    tray.title = "tray helper";
    tray.state = "_NET_WM_STATE_SKIP_TASKBAR";
    const quint32 trayId = maker.make(tray);

    testx::WindowMaker::Spec remote;
    remote.title = "remote";
    remote.pid = 4243;
    remote.machine = "elsewhere-" + QSysInfo::machineHostName().toLatin1() + "-not";
    const quint32 remoteId = maker.make(remote);

    const auto list = platform::topLevelWindows();
    QVERIFY(list.has_value());
    QCOMPARE(int(list->size()), 8);

    const TopLevelWindow* w = findHandle(*list, mainId);
    QVERIFY(w);
    QCOMPARE(w->title, QStringLiteral("Posteingang – Outlook"));
    QCOMPARE(w->pid, 4242u);
    QCOMPARE(w->className, QStringLiteral("Wine"));
    QCOMPARE(w->owner, 0u);
    QVERIFY(w->visible);
    QCOMPARE(w->style & platform::WS_OVERLAPPEDWINDOW, quint32(platform::WS_OVERLAPPEDWINDOW));
    QVERIFY(!(w->style & platform::WS_POPUP));

    QCOMPARE(findHandle(*list, oldId)->title, QStringLiteral("Café"));

    w = findHandle(*list, dialogId);
    QCOMPARE(w->owner, mainId);
    QCOMPARE(w->ownerTitle, QStringLiteral("Posteingang – Outlook"));
    QVERIFY(w->style & platform::WS_POPUP);

    QVERIFY(!findHandle(*list, hiddenId)->visible);
    w = findHandle(*list, minimizedId);
    QVERIFY(w->visible);
    QVERIFY(w->style & platform::WS_MINIMIZE);

    w = findHandle(*list, menuId);
    QVERIFY(w->style & platform::WS_POPUP);
    QVERIFY(!(w->style & platform::WS_MINIMIZEBOX));

    w = findHandle(*list, trayId);
    QVERIFY(w->exStyle & platform::WS_EX_TOOLWINDOW);
    QVERIFY(!(w->style & platform::WS_MINIMIZEBOX));

    // A process id from another machine leads to no local process.
    QCOMPARE(findHandle(*list, remoteId)->pid, 0u);

    // The same windows through WindowList with its defaults: visible, titled,
    // with a taskbar button.
    clients::WindowList winList;
    QVERIFY(winList.Refresh());
    QStringList titles;
    for (const auto& e : winList.windows())
        titles << e.title;
    QVERIFY(titles.contains(QStringLiteral("Posteingang – Outlook")));
    QVERIFY(titles.contains(QStringLiteral("Minimized")));
    QVERIFY(!titles.contains(QStringLiteral("Options")));     // owned
    QVERIFY(!titles.contains(QStringLiteral("Reminder")));    // invisible
    QVERIFY(!titles.contains(QStringLiteral("menu")));        // pop-up
    QVERIFY(!titles.contains(QStringLiteral("tray helper"))); // no taskbar button

    maker.destroy(mainId);
    QVERIFY(winList.Refresh());
    for (const auto& e : winList.windows())
        QVERIFY(e.info.handle != mainId);
}

void TstWinList::hostileProperties() {
    testx::XServer x;
    if (!x.isRunning()) QSKIP("Xvfb is not installed");
    EnvVar display("DISPLAY", x.display());
    EnvVar wayland("WAYLAND_DISPLAY", QByteArray());
    testx::WindowMaker maker(x.display());
    QVERIFY(maker.isOk());

    const QByteArray props[] = {
        "_NET_WM_NAME", "WM_NAME",           "WM_CLASS",      "WM_TRANSIENT_FOR",
        "_NET_WM_PID",  "WM_CLIENT_MACHINE", "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE",
        "WM_STATE"};
    const QByteArray types[] = {"UTF8_STRING", "STRING",   "CARDINAL", "WINDOW",
                                "ATOM",        "WM_STATE", "INTEGER"};
    QRandomGenerator rng(20260507);
    std::vector<quint32> made;
    for (int i = 0; i < 40; ++i) {
        testx::WindowMaker::Spec spec;
        spec.instance.clear();
        spec.klass.clear();
        spec.mapped = rng.bounded(2) == 0;
        const quint32 w = maker.make(spec);
        made.push_back(w);
        for (const QByteArray& prop : props) {
            if (rng.bounded(3) == 0) continue;
            QByteArray bytes(int(rng.bounded(2000)), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(rng.bounded(256));
            const quint8 format = std::array<quint8, 3>{8, 16, 32}[rng.bounded(3)];
            maker.setRaw(w, prop, types[rng.bounded(int(std::size(types)))], format, bytes);
        }
    }
    // A window that names another window as its owner that does not exist,
    // and one that claims itself.
    testx::WindowMaker::Spec orphan;
    orphan.title = "orphan";
    orphan.transientFor = 0x7fffff;
    maker.make(orphan);
    const quint32 self = maker.make({});
    maker.setRaw(self, "WM_TRANSIENT_FOR", "WINDOW", 32,
                 QByteArray(reinterpret_cast<const char*>(&self), 4));

    const auto list = platform::topLevelWindows();
    QVERIFY(list.has_value());
    QCOMPARE(int(list->size()), 42);
    for (const TopLevelWindow& w : *list) {
        QVERIFY(w.title.size() <= 255);
        QVERIFY(w.className.size() <= 100);
        QVERIFY(w.owner != w.handle);
        QVERIFY(!w.title.contains(QChar(0)));
    }
    QVERIFY(findHandle(*list, self)->owner == 0);

    clients::WindowList winList;
    winList.WhatDoFind = clients::id_All;
    winList.TaskBarSty = false;
    winList.EmptyNames = true;
    QVERIFY(winList.Refresh());
    QCOMPARE(winList.count(), 42);
    // Shown with too many windows for one refresh, the list stays within its bound.
    QVERIFY(platform::topLevelWindows(5)->size() == 5);

    // A window manager's list that names windows that are gone, or none at all.
    QByteArray ids;
    for (quint32 id : {made[0], 0x5ffffffu, made[1], 0u})
        ids.append(reinterpret_cast<const char*>(&id), 4);
    maker.setRaw(maker.root(), "_NET_CLIENT_LIST", "WINDOW", 32, ids);
    const auto managed = platform::topLevelWindows();
    QVERIFY(managed.has_value());
    QCOMPARE(int(managed->size()), 2);
    QCOMPARE(managed->at(0).handle, made[0]);
    QCOMPARE(managed->at(1).handle, made[1]);
}

void TstWinList::filters_data() {
    QTest::addColumn<bool>("emptyNames");
    QTest::addColumn<int>("whatDoFind");
    QTest::addColumn<bool>("taskBarSty");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("defaults") << false << int(clients::id_VisOnly) << true
                              << QStringList{"Main", "Popup with box"};
    QTest::newRow("every titled window")
        << false << int(clients::id_All) << false
        << QStringList{"Main",        "Owned",          "Hidden",
                       "Plain popup", "Popup with box", "Disabled popup"};
    QTest::newRow("untitled too") << true << int(clients::id_All) << false
                                  << QStringList{"Main",          "",
                                                 "Owned",         "Hidden",
                                                 "Plain popup",   "Popup with box",
                                                 "Disabled popup"};
    QTest::newRow("invisible only")
        << false << int(clients::id_InvisOnly) << false << QStringList{"Hidden"};
}

void TstWinList::filters() {
    QFETCH(bool, emptyNames);
    QFETCH(int, whatDoFind);
    QFETCH(bool, taskBarSty);
    QFETCH(QStringList, expected);

    std::vector<TopLevelWindow> windows;
    windows.push_back(window(1, QStringLiteral("Main"), 10));
    windows.push_back(window(2, QString(), 10));
    TopLevelWindow owned = window(3, QStringLiteral("Owned"), 10);
    owned.owner = 1;
    windows.push_back(owned);
    windows.push_back(window(4, QStringLiteral("Hidden"), 10, false));
    TopLevelWindow popup = window(5, QStringLiteral("Plain popup"), 10);
    popup.style = platform::WS_POPUP | platform::WS_VISIBLE;
    windows.push_back(popup);
    popup.handle = 6;
    popup.title = QStringLiteral("Popup with box");
    popup.style |= platform::WS_MINIMIZEBOX | platform::WS_SYSMENU;
    windows.push_back(popup);
    popup.handle = 7;
    popup.title = QStringLiteral("Disabled popup");
    popup.style |= platform::WS_DISABLED;
    windows.push_back(popup);

    clients::WindowList list([&] { return std::optional(windows); },
                             [] { return std::vector<platform::ProcessEntry>(); });
    list.EmptyNames = emptyNames;
    list.WhatDoFind = clients::TWhatDoFind(whatDoFind);
    list.TaskBarSty = taskBarSty;
    list.Refresh();
    QStringList titles;
    for (const auto& e : list.windows())
        titles << e.title;
    QCOMPARE(titles, expected);
}

void TstWinList::ownerTitlesAndExecutables() {
    std::vector<TopLevelWindow> windows;
    windows.push_back(window(1, QStringLiteral("Inbox"), 20));
    TopLevelWindow owned = window(2, QStringLiteral("Find"), 20);
    owned.owner = 1;
    owned.ownerTitle = QStringLiteral("Inbox");
    windows.push_back(owned);
    TopLevelWindow orphan = window(3, QStringLiteral("Tip"), 0);
    orphan.owner = 99;
    windows.push_back(orphan);
    windows.push_back(window(4, QStringLiteral("Other"), 30));

    std::vector<platform::ProcessEntry> snapshot{process(20, QStringLiteral("OUTLOOK.EXE")),
                                                 process(30, QStringLiteral("first.exe")),
                                                 process(30, QStringLiteral("second.exe"))};
    clients::WindowList list([&] { return std::optional(windows); }, [&] { return snapshot; });
    list.WhatDoFind = clients::id_All;
    list.TaskBarSty = false;
    list.Refresh();
    QCOMPARE(list.count(), 4);
    QCOMPARE(list.windows()[0].info.parentTitle, QStringLiteral("Desktop"));
    QCOMPARE(list.windows()[1].info.parentTitle, QStringLiteral("Inbox"));
    QCOMPARE(list.windows()[2].info.parentTitle, QStringLiteral("NoName"));
    QCOMPARE(list.ExeName(0), QStringLiteral("OUTLOOK.EXE"));
    QCOMPARE(list.ExeName(1), QStringLiteral("OUTLOOK.EXE"));
    QCOMPARE(list.ExeName(2), QString());                   // no process id, no executable
    QCOMPARE(list.ExeName(3), QStringLiteral("first.exe")); // the first snapshot entry
    QCOMPARE(list.ProcessId(3), 30u);
    QCOMPARE(list.ProcessId(4), 0u); // out of range
    QVERIFY(!list.fromProcessList());
}

void TstWinList::sameWindowsKeepTheList() {
    std::vector<TopLevelWindow> windows{window(1, QStringLiteral("a"), 1),
                                        window(4, QStringLiteral("b"), 1)};
    clients::WindowList list([&] { return std::optional(windows); },
                             [] { return std::vector<platform::ProcessEntry>(); });
    QVERIFY(list.Refresh());
    // Same windows, a new title: the list keeps what it had.
    windows[0].title = QStringLiteral("a2");
    QVERIFY(!list.Refresh());
    QCOMPARE(list.windows()[0].title, QStringLiteral("a"));
    // Other windows whose handles add up to the same sum are still a change.
    windows = {window(2, QStringLiteral("c"), 1), window(3, QStringLiteral("d"), 1)};
    QVERIFY(list.Refresh());
    QCOMPARE(list.windows()[0].title, QStringLiteral("c"));
    // Nothing at all, then nothing again.
    windows.clear();
    QVERIFY(list.Refresh());
    QVERIFY(!list.Refresh());
    QCOMPARE(list.count(), 0);
}

void TstWinList::fallsBackToProcesses() {
    std::vector<platform::ProcessEntry> snapshot{process(100, QStringLiteral("bash")),
                                                 process(200, QStringLiteral("OUTLOOK.EXE")),
                                                 process(300, QString())};
    clients::WindowList list([] { return std::optional<std::vector<TopLevelWindow>>(); },
                             [&] { return snapshot; });
    list.WhatDoFind = clients::id_All;
    list.TaskBarSty = false;
    QVERIFY(list.Refresh());
    QVERIFY(list.fromProcessList());
    QCOMPARE(list.count(), 2); // the process without a name has no title
    QCOMPARE(list.windows()[1].title, QStringLiteral("OUTLOOK.EXE"));
    QCOMPARE(list.ExeName(1), QStringLiteral("OUTLOOK.EXE"));
    QCOMPARE(list.ProcessId(1), 200u);
    // The default filters let every process through as well.
    clients::WindowList defaults([] { return std::optional<std::vector<TopLevelWindow>>(); },
                                 [&] { return snapshot; });
    defaults.Refresh();
    QCOMPARE(defaults.count(), 2);
}

void TstWinList::timerRaisesOnChanged() {
    std::vector<TopLevelWindow> windows{window(1, QStringLiteral("a"), 1)};
    clients::WindowList list([&] { return std::optional(windows); },
                             [] { return std::vector<platform::ProcessEntry>(); });
    int changes = 0;
    list.OnChanged = [&] { ++changes; };
    list.SetTimerIntval(20);
    list.SetEnableTimer(true);
    QTRY_COMPARE(changes, 1); // the first refresh finds the window
    QTest::qWait(100);
    QCOMPARE(changes, 1); // nothing new
    windows.push_back(window(2, QStringLiteral("b"), 1));
    QTRY_COMPARE(changes, 2);
    QCOMPARE(list.count(), 2);
    // An interval of 0 stops the timer.
    list.SetTimerIntval(0);
    windows.push_back(window(3, QStringLiteral("c"), 1));
    QTest::qWait(100);
    QCOMPARE(changes, 2);
}

QTEST_GUILESS_MAIN(TstWinList)
#include "tst_winlist.moc"
