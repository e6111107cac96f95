#pragma once
// For window tests: a named control of a window, or the test ends at once.
// Header only, so that the support library itself needs no widgets.

#include <QWidget>

namespace support {

template <class T> T* child(QWidget* window, const char* name) {
    T* c = window->findChild<T*>(QLatin1String(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

} // namespace support
