#pragma once
// "/uninstall": the clean-up an uninstaller needs before it removes the
// program folder: the running companion is ended, its file deleted and the
// session's autostart entry removed. The Run value stays; switching scheduled
// backups off removes it.

namespace platform {
class Files;
}

namespace schedule {

class CompanionControl;

// True when no companion runs and its file and autostart entry are gone afterwards.
bool RunUninstall(CompanionControl& companion, const platform::Files& fs);

} // namespace schedule
