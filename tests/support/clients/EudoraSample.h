#pragma once
// Eudora for the prefix's user: the command line it was last started with,
// its data folder with the root mailboxes, nested ".fol" mail folders (one in
// upper case), a mail folder that is no ".fol" folder, spool, filters,
// signatures, address book, stationery and attachments.

#include "support/SamplePrefix.h"

#include <QString>

namespace support {

void addEudora(SamplePrefix& p);

namespace eudora {
// The data folder (no trailing '\'), as the command line names it.
QString dataFolder(const SamplePrefix& p);
// The key and value that hold the command line.
QString commandLineKey(); // below HKEY_CLASSES_ROOT
} // namespace eudora

} // namespace support
