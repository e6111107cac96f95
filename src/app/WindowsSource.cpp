#include "app/WindowsSource.h"

#include "base/ExitStatus.h"
#include "platform/WindowsInstallation.h"

#include <QDir>

namespace app {

int TakeWindowsSource(QStringList& args, const std::function<void(const QString&)>& report,
                      std::optional<platform::WindowsInstallation>& chosen) {
    QString folder;
    QString user;
    bool hasFolder = false;
    bool hasUser = false;
    QStringList rest;
    for (const QString& a : std::as_const(args)) {
        if (a.left(3).compare(QLatin1String("/w:"), Qt::CaseInsensitive) == 0) {
            hasFolder = true;
            folder = a.mid(3);
        } else if (a.left(3).compare(QLatin1String("/u:"), Qt::CaseInsensitive) == 0) {
            hasUser = true;
            user = a.mid(3);
        } else {
            rest << a;
        }
    }
    if (!hasFolder && !hasUser) return -1;
    if (!hasFolder || folder.isEmpty()) {
        report(QStringLiteral("/u: needs /w:<mounted Windows folder>"));
        return base::kExitBadCommand;
    }
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    const auto found = platform::findWindowsInstallation(
        QDir::cleanPath(QDir::current().absoluteFilePath(folder)), user);
    if (!found) {
        report(QStringLiteral("/w: %1").arg(found.error().message));
        const int code = found.code();
        return code == platform::kSeveralProfiles || code == platform::kPathNotFound
                   ? int(base::kExitBadCommand)
                   : int(base::kExitFailed);
    }
    for (const QString& note : found->notes)
        report(QStringLiteral("note: %1").arg(note));
    chosen = found.value();
    args = rest;
    return -1;
}

} // namespace app
