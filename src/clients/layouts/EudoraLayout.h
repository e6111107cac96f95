#pragma once
// Eudora: one data folder, named by the command line Eudora was last started
// with. Below it the settings, the spool, filters, signatures and address
// book; the mail folders (".fol" folders with ".mbx", ".toc" and ".pce"
// files) and the stationery are searched for.

#include "clients/layouts/Layout.h"

#include <QString>

namespace platform {
class Files;
}

namespace clients {

struct EudoraLayout {
    enum Item { kAccounts, kMailFolders, kFilters, kSignatures, kAddressBook };

    // Below HKEY_CLASSES_ROOT; its default value is the command line.
    static QString commandLineKey();
    // The data folder in a command line "<program> <folder> <settings file>",
    // without a trailing '\'. The text between the first and the second blank,
    // or the whole line with fewer than two blanks; when that names no folder
    // but another blank-separated run (quotes removed) does, as with a program
    // path holding blanks, that run.
    static QString dataFolderOf(const QString& commandLine, const platform::Files& fs);
    // Below the data folder, by item (the mail folders are searched for).
    static std::span<const FileRow> files();
    // The mailbox files of a mail folder, by extension.
    static std::span<const char* const> mailboxExtensions();
};

} // namespace clients
