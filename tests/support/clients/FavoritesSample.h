#pragma once
// Internet Explorer Favorites of the prefix's user: shortcuts in the folder
// itself, in News and News\Local, a "Links" folder written in capitals with an
// upper-case extension, a folder whose shortcuts lie only in a sub-folder, an
// empty folder, and files that are no shortcuts (desktop.ini, a text file).

#include "support/SamplePrefix.h"

#include <QString>

namespace support {

void addFavorites(SamplePrefix& p);

namespace favorites {
QString folder(const SamplePrefix& p); // F, as the shell folder value names it
QByteArray shortcut(const char* url);  // the text of one internet shortcut
} // namespace favorites

} // namespace support
