#pragma once
// The user's shell folders ("AppData", "Personal", "Favorites", ...) as the
// prefix's registry records them.

#include <QString>

namespace platform {

class Registry;

// The text value `name` of HKCU\...\Explorer\Shell Folders; empty when absent.
QString shellFolder(Registry& reg, const QString& name);

} // namespace platform
