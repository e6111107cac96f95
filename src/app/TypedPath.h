#pragma once
// Paths a person types or picks in the windows' path fields. The core works
// with Windows paths; a host path ("/home/ann/Backups", "~/Backups") typed
// there is turned into one here, once, and shown back as it was typed.

#include <QString>

namespace platform {
class Files;
}

namespace app {

// The person typed a host path: it begins with '/', or is "~" or "~/...".
bool IsHostForm(const QString& typed);
// The Windows path of a field's text: a host path converted (a trailing '/'
// kept as '\'); any other text as it is.
QString WindowsFromTyped(const platform::Files& files, const QString& typed);
// winPath as the field shows it: its host path when hostForm (a trailing '\'
// kept as '/'), else winPath itself.
QString InTypedForm(const platform::Files& files, const QString& winPath, bool hostForm);

} // namespace app
