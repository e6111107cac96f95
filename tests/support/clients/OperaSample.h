#pragma once
// Opera in both layouts for the prefix's user. Opera 6 in "C:\Program
// Files\Opera": an account list naming three accounts (account1 with nested
// mail folders Inbox and Inbox\Old and a folder with two mailboxes, account2
// with folder names in capitals and an empty signature file, account3), the
// signature file of account1 outside the Mail folder, filters and the address
// book. Opera 7 below the application-data folder: mail, cache, index,
// storage and a nested store, and the profile's address book.

#include "support/SamplePrefix.h"

#include <QString>
#include <QStringList>

namespace support {

void addOpera(SamplePrefix& p);

namespace opera {
QString programFolder();                     // O of Opera 6, with its trailing '\'
QString mailFolder();                        // M = O + "Mail"
QString signatureFile();                     // account1's "SignatureFile"
QString opera7Folder(const SamplePrefix& p); // R
QStringList accounts();                      // the identities the account list gives
} // namespace opera

} // namespace support
