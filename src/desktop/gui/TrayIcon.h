#pragma once
// The notification-area icon shown while the program works through its
// command line. Where the desktop has no notification area nothing is shown
// and nothing fails.

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;

namespace desktop {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    enum MouseButton { mbLeft, mbRight, mbMiddle };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    QString Hint() const { return hint_; }
    void SetHint(const QString& text); // the tip keeps its first 63 characters
    bool Visible() const { return visible_; }
    QIcon Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);

    // Adds the icon (taking the application's icon when none was set) and
    // raises OnShow; without a notification area Visible stays false.
    void Show();
    // Raises OnClose and removes the icon.
    void Hide();

    static bool hasNotificationArea();

Q_SIGNALS:
    void OnShow();
    void OnClose();
    void OnEvent();
    void OnMouseMove();
    void OnMouseDown(desktop::TrayIcon::MouseButton button);
    void OnClick();
    void OnDblClick();
    void OnMouseUp(); // never raised

private:
    void activated(int reason);
    QIcon effectiveIcon() const;

    QString hint_;
    QIcon icon_;
    bool visible_ = false;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

} // namespace desktop
