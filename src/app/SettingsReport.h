#pragma once
// The settings as the program reads them, one "name: value" line each, with
// the password masked. Used by postora-inspect.

#include <QStringList>

namespace app {

struct Settings;

QStringList SettingsReport(const Settings& s);

} // namespace app
