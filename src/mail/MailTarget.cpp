#include "mail/MailTarget.h"

#include "mail/FolderWriters.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace mail {

struct MailTarget::Node {
    QString dir;      // Maildir: the folder itself; mbox: where its children go (.sbd)
    QString file;     // mbox: the folder's file
    QString parent;   // the directory the folder's entry is in
    QString name;     // its file name there
    QStringList path; // the client's names
    std::map<QString, std::unique_ptr<Node>> children;
    QSet<QString> used; // file names taken below it
    std::unique_ptr<FolderWriter> writer;
};

QString folderFileName(const QString& name) {
    QString n = name;
    n.replace(u'/', u'_').replace(QChar(0), u'_');
    if (n.isEmpty() || n == u"." || n == u"..") n.prepend(u'_');
    // Names the formats use for themselves inside a folder.
    static const QSet<QString> reserved{QStringLiteral("cur"), QStringLiteral("new"),
                                        QStringLiteral("tmp"), QStringLiteral("damaged")};
    if (reserved.contains(n) || n.endsWith(QLatin1String(".sbd")) ||
        n.endsWith(QLatin1String(".mbox")))
        n += u'_';
    return n;
}

std::unique_ptr<MailTarget> MailTarget::create(const QString& root, Format format, QString* error) {
    const QFileInfo info(root);
    if (info.exists() && !info.isDir()) {
        *error = QStringLiteral("%1 is a file, not a folder").arg(root);
        return nullptr;
    }
    if (info.exists() &&
        !QDir(root)
             .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
             .isEmpty()) {
        *error = QStringLiteral("%1 already holds files").arg(root);
        return nullptr;
    }
    if (!QDir().mkpath(root)) {
        *error = QStringLiteral("cannot make the folder %1").arg(root);
        return nullptr;
    }
    return std::unique_ptr<MailTarget>(new MailTarget(QDir(root).absolutePath(), format));
}

MailTarget::MailTarget(const QString& root, Format format)
    : format_(format), root_(std::make_unique<Node>()) {
    root_->dir = root;
}

MailTarget::~MailTarget() = default;

MailTarget::Node* MailTarget::child(Node& parent, const QString& name, QString* error) {
    auto& slot = parent.children[name];
    if (slot) return slot.get();
    if (!parent.dir.isEmpty() && !QDir().mkpath(parent.dir)) {
        *error = QStringLiteral("cannot make the folder %1").arg(parent.dir);
        parent.children.erase(name);
        return nullptr;
    }
    // Two names that become the same file name (or differ only in a '/') stay apart.
    const QString base = folderFileName(name);
    QString file = base;
    for (int n = 2; parent.used.contains(file); ++n)
        file = base + QStringLiteral(" (%1)").arg(n);
    parent.used.insert(file);
    auto node = std::make_unique<Node>();
    node->parent = parent.dir;
    node->name = file;
    node->path = parent.path + QStringList{name};
    if (format_ == Format::Maildir) {
        node->dir = parent.dir + u'/' + file;
    } else {
        node->file = parent.dir + u'/' + file + QStringLiteral(".mbox");
        node->dir = parent.dir + u'/' + file + QStringLiteral(".sbd");
    }
    slot = std::move(node);
    return slot.get();
}

MessageSink* MailTarget::folder(const QStringList& path, QString* error) {
    if (path.isEmpty()) {
        *error = QStringLiteral("a mail folder without a name");
        return nullptr;
    }
    Node* n = root_.get();
    for (const QString& name : path)
        if (!(n = child(*n, name, error))) return nullptr;
    if (!n->writer) {
        const QString damaged = n->parent + QStringLiteral("/damaged");
        if (format_ == Format::Maildir) {
            auto w = std::make_unique<MaildirFolder>(n->dir, damaged, n->name, sequence_);
            if (!w->ready()) return *error = w->error(), nullptr;
            n->writer = std::move(w);
        } else {
            auto w = std::make_unique<MboxFolder>(n->file, damaged, n->name);
            if (!w->ready()) return *error = w->error(), nullptr;
            n->writer = std::move(w);
        }
    }
    return n->writer.get();
}

QList<MailTarget::FolderCounts> MailTarget::counts() const {
    QList<FolderCounts> out;
    std::vector<const Node*> stack{root_.get()};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        if (n->writer) out.append({n->path, n->writer->written(), n->writer->damaged()});
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            stack.push_back(it->second.get());
    }
    return out;
}

} // namespace mail
