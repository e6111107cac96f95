#pragma once
// Outlook 2003 for the prefix's user: one mail profile "Outlook" whose sections
// name personal-folders files in the Outlook folder, in a folder of their own
// (two files), below the local application-data folder and in a folder with a
// Cyrillic name; Outlook's own keys; the Outlook folders of both
// application-data folders; the signatures.

#include "support/SamplePrefix.h"

#include <QString>

namespace support {

void addOutlook(SamplePrefix& p);

namespace outlook {
// The profile key below HKCU, without a leading '\'.
QString profileKey();
// Its sections (sub-key names) in listed order, by what they name.
QString generalSection();   // no store
QString mainStoreSection(); // <local>\Microsoft\Outlook\Outlook.pst, ANSI bytes
QString oldMailSection();   // <local>\Old Mail\old.pst, outside the Outlook folder
QString archiveSection();   // C:\Mail Archive\archive.pst, UTF-16
QString projectsSection();  // C:\Mail Archive\Projects 2003.pst, a REG_SZ value
QString cyrillicSection();  // <profile>\Documents\Почта\Личное.pst, UTF-16
QString familySection();    // C:\Mail Archive\Family.pst, after the Cyrillic folder
QString accountsSection();  // the account list, no store of its own
QString cyrillicFolder(const SamplePrefix& p); // with trailing '\'
} // namespace outlook

} // namespace support
