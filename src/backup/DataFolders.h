#pragma once
// The folders a backup reads, worked out from its archive file list, and their
// account in plain text: where each client's data is taken from.

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace backup {

class ArchiveList;

struct DataFolder {
    QString path; // Windows path; no trailing '\' except for a drive root
    bool exists = false;
};

// The distinct folders behind the entries of list: an entry that names a
// folder stands for itself, any other entry (a file, a wildcard, a name that
// is not there) for the folder that holds it. Entries inside the staging
// folder - the program's own dumps and manifests - are left out. Compared and
// sorted without regard to case, as Windows paths are.
QList<DataFolder> DataFoldersOf(const ArchiveList& list, const QString& stagingFolder,
                                const platform::Files& files);

// What the dry run of one client found.
struct ClientDataFolders {
    int code = 0;  // the code the backup ran for (a variant code for 7, 8 and 9)
    QString label; // the version label of a variant code; empty otherwise
    QList<DataFolder> folders;
    QString problem; // why nothing ran, or the failure the collector reported
};

// "data folders of code N "Caption" (label):" and one indented line per
// folder, "(missing)" after a folder that is not there.
QStringList DataFolderReport(const QList<ClientDataFolders>& clients);

} // namespace backup
