#include "clients/gui/ClientTree.h"

#include "clients/Clients.h"

#include <QTreeWidget>

namespace clients {

void SetNodePicture(QTreeWidgetItem& item, int picture, const QList<QIcon>& pictures) {
    item.setData(0, kPictureRole, picture);
    item.setIcon(0, picture >= 0 && picture < pictures.size() ? pictures[picture] : QIcon());
}

void FillClientTree(QTreeWidget& tree, const ClientTreeModel& model, TreePictures kind,
                    const QList<QIcon>& pictures) {
    tree.clear();
    std::vector<QTreeWidgetItem*> items;
    for (const ClientTreeNode& node : model.nodes()) {
        auto* item = node.parent >= 0 ? new QTreeWidgetItem(items[size_t(node.parent)])
                                      : new QTreeWidgetItem(&tree);
        item->setText(0, node.caption);
        item->setData(0, kClientCodeRole, node.code);
        int picture = node.picture;
        if (kind == TreePictures::CheckImages)
            picture = node.code == kNone || node.versionParent ? -1 : 0;
        SetNodePicture(*item, picture, pictures);
        items.push_back(item);
    }
    tree.expandAll();
}

int NodeCode(const QTreeWidgetItem* item) {
    return item ? item->data(0, kClientCodeRole).toInt() : 0;
}

QList<QTreeWidgetItem*> ClientNodes(QTreeWidget& tree) {
    QList<QTreeWidgetItem*> out;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        out << *it;
    return out;
}

QTreeWidgetItem* FindClientNode(QTreeWidget& tree, int code) {
    for (QTreeWidgetItem* item : ClientNodes(tree))
        if (NodeCode(item) == code) return item;
    return nullptr;
}

} // namespace clients
