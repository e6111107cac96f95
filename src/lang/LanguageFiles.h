#pragma once
// The language files of the program folder: their paths, the list of the
// languages they hold, and the built-in English file.

#include "platform/Result.h"

#include <QString>
#include <QStringList>

namespace platform {
class Files;
}

namespace lang {

// programFolder (with its trailing '\') + name + ".lng".
QString languageFilePath(const QString& programFolder, const QString& name);

struct LanguageList {
    QStringList names; // display names, in the order the folder lists the files
    int selected = -1; // the entry equal to the language in use, or -1
};

// Every "*.lng" file of the program folder, listed by the display name in its
// "[Language]" section ("ERROR" when it has none or cannot be read); the entry
// that equals language without regard to case is selected.
LanguageList listLanguages(const platform::Files& fs, const QString& programFolder,
                           const QString& language);

// The built-in English lines, placeholder replaced, in Windows-1252 with CR LF
// after every line.
QByteArray englishLanguageFileBytes();
// Writes them to programFolder + "English.lng".
platform::Status writeEnglishLanguageFile(const platform::Files& fs, const QString& programFolder);

} // namespace lang
