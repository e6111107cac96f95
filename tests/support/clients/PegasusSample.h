#pragma once
// Pegasus Mail in multi-user mode: the mailbox folder with its user list (in
// capitals, as older versions wrote it) and three users, each with folders,
// indexes, new mail, address books and a nested folder; one user's folder in
// another letter case than the list names it.

#include "support/SamplePrefix.h"

#include <QString>
#include <QStringList>

namespace support {

void addPegasus(SamplePrefix& p);

namespace pegasus {
QString mailboxValue(); // the "MailBox" value as the client writes it, with its trailing '\'
QString mailbox();      // the common mailbox folder, no trailing '\'
QStringList users();    // the identities the user list gives, in order
QString key();          // "SOFTWARE\Classes\software\pegasus mail" below HKEY_LOCAL_MACHINE
// Switches the installation to single-user mode: the user list goes, the
// user mode says so, and the mail lies in the "Mail" folder.
void makeSingleUser(SamplePrefix& p);
} // namespace pegasus

} // namespace support
