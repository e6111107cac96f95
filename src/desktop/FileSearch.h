#pragma once
// Walks a folder tree and reports every entry that matches one or more masks.
// Collectors use it to find a mail client's folders: they search for a mask
// below the client's data folder and collect the folders of the matches in a
// FoundFolderList.

#include "platform/Files.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace base {
class Interaction;
} // namespace base

namespace desktop {

class FileSearch {
public:
    // folder ends in "\"; the record is the file system's entry.
    using TFileFindEvent =
        std::function<void(const QString& folder, const platform::FindData& record)>;
    using TNotifyEvent = std::function<void(FileSearch& sender)>;
    // folder ends in "\"; reason says why it could not be listed.
    using TFolderErrorEvent = std::function<void(const QString& folder, const QString& reason)>;

    static constexpr int MaxSearchFileLength = 255;

    // interaction may be null: then pending messages are not processed.
    explicit FileSearch(const platform::Files& fs, base::Interaction* interaction = nullptr);
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // Runs the search described by SearchFile synchronously. Masks separated by
    // ";" after the folder's last "\" share that folder ("C:\Mail\*.mbx;*.toc");
    // a ";" before it is part of the folder's name. A folder that is missing
    // gives no matches and no error; one that is there but cannot be listed
    // (permission, I/O error, a path too long) gives no matches and is told to
    // OnFolderError, so that a caller never takes it for an empty folder.
    // Each folder's matches are
    // reported before its sub-folders are entered, which are visited in the
    // order the file system lists them. A call from inside a running search (an
    // event handler or a processed message) does nothing.
    void Execute();

    // Published properties. Level: deepest folder level searched, the start
    // folder being level 1; 0 means no limit (the declared default is 1, but a
    // new component starts with 0). Setting Stop during a search ends it at the
    // next entry; OnFinish is still called.
    int Level = 0;
    bool Stop = false;
    bool RecurseSubFolders = true;
    const QString& SearchFile() const { return searchFile_; }
    void setSearchFile(const QString& text); // cut to 255 characters
    // Full path of every match of the last search, in the order found. Filled
    // only while OnFileFind is set.
    const QStringList& FilesFound() const { return filesFound_; }

    TFileFindEvent OnFileFind;
    TFileFindEvent OnChangeFolder; // a folder is about to be matched
    TNotifyEvent OnFinish;         // once, after all masks were searched
    TFolderErrorEvent OnFolderError;

    bool busy() const { return busy_; }

private:
    void searchSpec(const QString& spec);
    void walk(const QString& folder, const platform::FindData& record, const QString& mask);
    // False (after telling OnFolderError) when the folder is there but the
    // listing failed; a listing that finds nothing is no failure.
    bool listed(const QString& folder, const platform::Result<std::vector<platform::FindData>>& r);
    void processEvents();
    QString canonicalFolder(const QString& folder) const;

    const platform::Files& fs_;
    base::Interaction* interaction_;
    QString searchFile_;
    QStringList filesFound_;
    bool busy_ = false;
    int depth_ = 0;
    QSet<QString> ancestors_; // host folders being walked, to stop at link cycles
};

// The process-wide list of folders in which a search found matches, owned by
// the backup engine's state. A folder is listed once per match inside it.
//
// It holds at most Capacity entries. Further folders are refused, so the ones
// already listed stay valid, but they are counted: a collector that reads the
// list must check overflowed() and report that some folders were left out.
class FoundFolderList {
public:
    static constexpr int Capacity = 1000;

    // Set before each search: empties the list and the overflow count.
    void clear();
    // False (and counted as dropped) when the list is full.
    bool append(const QString& folder);
    int count() const { return int(folders_.size()); }
    const QString& at(int i) const { return folders_.at(i); }
    const QStringList& folders() const { return folders_; }
    bool overflowed() const { return dropped_ > 0; }
    int dropped() const { return dropped_; }

    // Makes search report every match's folder into this list, which must
    // outlive the search's use of it.
    void attach(FileSearch& search);

private:
    QStringList folders_;
    int dropped_ = 0;
};

} // namespace desktop
