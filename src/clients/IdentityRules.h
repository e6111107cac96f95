#pragma once
// The text rules that turn mail-client files and values into identity names.
// Pure functions on text, safe for any input.

#include <QString>
#include <QStringList>

namespace clients {

// Lines as a text-file reader gives them: CR LF, LF and CR end a line; a final
// line end adds no empty line.
QStringList SplitLines(const QString& text);

// The text before the last '\' (a text without '\' stays whole).
QString CutAtLastBackslash(const QString& text);

// One user of Pegasus Mail's user list: from the third character up to the last
// ';' (the whole line when it has no ';').
QString PegasusUserName(const QString& line);
// Every user of the list, one per line; empty lines name no user.
QStringList PegasusUsers(const QString& fileText);

// The cut of one account line of Opera 6: when the line holds a '?', the text
// after the last '?' found at or before the third-last character, up to that
// character; with no such '?', the line without its last two characters.
QString OperaAccountCut(const QString& line);
// The lines between the "[Accounts]" header (any case) and the next line that
// holds a '[', each cut as above; empty lines included.
QStringList OperaAccounts(const QString& fileText);

// The identity of a Mozilla profile path: the name of the folder that holds the
// profile's own folder (between the last and the second-to-last '\'). When that
// is empty: the last name of the path, else "Profile " and position (from 1).
QString MozillaIdentityName(const QString& profilePath, int position);

} // namespace clients
