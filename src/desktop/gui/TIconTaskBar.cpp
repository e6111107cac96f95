#include "desktop/gui/TIconTaskBar.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace desktop {

namespace {

// A plain envelope, for when neither the caller nor the application has an icon.
QIcon drawnIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 120), 2));
    p.setBrush(QColor(235, 240, 250));
    p.drawRect(QRectF(3, 7, 26, 18));
    p.drawLine(QPointF(3, 7), QPointF(16, 18));
    p.drawLine(QPointF(29, 7), QPointF(16, 18));
    return QIcon(pixmap);
}

} // namespace

TIconTaskBar::TIconTaskBar(QObject* parent) : QObject(parent) {}

TIconTaskBar::~TIconTaskBar() = default;

void TIconTaskBar::SetHint(const QString& text) {
    hint_ = text.left(63);
    if (tray_) tray_->setToolTip(hint_);
}

void TIconTaskBar::SetIcon(const QIcon& icon) {
    icon_ = icon;
    if (tray_) tray_->setIcon(effectiveIcon());
}

bool TIconTaskBar::hasNotificationArea() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TIconTaskBar::effectiveIcon() const {
    if (!icon_.isNull()) return icon_;
    const QIcon app = QApplication::windowIcon();
    return app.isNull() ? drawnIcon() : app;
}

void TIconTaskBar::Show() {
    if (visible_ || !hasNotificationArea()) return;
    if (icon_.isNull()) icon_ = effectiveIcon(); // a copy taken at the first showing
    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    tray_->setToolTip(hint_);
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { activated(int(r)); });
    tray_->show();
    visible_ = true;
    Q_EMIT OnShow();
}

void TIconTaskBar::Hide() {
    if (!visible_) return;
    Q_EMIT OnClose();
    tray_->hide();
    tray_.reset();
    visible_ = false;
}

// Qt reports clicks, not presses: a click stands for a press and a release.
void TIconTaskBar::activated(int reason) {
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
