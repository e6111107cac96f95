#pragma once
// The check lists of identities and items, as both faces of the main window
// fill and read them.

#include "backup/BackupRequest.h"
#include "base/Settings.h"

#include <QList>
#include <QStringList>

class QListWidget;

namespace app {

// Replaces the entries by names, each with a check box in the given state.
void FillCheckList(QListWidget& list, const QStringList& names, bool ticked);
QList<base::TickedName> TickedNames(const QListWidget& list);
// The entries as a backup request carries them, in list order.
QList<backup::Selected> SelectedOf(const QListWidget& list);
bool AnyTicked(const QListWidget& list);

} // namespace app
