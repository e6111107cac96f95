// Where the windows open on a real X server with a window manager, read back
// from the window system: the main window opens where it closed, start after
// start, with its whole frame on the screen (also at twice the scale), and the
// running-client window shown again stays where it was.

#include "MainWindowStart.h"
#include "clients/gui/XServer.h"
#include "support/SamplePrefix.h"

#include "clients/gui/RunningClientsWindow.h"
#include "platform/Registry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const char* const kGuardChild = "POSTORA_TEST_GUARD_SHOWS";
const char* const kFaceChild = "POSTORA_TEST_FACE_SWITCH";

struct Reply {
    template <typename T> static std::unique_ptr<T, void (*)(void*)> of(T* p) {
        return {p, &std::free};
    }
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto r = Reply::of(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(qstrlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QList<quint32> longs(xcb_connection_t* c, xcb_window_t w, const char* prop, xcb_atom_t type) {
    auto r = Reply::of(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom(c, prop), type, 0, 1024), nullptr));
    QList<quint32> out;
    if (!r || r->format != 32) return out;
    const auto* v = static_cast<const quint32*>(xcb_get_property_value(r.get()));
    for (int i = 0; i < xcb_get_property_value_length(r.get()) / 4; ++i)
        out << v[i];
    return out;
}

QByteArray text(xcb_connection_t* c, xcb_window_t w, const char* prop) {
    auto r = Reply::of(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom(c, prop), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!r) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The frame of a managed window as the window manager drew it: the client's
// place on the root less the frame extents the manager announced. Empty until
// the manager has framed it.
QRect frameOf(xcb_connection_t* c, xcb_window_t w) {
    const QList<quint32> extents = longs(c, w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    auto geo = Reply::of(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
    auto at = Reply::of(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, w, rootOf(c), 0, 0), nullptr));
    if (extents.size() != 4 || !geo || !at) return {};
    // Extents may be announced before the window is reparented into its frame;
    // until then the client's place is not yet the framed one.
    auto tree = Reply::of(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!tree || tree->parent == rootOf(c)) return {};
    const int left = int(extents[0]), right = int(extents[1]);
    const int top = int(extents[2]), bottom = int(extents[3]);
    return QRect(at->dst_x - left, at->dst_y - top, geo->width + left + right,
                 geo->height + top + bottom);
}

// The frame of w once it has stood still for a moment; empty when it never did.
QRect settledFrame(xcb_connection_t* c, xcb_window_t w) {
    QRect last;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const QRect now = frameOf(c, w);
        if (!now.isEmpty() && now == last) return now;
        last = now;
        QThread::msleep(250);
    }
    return {};
}

// Runs in a child process on the test's display: the running-client window
// shown three times, each time closed by Cancel; prints where its frame was.
int showGuardWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    clients::RunningClientsWindow form;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    for (int i = 0; i < 3; ++i) {
        QTimer::singleShot(300, &form, [&] {
            const QRect frame = settledFrame(c, xcb_window_t(form.winId()));
            std::printf("%d %d\n", frame.x(), frame.y());
            std::fflush(stdout);
            form.findChild<QPushButton*>(QStringLiteral("Button4"))->click();
        });
        form.ShowModal({QStringLiteral("Inbox - Outlook")}, nullptr);
    }
    xcb_disconnect(c);
    return 0;
}

// Runs in a child process on the test's display, on the prefix the test
// made: the main window opens in wizard mode, switches to the standard mode
// by "Standard Mode", and prints where its frame then is.
int switchFace(int argc, char** argv) {
    QApplication app(argc, argv);
    testsupport::Start start;
    if (!start.form || !QTest::qWaitForWindowExposed(start.form)) return 1;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const auto w = xcb_window_t(start.form->winId());
    (void)settledFrame(c, w);
    start.child<QAbstractButton>("SpeedButton1")->click();
    QTest::qWait(300);
    const QRect frame = settledFrame(c, w);
    std::printf("%d %d %d %d\n", frame.x(), frame.y(), frame.width(), frame.height());
    std::fflush(stdout);
    xcb_disconnect(c);
    start.form->close();
    return 0;
}

// A private X server with a window manager on it.
struct Desktop {
    testx::XServer server{QStringLiteral("1280x1024x24")};
    QProcess manager;
    xcb_connection_t* c = nullptr;

    Desktop() {
        if (!server.isRunning()) return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(server.display()));
        manager.setProcessEnvironment(env);
        manager.setProgram(QStandardPaths::findExecutable(QStringLiteral("openbox")));
        if (manager.program().isEmpty()) return;
        manager.start();
        c = xcb_connect(server.display().constData(), nullptr);
        // The manager is ready once it names itself on the root window.
        for (int i = 0; i < 100 && !ready(); ++i)
            QThread::msleep(100);
    }
    ~Desktop() {
        if (c) xcb_disconnect(c);
        manager.terminate();
        manager.waitForFinished(5000);
    }
    bool ready() const {
        return c && !longs(c, rootOf(c), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty();
    }
    QProcessEnvironment environment(const QByteArray& scale = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(server.display()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!scale.isEmpty())
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        return env;
    }
    // The managed window of pid titled title, once it is there.
    xcb_window_t windowOf(qint64 pid, const QByteArray& title) const {
        for (int i = 0; i < 200; ++i) {
            for (quint32 w : longs(c, rootOf(c), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
                const QList<quint32> owner = longs(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL);
                if (!owner.isEmpty() && owner.front() == quint32(pid) &&
                    text(c, w, "_NET_WM_NAME") == title)
                    return w;
            }
            QThread::msleep(100);
        }
        return 0;
    }
    // Asks the window to close, as its title bar's close box does.
    void close(xcb_window_t w) const {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom(c, "WM_PROTOCOLS");
        e.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
        e.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
        xcb_flush(c);
    }
};

struct Stored {
    int x = 0;
    int y = 0;
};

Stored stored(support::SamplePrefix& prefix) {
    auto reg = prefix.registry();
    auto key = reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"));
    Stored s;
    if (!key) return s;
    s.x = key.value().readInt(QStringLiteral("X")).value_or(-1);
    s.y = key.value().readInt(QStringLiteral("Y")).value_or(-1);
    return s;
}

void store(support::SamplePrefix& prefix, int x, int y, bool wizard) {
    auto reg = prefix.registry();
    auto key =
        reg->open(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn\\Postora"), true);
    QVERIFY(key);
    QVERIFY(key.value().writeValue(platform::RegValue::dword(QStringLiteral("X"), quint32(x))));
    QVERIFY(key.value().writeValue(platform::RegValue::dword(QStringLiteral("Y"), quint32(y))));
    QVERIFY(key.value().writeValue(
        platform::RegValue::dword(QStringLiteral("Wizard mode"), wizard ? 1 : 0)));
}

} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT

    std::unique_ptr<Desktop> desktop_;

    // One start of the program up to its main window, closed by its close
    // box; the frame it had, in the X server's pixels.
    QRect startAndClose(const QByteArray& scale = {}) {
        QProcess program;
        program.setProcessEnvironment(desktop_->environment(scale));
        program.start(testsupport::binDir() + QStringLiteral("/postora"), {});
        if (!program.waitForStarted(10000)) return {};
        const xcb_window_t w = desktop_->windowOf(program.processId(), "Postora");
        const QRect frame = w ? settledFrame(desktop_->c, w) : QRect();
        if (w) desktop_->close(w);
        if (!program.waitForFinished(20000)) program.kill();
        return frame;
    }

private Q_SLOTS:
    void initTestCase() {
        desktop_ = std::make_unique<Desktop>();
        if (!desktop_->server.isRunning())
            QFAIL("Xvfb is needed: tools/install-deps.sh installs it");
        if (!desktop_->ready()) QFAIL("openbox is needed: tools/install-deps.sh installs it");
    }
    void cleanupTestCase() { desktop_.reset(); }

    // Start after start in standard mode the frame opens where it was stored
    // and is stored where it was.
    void opensWhereItClosed() {
        support::SamplePrefix prefix;
        store(prefix, 227, 161, false);
        for (int start = 0; start < 3; ++start) {
            const QRect frame = startAndClose();
            QVERIFY(!frame.isEmpty());
            QCOMPARE(frame.topLeft(), QPoint(227, 161));
            const Stored s = stored(prefix);
            QCOMPARE(QPoint(s.x, s.y), QPoint(227, 161));
        }
    }

    void wholeWindowOnTheScreen_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QByteArray>("scale");
        QTest::newRow("past the bottom right") << 1200 << 990 << QByteArray();
        QTest::newRow("above and left") << -400 << -300 << QByteArray();
        QTest::newRow("twice the scale") << 600 << 480 << QByteArray("2");
    }
    void wholeWindowOnTheScreen() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QByteArray, scale);
        support::SamplePrefix prefix;
        store(prefix, x, y, false);
        const QRect frame = startAndClose(scale);
        QVERIFY(!frame.isEmpty());
        QVERIFY2(QRect(0, 0, 1280, 1024).contains(frame),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(frame.width())
                                .arg(frame.height())));
    }

    // The taller standard mode chosen in a window near the bottom edge: the
    // whole frame moves up onto the screen.
    void faceSwitchNearTheBottomStaysOnTheScreen() {
        support::SamplePrefix prefix;
        store(prefix, 300, 1024 - 400, true);
        QProcess child;
        QProcessEnvironment env = desktop_->environment();
        env.insert(QString::fromLatin1(kFaceChild), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        const QStringList at = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        QCOMPARE(at.size(), 4);
        const QRect frame(at[0].toInt(), at[1].toInt(), at[2].toInt(), at[3].toInt());
        QVERIFY(frame.height() > 434);
        QVERIFY2(QRect(0, 0, 1280, 1024).contains(frame), qPrintable(at.join(u' ')));
    }

    // The running-client window shown again opens where it was.
    void guardWindowShownAgainStays() {
        QProcess child;
        QProcessEnvironment env = desktop_->environment();
        env.insert(QString::fromLatin1(kGuardChild), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        const QStringList places =
            QString::fromLatin1(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(places.size(), 3);
        QVERIFY(places[0] != QStringLiteral("0 0"));
        QCOMPARE(places[1], places[0]);
        QCOMPARE(places[2], places[0]);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kGuardChild)) return showGuardWindow(argc, argv);
    if (qEnvironmentVariableIsSet(kFaceChild)) return switchFace(argc, argv);
    QApplication app(argc, argv);
    TestWindowPlacement test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowplacement.moc"
