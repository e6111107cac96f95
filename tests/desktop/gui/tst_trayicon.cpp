// The tray icon where the desktop has no notification area (the offscreen
// platform): showing and hiding work without failing and raise nothing.

#include "desktop/gui/TrayIcon.h"

#include <QSignalSpy>
#include <QTest>

class TstTrayIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hint();
    void withoutNotificationArea();
};

void TstTrayIcon::hint() {
    desktop::TrayIcon tray;
    QVERIFY(!tray.Visible());
    tray.SetHint(QStringLiteral("Postora"));
    QCOMPARE(tray.Hint(), QStringLiteral("Postora"));
    tray.SetHint(QString(100, QLatin1Char('h')));
    QCOMPARE(tray.Hint().size(), 63);
}

void TstTrayIcon::withoutNotificationArea() {
    if (desktop::TrayIcon::hasNotificationArea()) QSKIP("this desktop has a notification area");
    desktop::TrayIcon tray;
    QSignalSpy shown(&tray, &desktop::TrayIcon::OnShow);
    QSignalSpy closed(&tray, &desktop::TrayIcon::OnClose);
    tray.Show();
    QVERIFY(!tray.Visible());
    tray.Hide();
    tray.Show();
    tray.Hide();
    QCOMPARE(shown.count(), 0);
    QCOMPARE(closed.count(), 0);
}

QTEST_MAIN(TstTrayIcon)
#include "tst_trayicon.moc"
