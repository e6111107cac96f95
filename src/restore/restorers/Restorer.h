#pragma once
// One restorer per mail client: the inverse of its collector. It tells, for
// every entry of the archive, which identity and item it belongs to and where
// the client reads it in the current prefix; registry dumps are imported, not
// placed.

#include "restore/ArchiveManifest.h"
#include "restore/DumpText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace platform {
class Registry;
class Files;
} // namespace platform

namespace restore {

// Identities and items by the names the manifest gives; an empty list means all.
struct RestoreChoice {
    QStringList identities;
    QStringList items;
};

struct Placement {
    QString entry;   // archive name
    QString winPath; // where the client reads it
};

struct RestorePlan {
    QStringList selected;     // every chosen entry, manifests included (the folder destination)
    QList<Placement> files;   // chosen data files and their places in the prefix
    QStringList dumps;        // chosen registry dumps, imported in this order
    QStringList undetermined; // chosen entries whose place could not be found
    QStringList pathFiles;    // entries of files in a format with absolute paths (rewritten)
    QStringList rewrites;     // recorded folders the restorer moved: "<what>: <old> -> <new>"
    // The client's folders (or single files) in the current prefix: every
    // file placed must lie inside one of them.
    QStringList roots;
    // Folders that the settings files and dumps to be restored name (what, folder):
    // each must lie inside the roots as well.
    QList<std::pair<QString, QString>> namedFolders;
};

struct RestoreInput {
    const ArchiveManifest& manifest;
    QStringList entries; // the archive's files, in archive order
    RestoreChoice choice;
    platform::Registry& registry; // the current prefix
    const platform::Files& files;
    QString stagingHost; // where the archive was extracted
};

class Restorer {
public:
    explicit Restorer(const RestoreInput& in) : in_(in) {}
    virtual ~Restorer() = default;
    Restorer(const Restorer&) = delete;
    Restorer& operator=(const Restorer&) = delete;

    RestorePlan Plan();

protected:
    struct Where {
        int item = -1;     // item position in the client's item list; -1: with any item
        QString identity;  // manifest identity name; empty: not one identity's
        QString winPath;   // empty: not known (or a dump)
        bool dump = false; // a registry dump to import
        bool pathFile = false;
        bool mapOnly = false; // a map the backup wrote for the restore: read, never placed
    };
    // Called once before the entries are located.
    virtual void Prepare() {}
    virtual Where Locate(const QString& entry) = 0;

    // A dump of the archive, read from the staging folder; nothing when missing.
    std::optional<DumpText> Dump(const QString& entry) const;
    // "\Software\...\Shell Folders" of the current prefix.
    QString ShellFolder(const QString& name) const;
    QString ReadString(quint32 root, const QString& keyPath, const QString& name) const;
    // "<folder>\<rest of the entry after prefix>", '/' turned into '\'.
    static QString Below(const QString& folder, const QString& entry, qsizetype prefixLength);
    // A folder (or file) where the client keeps its data in the current
    // prefix; never one the archive names. Empty or driveless paths are ignored.
    void AddRoot(const QString& winPath);
    // A folder a restored settings file or dump will name, to be checked.
    void NameFolder(const QString& what, const QString& winFolder);
    // The path is one of the roots or lies below one.
    bool InsideRoots(const QString& winPath) const;

    const RestoreInput& in_;
    // Recorded folders moved to this prefix's ("<what>: <old> -> <new>"), for the report.
    QStringList rewrites_;

private:
    QStringList roots_;
    QList<std::pair<QString, QString>> namedFolders_;
    bool chosen(const Where& w) const;
};

// The restorer of a client code; null for a code without one.
std::unique_ptr<Restorer> MakeRestorer(const RestoreInput& in);

// The manifest files at the top of every archive.
bool IsManifestEntry(const QString& entry);

} // namespace restore
