#pragma once
// One desktop notification over the session bus (the freedesktop
// notification service). Where there is no session bus or no service, nothing
// is shown and nothing else happens.

#include <QString>

namespace desktop {

// True when a notification service took the notification.
bool Notify(const QString& appName, const QString& summary, const QString& body);

} // namespace desktop
