#pragma once
// For window tests: act on the modal window once the event loop has shown it.
// Header only, so that the support library itself needs no widgets.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace support {

inline void whenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            whenModal(act);
            return;
        }
        act(w);
    });
}

} // namespace support
