#include "clients/ClientTreeModel.h"

#include "clients/Clients.h"

namespace clients {

namespace {

struct DesignNode {
    const char16_t* caption;
    int code;
    bool root;
    int picture;
};

// "Email Client" and its nine mail clients, then the Favorites as a second root.
constexpr DesignNode kDesign[] = {
    {u"Email Client", kNone, true, 10},
    {u"Outlook Express", kOutlookExpress, false, 0},
    {u"MS Outlook", kOutlook, false, 1},
    {u"Eudora", kEudora, false, 2},
    {u"IncrediMail", kIncrediMail, false, 3},
    {u"PegasusMail", kPegasus, false, 4},
    {u"The Bat", kTheBat, false, 5},
    {u"Poco Mail", kPocoMail, false, 6},
    {u"Opera Mail", kOpera, false, 7},
    {u"Netscape Messenger", kNetscape, false, 8},
    {u"Internet Explorer Favorites", kFavorites, true, 9},
};

} // namespace

ClientTreeModel::ClientTreeModel() {
    int root = -1;
    for (const DesignNode& d : kDesign) {
        ClientTreeNode node;
        node.caption = QString::fromUtf16(d.caption);
        node.code = d.code;
        node.picture = d.picture;
        node.parent = d.root ? -1 : root;
        if (d.root) root = int(nodes_.size());
        nodes_.push_back(node);
    }
}

ClientTreeModel::ClientTreeModel(ClientCatalogue& catalogue) : ClientTreeModel() {
    std::vector<ClientTreeNode> withVersions;
    for (ClientTreeNode node : nodes_) {
        const bool looked = node.code == kPocoMail || node.code == kOpera || node.code == kNetscape;
        const QList<VersionVariant> versions =
            looked ? catalogue.GetClientVersions(node.code) : QList<VersionVariant>();
        if (versions.size() == 1) node.code = versions.front().code;
        node.versionParent = versions.size() >= 2;
        const int parentIndex = int(withVersions.size());
        // "Email Client" stays first, so the mail clients' parent index holds.
        withVersions.push_back(node);
        if (!node.versionParent) continue;
        for (const VersionVariant& v : versions) {
            ClientTreeNode child;
            child.caption = v.label;
            child.code = v.code;
            child.parent = parentIndex;
            child.picture = node.picture;
            child.versionChild = true;
            withVersions.push_back(child);
        }
    }
    nodes_ = std::move(withVersions);
}

int ClientTreeModel::find(int code) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].code == code) return int(i);
    return -1;
}

} // namespace clients
