#pragma once
// PocoMail 3 for the prefix's user: the program folder with its settings file,
// accounts, filters, a mail tree with nested folders (one folder holding two
// mailboxes, one written in capitals), attachments, templates, signatures,
// address book and scripts, and two further users with settings files of their
// own. The keys of the two older layouts can be added to point at the same folder.

#include "support/SamplePrefix.h"

#include <QString>
#include <QStringList>

namespace support {

void addPocoMail(SamplePrefix& p);

namespace pocomail {
QString folder();       // the PocoMail folder, no trailing '\'
QStringList users();    // the further users, in the order the sample writes them
QString settingsFile(); // the default user's "poco.ini" as it is spelt on disk
// Registers the layout of code 72 or 720 for the same folder (720's value
// with a trailing '\', as its installer writes it).
void addLayout(SamplePrefix& p, int code);
} // namespace pocomail

} // namespace support
