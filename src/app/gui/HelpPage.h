#pragma once
// The help page that ships with the program: help/index.html in the program
// folder, opened in the user's web browser.

#include <QString>

namespace app {

// Host path of the help page beside the program in programHostFolder, empty
// when it is not there.
QString HelpPagePath(const QString& programHostFolder);
// Opens the help page of the running program in the browser; false when the
// page is missing or no browser took it, so that the caller can say so.
bool OpenHelpPage();

} // namespace app
