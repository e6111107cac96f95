#pragma once
// A client tree widget filled from the shared node model: the node's code in
// kClientCodeRole, its picture index in kPictureRole (-1: none).

#include "clients/ClientTreeModel.h"

#include <QIcon>
#include <QList>
#include <Qt>

class QTreeWidget;
class QTreeWidgetItem;

namespace clients {

inline constexpr int kClientCodeRole = Qt::UserRole + 1;
inline constexpr int kPictureRole = Qt::UserRole + 2;

enum class TreePictures {
    Clients,     // the Backup tab: every node its client's picture
    CheckImages, // the schedule trees: check image 0, none on the root and version parents
};

// Clears tree and adds the model's nodes, expanded. pictures[i] is picture i.
void FillClientTree(QTreeWidget& tree, const ClientTreeModel& model, TreePictures kind,
                    const QList<QIcon>& pictures);
// Sets a node's picture index (and its icon; none for -1 or an index without a picture).
void SetNodePicture(QTreeWidgetItem& item, int picture, const QList<QIcon>& pictures);
int NodeCode(const QTreeWidgetItem* item);
// The first node in flat order carrying code, or null.
QTreeWidgetItem* FindClientNode(QTreeWidget& tree, int code);
// Every node in flat order (a parent before its children).
QList<QTreeWidgetItem*> ClientNodes(QTreeWidget& tree);

} // namespace clients
