#pragma once
// Opera's mail in its two layouts. Opera 6: a "Mail" folder in the program
// folder (named by the command line Opera was last started with), one folder
// per account below it. Opera 7: everything below "Opera\Opera7" of the
// application-data folder.

#include "clients/layouts/Layout.h"

#include <QString>

namespace clients {

struct OperaLayout {
    enum Item { kAccounts, kMailFolders, kFilters, kSignatures, kAddressBook };

    // Below HKEY_CURRENT_USER: "Last CommandLine" (6) and "Last CommandLine v2" (7).
    static constexpr const char* kKey = "Software\\Opera Software";
    static QString key() { return QLatin1String(kKey); }
    static QString commandLine6() { return QStringLiteral("Last CommandLine"); }
    // The program folder (ending in '\') of the command line Opera was last
    // started with: the text up to its last '\'. Empty when that names no
    // folder on a drive, so that nothing relative to the host is read.
    static QString programFolderOf(const QString& commandLine);
    // Whether an account name from the account list names one folder below
    // "Mail". Other lines of the list (an empty line, "..", a path) name none.
    static bool isAccountFolderName(const QString& name);

    // Opera 6, below the program folder, the "Mail" folder and an account's folder.
    static QString mailFolder() { return QStringLiteral("Mail"); }
    static std::span<const FileRow> programFiles();
    static std::span<const FileRow> mailFiles();
    static std::span<const FileRow> accountFiles();
    // Opera 7, below the application-data folder.
    static QString opera7Folder() { return QStringLiteral("Opera\\Opera7"); }
};

} // namespace clients
