#pragma once
// Items and the fixed identity names keep their English names wherever they
// are stored (manifests, settings, schedules), so that what was written before
// reads the same in every language; only what a person reads is translated.

#include <QString>

#include <functional>

namespace clients {

// The role of a check list's entry that holds its stored name.
inline constexpr int kStoredNameRole = Qt::UserRole + 3;

// The text shown for a stored item or identity name: message(key) where the
// name has a key and the language file translates it, else the name itself.
// message answers empty or "ERROR" for a key the file lacks.
QString ShownName(const QString& stored, const std::function<QString(const QString&)>& message);

} // namespace clients
