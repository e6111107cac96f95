#pragma once
// The list of top-level windows with their owning processes. Where the desktop
// has no window list (no X server, a Wayland session), every running process
// stands in for a window titled with its executable name, so that a running
// mail client is still seen; with WindowlessProcesses, so does every process
// that owns none of the desktop's windows.

#include "platform/Process.h"
#include "platform/XWindowList.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace clients {

enum TWhatDoFind { id_All, id_VisOnly, id_InvisOnly };

struct WindowInfo {
    quint32 parentHandle = 0;
    quint32 handle = 0;
    quint32 threadId = 0; // X knows no creating thread: always 0
    QString parentTitle;  // "Desktop" without an owner, "NoName" for an untitled owner
    QString className;    // at most 100 characters
    QString exeName;      // of the owning process, as the snapshot names it
    quint32 pid = 0;
    quint32 style = 0;
    quint32 exStyle = 0;
    // No icon: the core has no pictures.
};

class WindowList {
public:
    using WindowSource = std::function<std::optional<std::vector<platform::TopLevelWindow>>()>;
    using SnapshotSource = std::function<std::vector<platform::ProcessEntry>()>;

    struct Entry {
        QString title;
        WindowInfo info;
    };

    // How many windows one refresh collects at most.
    static constexpr int kMaxWindows = 4096;

    // Empty sources mean the desktop's windows and the platform's process snapshot.
    explicit WindowList(WindowSource windows = {}, SnapshotSource snapshot = {});
    virtual ~WindowList() = default;
    WindowList(const WindowList&) = delete;
    WindowList& operator=(const WindowList&) = delete;

    bool EmptyNames = false;
    TWhatDoFind WhatDoFind = id_VisOnly;
    bool TaskBarSty = true;
    // Also list each process that owns none of the desktop's windows as a
    // window titled with its executable name: a program inside Wine's virtual
    // desktop has no window of its own on the display.
    bool WindowlessProcesses = false;
    std::function<void()> OnChanged;

    bool EnableTimer() const { return enableTimer_; }
    int TimerIntval() const { return timerIntval_; }
    void SetEnableTimer(bool on);
    void SetTimerIntval(int ms);

    // Rebuilds the list; true when it changed.
    virtual bool Refresh();

    const std::vector<Entry>& windows() const { return list_; }
    int count() const { return int(list_.size()); }
    quint32 ProcessId(int i) const;
    QString ExeName(int i) const;
    // True when the last refresh had no window list and listed processes instead.
    bool fromProcessList() const { return fromProcesses_; }

private:
    struct Candidate {
        platform::TopLevelWindow win;
        bool fromProcess = false;
    };
    // snapshot: the process snapshot, when collecting needed one.
    std::vector<Candidate> collect(bool& fromProcesses,
                                   std::optional<std::vector<platform::ProcessEntry>>& snapshot);
    bool qualifies(const platform::TopLevelWindow& w) const;
    void timerTick();

    WindowSource windows_;
    SnapshotSource snapshot_;
    std::vector<Entry> list_;
    // The handles of the last refresh, in order; the same set leaves the list as it is.
    std::vector<quint32> lastHandles_;
    bool fromProcesses_ = false;
    bool enableTimer_ = false;
    int timerIntval_ = 500;
    QTimer timer_;
};

} // namespace clients
