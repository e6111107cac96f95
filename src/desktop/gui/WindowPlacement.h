#pragma once
// Where a window opens: its whole frame on the screen it opens on, and a
// window shown again where it was when it went. Positions are those of the
// frame (the title bar's top-left), as they are stored.

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace desktop {

// The top-left of a frame of frameSize inside area, as near to wanted as it
// can be. A frame larger than the area keeps its top-left corner (the title
// bar, by which it is moved) inside.
QPoint keepInside(const QPoint& wanted, const QSize& frameSize, const QRect& area);

// The screen that holds point, else the primary one; null without screens.
QScreen* screenAt(const QPoint& point);

// The frame size of window: measured once the window system has framed it,
// before that its size with room for a title bar and borders.
QSize frameSizeOf(const QWidget& window);

// Moves window so that its frame's top-left lies at wanted, pulled onto the
// usable area of the screen that holds wanted. Before the window is first
// shown the window system is told the frame's place; afterwards the frame
// known from the last showing is taken off.
void placeFrame(QWidget& window, const QPoint& wanted);

} // namespace desktop
