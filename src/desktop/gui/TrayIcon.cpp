#include "desktop/gui/TrayIcon.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace desktop {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

TrayIcon::~TrayIcon() = default;

void TrayIcon::SetHint(const QString& text) {
    hint_ = text.left(63);
    if (tray_) tray_->setToolTip(hint_);
}

void TrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    if (tray_) tray_->setIcon(effectiveIcon());
}

bool TrayIcon::hasNotificationArea() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayIcon::effectiveIcon() const {
    if (!icon_.isNull()) return icon_;
    // The program's own icon: the application's, else the installed one.
    const QIcon app = QApplication::windowIcon();
    return app.isNull() ? QIcon::fromTheme(QStringLiteral("postora")) : app;
}

void TrayIcon::Show() {
    if (visible_) return;
    if (icon_.isNull()) icon_ = effectiveIcon(); // a copy taken at the first showing
    if (!hasNotificationArea()) return;
    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    tray_->setToolTip(hint_);
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { activated(int(r)); });
    tray_->show();
    visible_ = true;
    Q_EMIT OnShow();
}

void TrayIcon::Hide() {
    if (!visible_) return;
    Q_EMIT OnClose();
    tray_->hide();
    tray_.reset();
    visible_ = false;
}

// Qt reports clicks, not presses: a click stands for a press and a release.
void TrayIcon::activated(int reason) {
    Q_EMIT OnEvent();
    switch (QSystemTrayIcon::ActivationReason(reason)) {
    case QSystemTrayIcon::Trigger:
        Q_EMIT OnMouseDown(mbLeft);
        Q_EMIT OnClick();
        break;
    case QSystemTrayIcon::Context:
        Q_EMIT OnMouseDown(mbRight);
        Q_EMIT OnClick();
        break;
    case QSystemTrayIcon::MiddleClick:
        Q_EMIT OnMouseDown(mbMiddle);
        Q_EMIT OnClick();
        break;
    case QSystemTrayIcon::DoubleClick:
        Q_EMIT OnDblClick();
        break;
    default:
        break;
    }
}

} // namespace desktop
