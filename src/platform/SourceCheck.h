#pragma once
// Whether a Wine prefix can be backed up from. A prefix that is gone (an
// unmounted disk, a renamed folder) reads like one without any mail client,
// so a backup of it would replace a good archive with an empty one.

#include "platform/Result.h"
#include "platform/WindowsInstallation.h"

#include <QString>

namespace platform {

// Ok when the prefix folder exists, holds drive_c, and its system.reg and
// user.reg are Wine registry files that can be read; else an error that names
// the path and the cause. An empty prefixDir means there is no prefix at all;
// a mounted Windows installation read instead (windows) has its folder and
// hives checked again.
Status checkBackupSource(const QString& prefixDir, const WindowsInstallation* windows);

} // namespace platform
