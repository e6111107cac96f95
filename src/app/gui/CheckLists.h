#pragma once
// The check lists of identities and items, as both faces of the main window
// fill and read them. An entry shows its name in the language in use and
// keeps the name as stored, which is what every reader gets.

#include "backup/BackupRequest.h"
#include "base/Settings.h"

#include <QList>
#include <QStringList>

class QListWidget;
class QListWidgetItem;

namespace app {

class AppContext;

// Replaces the entries by names, each with a check box in the given state.
void FillCheckList(AppContext& ctx, QListWidget& list, const QStringList& names, bool ticked);
// Shows every entry of list in the language in use (after a switch).
void ShowStoredNames(AppContext& ctx, QListWidget& list);
// The name an entry stands for, as stored.
QString StoredName(const QListWidgetItem& entry);
QList<base::TickedName> TickedNames(const QListWidget& list);
// The entries as a backup request carries them, in list order.
QList<backup::Selected> SelectedOf(const QListWidget& list);
bool AnyTicked(const QListWidget& list);

} // namespace app
