#pragma once
// What every collector shares: the common sequence of a backup (reset, delete
// the old target, open the list ... write the archive) and the small steps in
// between (dump a key and add the file, add a folder, close a task).

#include "backup/BackupContext.h"
#include "backup/BackupRequest.h"

#include <QString>
#include <QStringList>

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

protected:
    // Task counters reset, an existing target deleted, the archive list opened.
    void BeginArchive();
    // CreateArchive on the target, then the list released.
    void FinishArchive();

    bool ItemTicked(int position) const;
    const QString& ItemName(int position) const;
    bool IdentityTicked(int position) const;
    const QString& IdentityName(int position) const;

    // Staging folder S (no trailing '\') and S\<name> (created when missing).
    const QString& Staging() const { return ctx_.stagingFolder; }
    QString StagingFolderFor(const QString& name) const;

    // Dumps root\key into file and adds it with an empty archive folder.
    void ExportAndAdd(const QString& rootName, const QString& keyPath, bool subKeys,
                      const QString& file, const QString& baseFolder);
    void Add(const QString& spec, const QString& archiveFolder, const QString& baseFolder);
    void AddFolder(const QString& folder, const QString& archiveFolder, const QString& baseFolder);
    void CloseTask(int itemPosition);

    // Registry texts; empty when the key or value is missing.
    QString ReadString(quint32 root, const QString& keyPath, const QString& name) const;
    QStringList SubKeyNames(quint32 root, const QString& keyPath) const;
    // "\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" of HKCU.
    QString ShellFolder(const QString& name) const;

    bool Failed() const;

    BackupContext& ctx_;
    const BackupRequest& request_;
};

} // namespace backup
