#include "platform/XWindowList.h"

#include <QByteArray>
#include <QHash>
#include <QSysInfo>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// One connection for one enumeration; xcb hands back an object to release even
// when the connection failed.
class Connection {
public:
    explicit Connection(const QByteArray& display)
        : c_(xcb_connect(display.constData(), &screen_)) {}
    ~Connection() {
        if (c_) xcb_disconnect(c_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOk() const { return c_ && xcb_connection_has_error(c_) == 0; }
    xcb_connection_t* get() const { return c_; }

    xcb_window_t root() const {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screen_ && it.rem > 0; ++i)
            xcb_screen_next(&it);
        return it.rem > 0 ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    }

private:
    int screen_ = 0;
    xcb_connection_t* c_;
};

enum AtomId {
    kNetClientList,
    kNetWmName,
    kUtf8String,
    kNetWmPid,
    kNetWmState,
    kNetWmStateHidden,
    kNetWmStateSkipTaskbar,
    kNetWmStateAbove,
    kNetWmStateMaxVert,
    kNetWmStateMaxHorz,
    kNetWmWindowType,
    kTypeNormal,
    kTypeDialog,
    kTypeUtility,
    kTypeToolbar,
    kWmState,
    kWmProtocols,
    kWmDeleteWindow,
    kAtomCount
};

const char* const kAtomNames[kAtomCount] = {
    "_NET_CLIENT_LIST",
    "_NET_WM_NAME",
    "UTF8_STRING",
    "_NET_WM_PID",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_MAXIMIZED_VERT",
    "_NET_WM_STATE_MAXIMIZED_HORZ",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "WM_STATE",
    "WM_PROTOCOLS",
    "WM_DELETE_WINDOW",
};

class Atoms {
public:
    explicit Atoms(xcb_connection_t* c) {
        xcb_intern_atom_cookie_t cookies[kAtomCount];
        for (int i = 0; i < kAtomCount; ++i)
            cookies[i] = xcb_intern_atom(c, 0, quint16(std::strlen(kAtomNames[i])), kAtomNames[i]);
        for (int i = 0; i < kAtomCount; ++i) {
            Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookies[i], nullptr));
            atoms_[i] = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
    }
    xcb_atom_t operator[](AtomId id) const { return atoms_[id]; }

private:
    xcb_atom_t atoms_[kAtomCount] = {};
};

// Titles are read up to 255 characters; ask for enough bytes for that in UTF-8.
constexpr quint32 kTextLongs = 256;

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop,
                                      xcb_atom_t type, quint32 longs) {
    return xcb_get_property(c, 0, w, prop, type, 0, longs);
}

QByteArray propertyBytes(const xcb_get_property_reply_t* r) {
    if (!r || r->type == XCB_ATOM_NONE) return {};
    const int len = xcb_get_property_value_length(r);
    if (len <= 0) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r)), len);
}

template <typename T> std::vector<T> propertyItems(const xcb_get_property_reply_t* r) {
    std::vector<T> out;
    if (!r || r->type == XCB_ATOM_NONE || r->format != sizeof(T) * 8) return out;
    const int len = xcb_get_property_value_length(r);
    const auto* p = static_cast<const T*>(xcb_get_property_value(r));
    out.assign(p, p + len / int(sizeof(T)));
    return out;
}

QString cut(QString s, int max) {
    // Text properties may carry a trailing NUL; a title stops there.
    const int nul = s.indexOf(QChar(0));
    if (nul >= 0) s.truncate(nul);
    return s.left(max);
}

bool hasProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, askProperty(c, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0), nullptr));
    return r && r->type != XCB_ATOM_NONE;
}

std::vector<xcb_window_t> children(xcb_connection_t* c, xcb_window_t w) {
    Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!r) return {};
    const xcb_window_t* kids = xcb_query_tree_children(r.get());
    return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(r.get()));
}

// Without a window manager's client list: the children of the root, each
// replaced by the client window inside it when a reparenting manager framed it
// (the window that carries WM_STATE), as xprop and xwininfo find it.
std::vector<xcb_window_t> windowsFromTree(xcb_connection_t* c, xcb_window_t root,
                                          xcb_atom_t wmState, int maxWindows) {
    std::vector<xcb_window_t> out;
    for (xcb_window_t top : children(c, root)) {
        if (int(out.size()) >= maxWindows) break;
        xcb_window_t client = top;
        if (wmState != XCB_ATOM_NONE && !hasProperty(c, top, wmState)) {
            std::vector<xcb_window_t> level = children(c, top);
            for (int depth = 0; depth < 3 && client == top && !level.empty(); ++depth) {
                std::vector<xcb_window_t> next;
                for (xcb_window_t w : level) {
                    if (hasProperty(c, w, wmState)) {
                        client = w;
                        break;
                    }
                    const auto more = children(c, w);
                    next.insert(next.end(), more.begin(), more.end());
                }
                level = std::move(next);
            }
        }
        out.push_back(client);
    }
    return out;
}

struct Pending {
    xcb_window_t w;
    xcb_get_window_attributes_cookie_t attrs;
    xcb_get_property_cookie_t netName, name, klass, transient, pid, machine, state, type, wmState;
};

// A process id only means something on the machine that runs the window's
// client; a window shown from another host must not lead to a local process.
bool isLocalMachine(const QByteArray& machine) {
    if (machine.isEmpty()) return true;
    const QString host = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    const QString other = cut(QString::fromLatin1(machine), 255).section(QLatin1Char('.'), 0, 0);
    return other.compare(host, Qt::CaseInsensitive) == 0 ||
           other.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

QString titleFrom(const xcb_get_property_reply_t* netName, const xcb_get_property_reply_t* name,
                  xcb_atom_t utf8) {
    const QByteArray utf = propertyBytes(netName);
    if (!utf.isEmpty()) return cut(QString::fromUtf8(utf), 255);
    const QByteArray raw = propertyBytes(name);
    if (name && name->type == utf8) return cut(QString::fromUtf8(raw), 255);
    return cut(QString::fromLatin1(raw), 255);
}

// What the window's type and state say about its Windows styles.
void deriveStyles(TopLevelWindow& win, const Atoms& a, bool overrideRedirect,
                  const std::vector<xcb_atom_t>& types, const std::vector<xcb_atom_t>& states,
                  bool iconic) {
    quint32 style = 0;
    quint32 ex = 0;
    const xcb_atom_t type = types.empty() ? xcb_atom_t(XCB_ATOM_NONE) : types.front();
    if (overrideRedirect) {
        style = WS_POPUP;
        ex = WS_EX_TOOLWINDOW;
    } else if (type == a[kTypeNormal] || (type == XCB_ATOM_NONE && win.owner == 0)) {
        style = WS_OVERLAPPEDWINDOW;
        ex = WS_EX_APPWINDOW;
    } else if (type == a[kTypeDialog] || type == XCB_ATOM_NONE) {
        style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        ex = WS_EX_DLGMODALFRAME;
    } else if (type == a[kTypeUtility] || type == a[kTypeToolbar]) {
        style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        ex = WS_EX_TOOLWINDOW;
    } else { // menus, tooltips, splash screens, docks, the desktop
        style = WS_POPUP;
        ex = WS_EX_TOOLWINDOW;
    }
    bool maxV = false;
    bool maxH = false;
    for (xcb_atom_t s : states) {
        if (s == a[kNetWmStateHidden])
            iconic = true;
        else if (s == a[kNetWmStateSkipTaskbar]) {
            style = (style | WS_POPUP) & ~quint32(WS_MINIMIZEBOX);
            ex |= WS_EX_TOOLWINDOW;
        } else if (s == a[kNetWmStateAbove])
            ex |= WS_EX_TOPMOST;
        else if (s == a[kNetWmStateMaxVert])
            maxV = true;
        else if (s == a[kNetWmStateMaxHorz])
            maxH = true;
    }
    if (iconic) style |= WS_MINIMIZE;
    if (maxV && maxH) style |= WS_MAXIMIZE;
    if (win.visible) style |= WS_VISIBLE;
    win.style = style;
    win.exStyle = ex;
}

constexpr quint32 kIconicState = 3;

} // namespace

std::optional<std::vector<TopLevelWindow>> topLevelWindows(int maxWindows) {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty() || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return std::nullopt;
    Connection conn(display);
    if (!conn.isOk()) return std::nullopt;
    xcb_connection_t* c = conn.get();
    const xcb_window_t root = conn.root();
    if (root == XCB_WINDOW_NONE) return std::nullopt;
    const Atoms a(c);
    maxWindows = qMax(0, maxWindows);

    // The window manager's list of managed windows when one runs, else the tree.
    std::vector<xcb_window_t> handles;
    {
        Reply<xcb_get_property_reply_t> list(xcb_get_property_reply(
            c, askProperty(c, root, a[kNetClientList], XCB_ATOM_WINDOW, quint32(maxWindows)),
            nullptr));
        if (list && list->type == XCB_ATOM_WINDOW)
            handles = propertyItems<xcb_window_t>(list.get());
        else
            handles = windowsFromTree(c, root, a[kWmState], maxWindows);
    }
    if (int(handles.size()) > maxWindows) handles.resize(size_t(maxWindows));

    std::vector<Pending> pending;
    pending.reserve(handles.size());
    for (xcb_window_t w : handles) {
        pending.push_back(
            Pending{w, xcb_get_window_attributes(c, w),
                    askProperty(c, w, a[kNetWmName], a[kUtf8String], kTextLongs),
                    askProperty(c, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, kTextLongs),
                    askProperty(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, kTextLongs),
                    askProperty(c, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1),
                    askProperty(c, w, a[kNetWmPid], XCB_ATOM_CARDINAL, 1),
                    askProperty(c, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 64),
                    askProperty(c, w, a[kNetWmState], XCB_ATOM_ATOM, 32),
                    askProperty(c, w, a[kNetWmWindowType], XCB_ATOM_ATOM, 8),
                    askProperty(c, w, a[kWmState], a[kWmState], 2)});
    }

    std::vector<TopLevelWindow> out;
    out.reserve(pending.size());
    for (const Pending& p : pending) {
        Reply<xcb_get_window_attributes_reply_t> attrs(
            xcb_get_window_attributes_reply(c, p.attrs, nullptr));
        Reply<xcb_get_property_reply_t> netName(xcb_get_property_reply(c, p.netName, nullptr));
        Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(c, p.name, nullptr));
        Reply<xcb_get_property_reply_t> klass(xcb_get_property_reply(c, p.klass, nullptr));
        Reply<xcb_get_property_reply_t> transient(xcb_get_property_reply(c, p.transient, nullptr));
        Reply<xcb_get_property_reply_t> pid(xcb_get_property_reply(c, p.pid, nullptr));
        Reply<xcb_get_property_reply_t> machine(xcb_get_property_reply(c, p.machine, nullptr));
        Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(c, p.state, nullptr));
        Reply<xcb_get_property_reply_t> type(xcb_get_property_reply(c, p.type, nullptr));
        Reply<xcb_get_property_reply_t> wmState(xcb_get_property_reply(c, p.wmState, nullptr));
        if (!attrs) continue; // gone since the list was read

        TopLevelWindow win;
        win.handle = p.w;
        win.title = titleFrom(netName.get(), name.get(), a[kUtf8String]);
        // WM_CLASS is "instance\0class\0"; Windows' class name is the second.
        const QList<QByteArray> parts = propertyBytes(klass.get()).split('\0');
        win.className = cut(QString::fromLatin1(parts.size() > 1 ? parts[1] : parts.value(0)), 100);
        const auto owners = propertyItems<xcb_window_t>(transient.get());
        if (!owners.empty() && owners.front() != root && owners.front() != p.w)
            win.owner = owners.front();
        const auto pids = propertyItems<quint32>(pid.get());
        if (!pids.empty() && isLocalMachine(propertyBytes(machine.get()))) win.pid = pids.front();
        const auto wmStateItems = propertyItems<quint32>(wmState.get());
        const bool iconic = !wmStateItems.empty() && wmStateItems.front() == kIconicState;
        win.visible = attrs->map_state == XCB_MAP_STATE_VIEWABLE || iconic;
        const auto states = propertyItems<xcb_atom_t>(state.get());
        for (xcb_atom_t s : states)
            if (s == a[kNetWmStateHidden])
                win.visible = true; // minimized: still visible to Windows
        deriveStyles(win, a, attrs->override_redirect != 0, propertyItems<xcb_atom_t>(type.get()),
                     states, iconic);
        out.push_back(std::move(win));
    }

    // Owners' titles: from the list when the owner is in it, else asked for.
    QHash<quint32, QString> titles;
    for (const TopLevelWindow& w : out)
        titles.insert(w.handle, w.title);
    QHash<quint32, std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> asked;
    for (const TopLevelWindow& w : out)
        if (w.owner != 0 && !titles.contains(w.owner) && !asked.contains(w.owner))
            asked.insert(
                w.owner,
                {askProperty(c, w.owner, a[kNetWmName], a[kUtf8String], kTextLongs),
                 askProperty(c, w.owner, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, kTextLongs)});
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        Reply<xcb_get_property_reply_t> netName(
            xcb_get_property_reply(c, it.value().first, nullptr));
        Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(c, it.value().second, nullptr));
        titles.insert(it.key(), titleFrom(netName.get(), name.get(), a[kUtf8String]));
    }
    for (TopLevelWindow& w : out)
        if (w.owner != 0) w.ownerTitle = titles.value(w.owner);
    return out;
}

bool requestWindowClose(quint32 window) {
    const QByteArray display = qgetenv("DISPLAY");
    if (window == 0 || display.isEmpty() || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    Connection conn(display);
    if (!conn.isOk()) return false;
    xcb_connection_t* c = conn.get();
    const Atoms a(c);
    // Only a window that lists the request among its protocols understands it.
    Reply<xcb_get_property_reply_t> protocols(xcb_get_property_reply(
        c, askProperty(c, window, a[kWmProtocols], XCB_ATOM_ATOM, 64), nullptr));
    const std::vector<xcb_atom_t> listed = propertyItems<xcb_atom_t>(protocols.get());
    if (std::find(listed.begin(), listed.end(), a[kWmDeleteWindow]) == listed.end()) return false;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = a[kWmProtocols];
    ev.data.data32[0] = a[kWmDeleteWindow];
    ev.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t sent = xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                          reinterpret_cast<const char*>(&ev));
    Reply<xcb_generic_error_t> error(xcb_request_check(c, sent));
    return !error;
}

} // namespace platform
