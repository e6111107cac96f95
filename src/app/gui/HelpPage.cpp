#include "app/gui/HelpPage.h"

#include "platform/DriveMap.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace app {

QString HelpPagePath(const QString& programHostFolder) {
    const QFileInfo page(QDir(programHostFolder).filePath(QStringLiteral("help/index.html")));
    return page.isFile() ? page.absoluteFilePath() : QString();
}

bool OpenHelpPage() {
    const QString page = HelpPagePath(platform::programHostFolder());
    return !page.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

} // namespace app
