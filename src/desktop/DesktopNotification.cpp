#include "desktop/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace desktop {

namespace {

// A session bus address that names a socket file which is not there: no desktop to tell, and
// QtDBus, once started, keeps a failed connection alive past the end of the program.
bool busSocketMissing() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    static const QString kPath = QStringLiteral("unix:path=");
    if (!address.startsWith(kPath) || address.contains(QLatin1Char(';'))) return false;
    return !QFileInfo::exists(address.mid(kPath.size()).section(QLatin1Char(','), 0, 0));
}

} // namespace

bool Notify(const QString& appName, const QString& summary, const QString& body) {
    if (busSocketMissing()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << appName << quint32(0) << QStringLiteral("dialog-warning") << summary << body
         << QStringList() << QVariantMap() << qint32(-1);
    // Short: an unattended run must not wait long for a busy desktop.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace desktop
