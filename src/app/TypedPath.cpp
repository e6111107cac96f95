#include "app/TypedPath.h"

#include "platform/Files.h"

#include <QDir>

namespace app {

bool IsHostForm(const QString& typed) {
    return typed.startsWith(u'/') || typed == u"~" || typed.startsWith(u"~/");
}

QString WindowsFromTyped(const platform::Files& files, const QString& typed) {
    if (!IsHostForm(typed)) return typed;
    const QString host = typed.startsWith(u'~') ? QDir::homePath() + typed.mid(1) : typed;
    QString win = files.windowsPath(host);
    // A folder typed with its separator stays a folder: the automatic name goes after it.
    if (host.endsWith(u'/') && !win.endsWith(u'\\')) win += u'\\';
    return win;
}

QString InTypedForm(const platform::Files& files, const QString& winPath, bool hostForm) {
    if (!hostForm || winPath.isEmpty()) return winPath;
    const auto host = files.hostPath(winPath);
    if (!host) return winPath;
    QString shown = *host;
    if (winPath.endsWith(u'\\') && !shown.endsWith(u'/')) shown += u'/';
    return shown;
}

} // namespace app
