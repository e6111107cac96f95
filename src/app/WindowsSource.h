#pragma once
// "/w:<mounted Windows folder> [/u:<user>]": the Windows installation a run
// reads instead of the Wine prefix, chosen before the registry and the drives
// are made.

#include "platform/WindowsInstallation.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace app {

// Takes "/w:" and "/u:" out of args (anywhere among them) and puts that
// installation in chosen. Returns -1 to go on, else the exit status: 2 for a
// bad choice (several profiles without /u: are listed), 1 for an installation
// whose hives cannot be read. Each line goes to report.
int TakeWindowsSource(QStringList& args, const std::function<void(const QString&)>& report,
                      std::optional<platform::WindowsInstallation>& chosen);

} // namespace app
