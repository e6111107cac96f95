#include "lang/LanguageFiles.h"

#include "lang/EnglishLanguage.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Ini.h"

namespace lang {

QString languageFilePath(const QString& programFolder, const QString& name) {
    return programFolder + name + QStringLiteral(".lng");
}

LanguageList listLanguages(const platform::Files& fs, const QString& programFolder,
                           const QString& language) {
    LanguageList list;
    const auto found = fs.find(programFolder + QStringLiteral("*.lng"), platform::FA_ANYFILE);
    if (!found) return list;
    for (const platform::FindData& entry : found.value()) {
        if (entry.attributes & platform::FA_DIRECTORY) continue;
        const QString name =
            platform::readProfileString(fs, programFolder + entry.name, QStringLiteral("Language"),
                                        QStringLiteral("Language"), QStringLiteral("ERROR"));
        if (list.selected < 0 && name.compare(language, Qt::CaseInsensitive) == 0)
            list.selected = int(list.names.size());
        list.names << name;
    }
    return list;
}

QByteArray englishLanguageFileBytes() {
    const QString crlf = QStringLiteral("\r\n");
    return platform::toAnsi(englishLanguageLines().join(crlf) + crlf);
}

platform::Status writeEnglishLanguageFile(const platform::Files& fs, const QString& programFolder) {
    return fs.writeAll(languageFilePath(programFolder, QStringLiteral("English")),
                       englishLanguageFileBytes());
}

} // namespace lang
