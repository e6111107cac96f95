#pragma once
// Lists of backups whose names differ only at their end ("Before restore -
// EudoraBackup 8-12-2026 14-05-33.ebk"): a name too long for its room keeps
// its beginning and its end, and the whole name is its tool tip.

class QAbstractItemView;

namespace app {

void ShowWholeNames(QAbstractItemView& view);

} // namespace app
