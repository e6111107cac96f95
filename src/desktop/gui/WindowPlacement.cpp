#include "desktop/gui/WindowPlacement.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace desktop {

QPoint keepInside(const QPoint& wanted, const QSize& frameSize, const QRect& area) {
    // Right and bottom first, then left and top, so a frame that does not
    // fit keeps its title bar on the screen.
    int left = std::min(wanted.x(), area.x() + area.width() - frameSize.width());
    int top = std::min(wanted.y(), area.y() + area.height() - frameSize.height());
    left = std::max(left, area.x());
    top = std::max(top, area.y());
    return {left, top};
}

QScreen* screenAt(const QPoint& point) {
    if (QScreen* screen = QGuiApplication::screenAt(point)) return screen;
    return QGuiApplication::primaryScreen();
}

QSize frameSizeOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    if (frame.size() != window.size()) return frame.size();
    // Not framed yet: a title bar of two lines of the window's font and thin
    // borders, enough for the window managers in use.
    const int title = 2 * QFontMetrics(window.font()).height() + 4;
    return window.size() + QSize(8, title + 4);
}

void placeFrame(QWidget& window, const QPoint& wanted) {
    const QScreen* screen = screenAt(wanted);
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QPoint place = keepInside(wanted, frameSizeOf(window), area);
    QWindow* handle = window.windowHandle();
    if (handle && !window.isVisible()) {
        // A window shown before keeps the rule it was first placed by (the
        // frame at the given point) and would put its frame where its client
        // area was, lower at every showing. A geometry set through the window
        // itself places its client area from then on, at the point below.
        const QRect client = handle->geometry();
        handle->setGeometry(client.translated(0, 1));
        handle->setGeometry(client);
    }
    window.move(place);
}

} // namespace desktop
