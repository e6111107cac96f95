#pragma once
// The folder a mail export writes into, as Maildirs or as mbox files, with the
// client's folder tree kept: a folder is named by its path of names (outermost
// first), in Unicode, and made on first use. Messages that could not be read whole
// go as raw bytes into a "damaged" folder beside their folder.
//
//   Maildir: <root>/Inbox/{cur,new,tmp}, a subfolder inside its parent's folder.
//   mbox:    <root>/Inbox.mbox, subfolders in <root>/Inbox.sbd/ (as Thunderbird
//            keeps them).

#include "mail/MessageSink.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>

namespace mail {

class MailTarget {
public:
    enum class Format { Maildir, Mbox };
    struct FolderCounts {
        QStringList path;
        qint64 written = 0;
        qint64 damaged = 0;
    };

    // Refuses a root that already holds anything (an export never mixes with other
    // files, nor overwrites them) and makes a missing one; nullptr and the reason then.
    static std::unique_ptr<MailTarget> create(const QString& root, Format format, QString* error);
    ~MailTarget();
    MailTarget(const MailTarget&) = delete;
    MailTarget& operator=(const MailTarget&) = delete;

    // The writer of one mail folder; nullptr (and the reason) when it cannot be made.
    MessageSink* folder(const QStringList& path, QString* error);
    QList<FolderCounts> counts() const;
    Format format() const { return format_; }

private:
    struct Node;
    MailTarget(const QString& root, Format format);
    Node* child(Node& parent, const QString& name, QString* error);

    Format format_;
    std::unique_ptr<Node> root_;
    quint64 sequence_ = 0; // shared by every folder: unique Maildir names
};

// A file name for a folder name: every character kept but '/' and NUL, never "."
// or "..", never one of the names the format itself uses inside a folder.
QString folderFileName(const QString& name);

} // namespace mail
