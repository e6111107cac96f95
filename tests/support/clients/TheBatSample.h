#pragma once
// The Bat! with three users: Ann without a folder of her own in the registry
// (her folder lies below the working folder), Bob with one elsewhere, Carol
// with one too. Each user folder holds account files and message bases in
// nested mail folders (one written in lower case); the working folder holds
// the address books.

#include "support/SamplePrefix.h"

#include <QString>
#include <QStringList>

namespace support {

void addTheBat(SamplePrefix& p);

namespace thebat {
QString workingFolder(); // no trailing '\'
QStringList users();     // the identities, in registry order
// The user's folder (no trailing '\') and its mail folders below it, each
// with its trailing '\' (a parent before its sub-folders).
QString userFolder(int position);
QStringList mailFolders(int position);
QString usersKey(); // "Software\RIT\The Bat!\Users Depot" below HKEY_CURRENT_USER
} // namespace thebat

} // namespace support
