#pragma once
// Netscape in both layouts for the prefix's user. Netscape 4: the users jane
// (two servers, the first holding the mail state path; nested ".sbd" mail
// folders, one with three files), tom (mail folders in capitals) and guest
// (no servers), each with a profile folder below "C:\Program Files\Netscape
// \Users", and the shared nsreg.dat. Netscape 6/7: a Mozilla profile registry
// naming the profiles default, work and test below the application-data
// folder, each with its profile files and mail folders below Mail\<server> and
// Mail\Local Folders.

#include "support/SamplePrefix.h"

#include <QString>
#include <QStringList>

namespace support {

void addNetscape(SamplePrefix& p);

namespace netscape {
QString usersKey();    // HKCU "Software\Netscape\Netscape Navigator\biff\users"
QString usersFolder(); // Up of every Netscape 4 user, with its trailing '\'
QStringList users();   // the Netscape 4 identities, in registry order
QString mozillaFolder(const SamplePrefix& p); // A + "\Mozilla"
// The Netscape 6/7 profile folders, in the order of the profile registry.
QStringList profilePaths(const SamplePrefix& p);
// Writes the profile registry naming these profile folders.
void writeProfileRegistry(SamplePrefix& p, const QStringList& profileFolders);
} // namespace netscape

} // namespace support
