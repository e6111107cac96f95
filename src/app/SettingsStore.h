#pragma once
// Owner of the in-memory settings: reads them from and writes them to
// HKCU\Software\Kelvarn\Postora. Values that are absent (or unusable: of another
// registry type, out of their range) get their defaults in memory and in the
// registry at once. Nothing here touches a window: the callers hand in the
// window position and the option controls as plain values.

#include "base/Settings.h"
#include "platform/Result.h"

#include <QList>
#include <QString>

namespace base {
class Interaction;
}

namespace platform {
class RegKey;
class Registry;
class Files;
} // namespace platform

namespace app {

class SettingsStore {
public:
    // "Software\Kelvarn\Postora" below HKEY_CURRENT_USER.
    static const QString kKeyPath;

    SettingsStore(platform::Registry& reg, const platform::Files& fs);

    // Off: the loads only read, and absent values get their defaults in memory
    // alone (for tools that look at the settings without changing them).
    void setWriteDefaults(bool on) { writeDefaults_ = on; }

    base::Settings& settings() { return s_; }
    const base::Settings& settings() const { return s_; }

    // Program folder and documents folder ("Personal", else the host's documents
    // folder), both ending with '\'.
    void InitFolders();
    // "Language" and the language list, then the rest of the option set.
    void LoadOptionSettings();
    // The main set; the defaults of "X" and "Y" are the window's current edges.
    void LoadMainSettings(int windowLeft = base::Settings::kDesignLeft,
                          int windowTop = base::Settings::kDesignTop);

    // The saves return the first write that failed (the rest are still tried).
    platform::Status SaveMainSettings(int windowLeft, int windowTop);
    platform::Status SaveOptionSettings(const base::BackupModeControls& controls);

    platform::Status SaveLastClient(int code, const QList<base::TickedName>& identities,
                                    const QList<base::TickedName>& items);
    base::LastClient RestoreLastClient() const;

private:
    platform::Registry& reg_;
    const platform::Files& fs_;
    base::Settings s_;
    bool writeDefaults_ = true;
};

// A save that failed, told in the error box and on standard error: nobody
// should trust settings that the next start would not find. Nothing when it
// succeeded.
void ReportFailedSave(base::Interaction& ui, const platform::Status& saved);

} // namespace app
