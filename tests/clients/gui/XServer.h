#pragma once
// A private X server (Xvfb) for a test, and top-level windows made on it with
// the properties a window manager's clients set.

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace testx {

class XServer {
public:
    // screen: "<width>x<height>x<depth>".
    explicit XServer(const QString& screen = QStringLiteral("640x480x24")) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        // -displayfd 1: the server picks a free display and names it on stdout.
        server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                             QStringLiteral("-screen"), QStringLiteral("0"), screen});
        if (!server_.waitForStarted(5000)) return;
        QByteArray out;
        while (!out.contains('\n') && server_.waitForReadyRead(10000))
            out += server_.readAllStandardOutput();
        const QByteArray number = out.trimmed();
        if (!number.isEmpty()) display_ = ":" + number;
    }
    ~XServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) {
                server_.kill();
                server_.waitForFinished(5000);
            }
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool isRunning() const { return !display_.isEmpty(); }
    QByteArray display() const { return display_; }

private:
    QProcess server_;
    QByteArray display_;
};

// One connection that makes windows; they go when it closes.
class WindowMaker {
public:
    explicit WindowMaker(const QByteArray& display) {
        c_ = xcb_connect(display.constData(), nullptr);
        if (c_ && xcb_connection_has_error(c_) == 0)
            root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~WindowMaker() {
        if (c_) xcb_disconnect(c_);
    }
    WindowMaker(const WindowMaker&) = delete;
    WindowMaker& operator=(const WindowMaker&) = delete;

    bool isOk() const { return root_ != 0; }

    struct Spec {
        QByteArray title;      // _NET_WM_NAME (UTF-8); empty: none
        QByteArray latinTitle; // WM_NAME only, as older clients set it
        quint32 pid = 0;
        QByteArray instance = "outlook.exe";
        QByteArray klass = "Wine";
        quint32 transientFor = 0;
        QByteArray type;    // "_NET_WM_WINDOW_TYPE_..." or empty
        QByteArray state;   // "_NET_WM_STATE_..." or empty
        QByteArray machine; // WM_CLIENT_MACHINE or empty
        bool overrideRedirect = false;
        bool mapped = true;
    };

    quint32 make(const Spec& s) {
        const xcb_window_t w = xcb_generate_id(c_);
        const quint32 values[] = {s.overrideRedirect ? 1u : 0u};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 10, 10, 100, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        if (!s.title.isEmpty()) setBytes(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), s.title);
        if (!s.latinTitle.isEmpty()) setBytes(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, s.latinTitle);
        if (s.pid != 0) setLongs(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, {s.pid});
        setBytes(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, s.instance + '\0' + s.klass + '\0');
        if (s.transientFor != 0)
            setLongs(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, {s.transientFor});
        if (!s.type.isEmpty())
            setLongs(w, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, {atom(s.type)});
        if (!s.state.isEmpty()) setLongs(w, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, {atom(s.state)});
        if (!s.machine.isEmpty())
            setBytes(w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, s.machine);
        if (s.mapped) xcb_map_window(c_, w);
        sync();
        return w;
    }

    // Any bytes under any property, as a careless or hostile client may set them.
    void setRaw(quint32 w, const QByteArray& prop, const QByteArray& type, quint8 format,
                const QByteArray& bytes) {
        const quint32 units = format == 32   ? quint32(bytes.size() / 4)
                              : format == 16 ? quint32(bytes.size() / 2)
                                             : quint32(bytes.size());
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom(prop), atom(type), format, units,
                            bytes.constData());
        sync();
    }

    quint32 root() const { return root_; }

    void destroy(quint32 w) {
        xcb_destroy_window(c_, w);
        sync();
    }

    // Waits until the server has handled everything sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

private:
    xcb_atom_t atom(const QByteArray& name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, quint16(name.size()), name.constData()), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    void setBytes(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, const QByteArray& data) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, prop, type, 8, quint32(data.size()),
                            data.constData());
    }
    void setLongs(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, std::vector<quint32> data) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, prop, type, 32, quint32(data.size()),
                            data.data());
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
};

} // namespace testx
