#include "platform/SourceCheck.h"

#include "platform/InputFile.h"
#include "platform/WindowsInstallation.h"

#include <QByteArray>
#include <QFileInfo>

namespace platform {

namespace {

constexpr QByteArrayView kHiveHeader("WINE REGISTRY Version 2");

bool startsWithHeader(QByteArrayView head) {
    if (head.startsWith("\xEF\xBB\xBF")) head = head.sliced(3);
    const qsizetype nl = head.indexOf('\n');
    if (nl < 0) return false; // a header line always ends
    return head.first(nl).trimmed() == kHiveHeader;
}

Status checkHive(const QString& path) {
    const auto head = readInputHead(path, kHiveSizeLimit, 256, path);
    if (!head) return head.status();
    if (!startsWithHeader(*head))
        return Error{kBadRegistryFile,
                     QStringLiteral("\"%1\" is not a Wine registry file (it does not begin "
                                    "with \"%2\")")
                         .arg(path, QLatin1String(kHiveHeader))};
    return Status::ok();
}

} // namespace

Status checkBackupSource(const QString& prefixDir, const WindowsInstallation* windows) {
    // A mounted Windows read instead of the prefix: its folder and hives again.
    if (windows && prefixDir.isEmpty())
        return findWindowsInstallation(windows->root, windows->user).status();
    if (prefixDir.isEmpty())
        return Error{kPathNotFound,
                     QStringLiteral("There is no Wine prefix to back up from: "
                                    "WINEPREFIX is not set and ~/.wine does not exist")};
    const QFileInfo prefix(prefixDir);
    if (!prefix.isDir())
        return Error{kPathNotFound,
                     QStringLiteral("The Wine prefix \"%1\" %2")
                         .arg(prefixDir, prefix.exists() ? QStringLiteral("is not a folder")
                                                         : QStringLiteral("does not exist"))};
    const QString driveC = prefixDir + QStringLiteral("/drive_c");
    if (!QFileInfo(driveC).isDir())
        return Error{kPathNotFound,
                     QStringLiteral("The Wine prefix \"%1\" has no drive_c folder").arg(prefixDir)};
    for (const char* name : {"system.reg", "user.reg"})
        if (Status st = checkHive(prefixDir + u'/' + QLatin1String(name)); !st) return st;
    return Status::ok();
}

} // namespace platform
