#pragma once
// The nodes every client tree shows (the Backup tab's and the two schedule
// trees): the design nodes in their order, each carrying its client code, and
// one child per installed version where a client has several. The versions
// are looked up once and shared by all trees.

#include <QString>

#include <vector>

namespace clients {

class ClientCatalogue;

struct ClientTreeNode {
    QString caption;
    int code = 0;
    int parent = -1;            // index of the parent node in flat order; -1 for a root
    int picture = 0;            // the client picture of the Backup tab's tree
    bool versionParent = false; // has one child per installed version
    bool versionChild = false;
};

class ClientTreeModel {
public:
    // The design nodes only, with their base codes (before the main window is shown).
    ClientTreeModel();
    // Looks up the versions of PocoMail, Opera and Netscape: one version gives
    // its node that version's code; several add a child per version.
    explicit ClientTreeModel(ClientCatalogue& catalogue);

    // Flat order: a parent before its children, children in version order.
    const std::vector<ClientTreeNode>& nodes() const { return nodes_; }
    // The first node in flat order carrying code, or -1.
    int find(int code) const;

private:
    std::vector<ClientTreeNode> nodes_;
};

} // namespace clients
