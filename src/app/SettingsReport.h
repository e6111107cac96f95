#pragma once
// The settings as the program reads them, one "name: value" line each, with
// the password masked. Used by postora-inspect.

#include <QStringList>

namespace base {
struct Settings;
}

namespace app {

QStringList SettingsReport(const base::Settings& s);

} // namespace app
