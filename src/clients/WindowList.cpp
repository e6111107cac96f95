#include "clients/WindowList.h"

#include <QCoreApplication>
#include <QSet>

namespace clients {

namespace {

// A window that would get a taskbar button: not a pop-up, or a pop-up with a
// minimize box and a system menu that is not disabled.
bool passesTaskbarTest(const platform::TopLevelWindow& w) {
    if (!(w.style & platform::WS_POPUP)) return true;
    return (w.style & platform::WS_MINIMIZEBOX) && (w.style & platform::WS_SYSMENU) &&
           !(w.style & platform::WS_DISABLED);
}

std::optional<std::vector<platform::TopLevelWindow>> desktopWindows() {
    return platform::topLevelWindows(WindowList::kMaxWindows);
}

// A process standing in for a window: a visible main window titled with its
// executable name.
platform::TopLevelWindow processWindow(const platform::ProcessEntry& p) {
    platform::TopLevelWindow w;
    w.handle = p.pid;
    w.title = p.exeName;
    w.visible = true;
    w.pid = p.pid;
    w.style = platform::WS_VISIBLE | platform::WS_OVERLAPPEDWINDOW;
    w.exStyle = platform::WS_EX_APPWINDOW;
    return w;
}

} // namespace

WindowList::WindowList(WindowSource windows, SnapshotSource snapshot)
    : windows_(windows ? std::move(windows) : WindowSource(&desktopWindows)),
      snapshot_(snapshot ? std::move(snapshot) : SnapshotSource(&platform::processSnapshot)) {
    timer_.setSingleShot(false);
    QObject::connect(&timer_, &QTimer::timeout, [this] { timerTick(); });
}

void WindowList::SetEnableTimer(bool on) {
    enableTimer_ = on;
    if (on && timerIntval_ > 0)
        timer_.start(timerIntval_);
    else
        timer_.stop();
}

void WindowList::SetTimerIntval(int ms) {
    timerIntval_ = ms;
    if (ms <= 0)
        timer_.stop();
    else if (enableTimer_)
        timer_.start(ms);
}

bool WindowList::qualifies(const platform::TopLevelWindow& w) const {
    if (w.title.isEmpty() && !EmptyNames) return false;
    if ((WhatDoFind == id_VisOnly && !w.visible) || (WhatDoFind == id_InvisOnly && w.visible))
        return false;
    return !TaskBarSty || (w.owner == 0 && passesTaskbarTest(w));
}

std::vector<WindowList::Candidate>
WindowList::collect(bool& fromProcesses,
                    std::optional<std::vector<platform::ProcessEntry>>& snapshot) {
    std::vector<Candidate> out;
    const auto windows = windows_();
    fromProcesses = !windows.has_value();
    QSet<quint32> owners; // processes that own a window of the desktop
    if (windows) {
        for (const platform::TopLevelWindow& w : *windows) {
            if (w.pid != 0) owners.insert(w.pid);
            if (int(out.size()) >= kMaxWindows) continue;
            if (qualifies(w)) out.push_back({w, false});
        }
        if (!WindowlessProcesses) return out;
    }
    // No window list: each process counts as a window; with one, each process
    // that owns none of its windows.
    snapshot = snapshot_();
    for (const platform::ProcessEntry& p : *snapshot) {
        if (int(out.size()) >= kMaxWindows) break;
        if (owners.contains(p.pid)) continue;
        const platform::TopLevelWindow w = processWindow(p);
        if (qualifies(w)) out.push_back({w, true});
    }
    return out;
}

bool WindowList::Refresh() {
    timer_.stop();
    bool fromProcesses = false;
    std::optional<std::vector<platform::ProcessEntry>> taken;
    const std::vector<Candidate> found = collect(fromProcesses, taken);
    std::vector<quint32> handles;
    handles.reserve(found.size());
    for (const Candidate& c : found)
        handles.push_back(c.win.handle);

    bool changed = false;
    if (handles != lastHandles_ || fromProcesses != fromProcesses_) {
        lastHandles_ = std::move(handles);
        fromProcesses_ = fromProcesses;
        list_.clear();
        list_.reserve(found.size());
        std::vector<platform::ProcessEntry> snapshot;
        if (taken)
            snapshot = std::move(*taken);
        else if (!found.empty())
            snapshot = snapshot_();
        for (const Candidate& c : found) {
            Entry e;
            e.title = c.win.title;
            WindowInfo& i = e.info;
            i.parentHandle = c.win.owner;
            i.handle = c.win.handle;
            i.parentTitle = c.win.owner == 0             ? QStringLiteral("Desktop")
                            : c.win.ownerTitle.isEmpty() ? QStringLiteral("NoName")
                                                         : c.win.ownerTitle;
            i.className = c.win.className.left(100);
            i.pid = c.win.pid;
            i.style = c.win.style;
            i.exStyle = c.win.exStyle;
            if (c.fromProcess) {
                i.exeName = c.win.title;
            } else if (c.win.pid != 0) {
                for (const platform::ProcessEntry& p : snapshot) {
                    if (p.pid == c.win.pid) {
                        i.exeName = p.exeName;
                        break;
                    }
                }
            }
            list_.push_back(std::move(e));
        }
        changed = true;
    }
    if (enableTimer_ && timerIntval_ > 0) timer_.start(timerIntval_);
    return changed;
}

void WindowList::timerTick() {
    if (timerIntval_ <= 0) {
        timer_.stop();
        return;
    }
    const bool changed = Refresh();
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    if (changed && OnChanged) OnChanged();
}

quint32 WindowList::ProcessId(int i) const {
    return i >= 0 && i < count() ? list_[size_t(i)].info.pid : 0;
}

QString WindowList::ExeName(int i) const {
    return i >= 0 && i < count() ? list_[size_t(i)].info.exeName : QString();
}

} // namespace clients
