#pragma once
// Top-level windows of the desktop with their owning processes, as EnumWindows
// and its companions report them. Backed by X11; without an X server (or in a
// Wayland session, where X only sees part of the windows) there is no list.

#include <QString>

#include <optional>
#include <vector>

namespace platform {

// Window style bits, as far as X has something that stands for them.
enum WindowStyle : quint32 {
    WS_POPUP = 0x80000000u,
    WS_MINIMIZE = 0x20000000u,
    WS_VISIBLE = 0x10000000u,
    WS_DISABLED = 0x08000000u,
    WS_MAXIMIZE = 0x01000000u,
    WS_CAPTION = 0x00C00000u,
    WS_SYSMENU = 0x00080000u,
    WS_THICKFRAME = 0x00040000u,
    WS_MINIMIZEBOX = 0x00020000u,
    WS_MAXIMIZEBOX = 0x00010000u,
    WS_OVERLAPPEDWINDOW = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
};

enum WindowExStyle : quint32 {
    WS_EX_DLGMODALFRAME = 0x00000001u,
    WS_EX_TOPMOST = 0x00000008u,
    WS_EX_TOOLWINDOW = 0x00000080u,
    WS_EX_APPWINDOW = 0x00040000u,
};

struct TopLevelWindow {
    quint32 handle = 0;   // the X window id of the client window
    quint32 owner = 0;    // WM_TRANSIENT_FOR; 0 when the window has no owner
    QString title;        // _NET_WM_NAME, else WM_NAME
    QString ownerTitle;   // title of the owner; empty when there is none or it has none
    QString className;    // class part of WM_CLASS
    bool visible = false; // mapped, or minimized (Windows counts both as visible)
    quint32 pid = 0;      // _NET_WM_PID; 0 when the window does not say
    quint32 style = 0;    // WindowStyle bits
    quint32 exStyle = 0;  // WindowExStyle bits
};

// The desktop's top-level windows in the window manager's order (oldest
// first), at most maxWindows of them. nullopt when no window list can be had:
// no DISPLAY, no X server answering, or a Wayland session.
std::optional<std::vector<TopLevelWindow>> topLevelWindows(int maxWindows = 4096);

// Asks a top-level window to close, as its close box would (WM_DELETE_WINDOW);
// under Wine the program gets WM_CLOSE and may save first. False when there is
// no X server or the window takes no such request.
bool requestWindowClose(quint32 window);

} // namespace platform
