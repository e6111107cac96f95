#pragma once
// Lists of backups whose names differ only at their end ("Before restore -
// EudoraBackup 8-12-2026 14-05-33.ebk"): a name too long for its room keeps
// its beginning and its end, and the whole name is its tool tip. Trees of
// folders show the entry the program chose, its name whole.

#include <QObject>
#include <QTimer>

class QAbstractItemView;
class QFileSystemModel;
class QModelIndex;
class QTreeView;

namespace app {

void ShowWholeNames(QAbstractItemView& view);

// Scrolls view to index, and sideways as little as it takes for the name to
// show whole (from its start where the view is narrower than the name).
void RevealWholeName(QTreeView& view, const QModelIndex& index);

// A tree over a file system model, which reads folders in the background:
// the entry the program chose is brought into view once the folders on its
// way are read - until the person moves the view, so that a folder read later
// never pulls the view from under the pointer.
class ChosenInView : public QObject {
public:
    ChosenInView(QTreeView& view, const QFileSystemModel& model); // owned by view
    // Makes at the view's current entry and keeps it in view.
    void choose(const QModelIndex& at);

private:
    void reveal(const QModelIndex& at);

    QTreeView& view_;
    QTimer settle_;
    bool following_ = false;
    bool revealing_ = false; // the parents the view expands to reveal are not the person's
};

} // namespace app
