#pragma once
// What every collector shares: the common sequence of a backup (reset, delete
// the old target, open the list ... write the archive) and the small steps in
// between (dump a key and add the file, add a folder, close a task).

#include "backup/BackupContext.h"
#include "backup/BackupRequest.h"
#include "backup/Manifest.h"
#include "clients/layouts/Layout.h"

#include <QString>
#include <QStringList>

namespace platform {
class IniFile;
}

namespace backup {

class Collector {
public:
    Collector(BackupContext& ctx, const BackupRequest& request);
    virtual ~Collector() = default;
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // The collector's whole backup; returns BackupFailed at its end.
    virtual bool Run() = 0;

    // A name usable as one folder of the staging folder: no separators, no
    // drive colon, not "." or "..", so that a name from the registry never
    // writes outside it.
    static QString SafeFolderName(const QString& name);
    // "X:..." - a path that names a drive. A folder from the registry without
    // one would name files of the host or of the current folder: not read.
    static bool HasDrive(const QString& path);

protected:
    // Task counters reset, the archive list opened.
    void BeginArchive();
    // CreateArchive on the target, then the list released. Every check that
    // can fail the backup comes first: when anything was refused (a staging
    // write, a folder that could not be read or searched, a collector's own
    // check), the library is not called, the backup fails naming each cause,
    // and the previous archive of that name stays as it is.
    void FinishArchive();
    // Fails the backup before anything is written; text without a leading
    // blank. The same text twice is said once.
    void Refuse(const QString& text);

    bool ItemTicked(int position) const;
    const QString& ItemName(int position) const;
    bool IdentityTicked(int position) const;
    const QString& IdentityName(int position) const;
    // Names of the ticked identities and items, in list order (the manifest lists).
    QStringList TickedIdentityNames() const;
    QStringList TickedItemNames() const;

    // Staging folder S (no trailing '\') and S\<name> (created when missing;
    // a folder that cannot be made is recorded as a failed write).
    const QString& Staging() const { return ctx_.stagingFolder; }
    QString StagingFolderFor(const QString& name);

    // Dumps root\key into file and adds it with an empty archive folder.
    void ExportAndAdd(const QString& rootName, const QString& keyPath, bool subKeys,
                      const QString& file, const QString& baseFolder);

    // Writes into the staging folder. A write that fails is recorded, and
    // FinishArchive then fails the backup naming it without writing the
    // archive: a backup without its registry dumps, manifest or folder maps
    // cannot be restored as it was, and must not replace a good one.
    bool ExportKey(const QString& rootName, const QString& keyPath, bool subKeys,
                   const QString& file);
    bool WriteManifestFile(const QString& file, const Manifest& m);
    bool WriteMapFile(const QString& file, const IniPairs& keys);
    bool SaveStagingIni(const platform::IniFile& ini, const QString& file);
    bool MakeStagingFolder(const QString& folder);
    void Add(const QString& spec, const QString& archiveFolder, const QString& baseFolder);
    // The entries of folder named *.extension ("*": every entry), sub-folders
    // as one entry each. A folder that is there but cannot be read is refused.
    void AddFolder(const QString& folder, const QString& archiveFolder, const QString& baseFolder,
                   const QString& extension = QStringLiteral("*"));
    void CloseTask(int itemPosition);
    // The files and folders a layout lists for item below folder (no trailing
    // '\'), in layout order, stored below archiveFolder.
    void AddRows(std::span<const clients::FileRow> rows, int item, const QString& folder,
                 const QString& archiveFolder = QString());

    // Registry texts; empty when the key or value is missing.
    QString ReadString(quint32 root, const QString& keyPath, const QString& name) const;
    QStringList SubKeyNames(quint32 root, const QString& keyPath) const;
    // "\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" of HKCU.
    QString ShellFolder(const QString& name) const;

    // The recursive file search for mask below folder: the folder (ending in
    // '\') of the matches, in the order found, once for each run of matches in
    // one folder (so once per folder for a single mask); nothing when folder is
    // empty. The found-folder list holds FoundFolderList::Capacity folders.
    // Folders beyond it, a folder too long for the search and a folder that
    // cannot be read are never dropped silently: each is refused, and the
    // backup fails before anything is written.
    QStringList FindFolders(const QString& folder, const QString& mask);
    // Each folder once, first occurrence kept (by default compared without
    // regard to case).
    static QStringList DistinctFolders(const QStringList& folders,
                                       Qt::CaseSensitivity cs = Qt::CaseInsensitive);

    // S\infobak.ini with the client table's name of the request's client, the
    // ticked identities and items and the given "Directory" keys, written anew
    // and added (base S\).
    void AddManifest(const IniPairs& directory = {});
    // The client table's name of the request's client, for the manifest.
    QString ManifestClientName() const;

    bool Failed() const;

    BackupContext& ctx_;
    const BackupRequest& request_;

private:
    int lostFolders_ = 0; // folders the found-folder list had no room for
    QStringList refused_; // why the backup cannot be written, one text each
};

} // namespace backup
