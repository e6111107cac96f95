#pragma once
// The owner of the program's language state: the caption component, the message
// components and their shared flags. Made once at start-up next to the settings
// and handed to whoever shows texts.

#include "lang/CaptionTarget.h"
#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "lang/MessageTable.h"
#include "platform/Result.h"

#include <vector>

namespace base {
struct Settings;
} // namespace base

namespace lang {

class Localization {
public:
    // Uses settings.programFolder and reads and updates settings.language.
    Localization(const platform::Files& fs, base::Interaction& ui, base::Settings& settings);
    Localization(const Localization&) = delete;
    Localization& operator=(const Localization&) = delete;

    CaptionTranslator& captions() { return lngP_; } // LngP
    MessageTable& messageBox() { return lngM_; }    // LngM, linked to LngP
    MessageTable& messages() { return messages_; }  // the program-wide message table
    const LanguageFlags& flags() const { return flags_; }

    // The file in use: program folder + language + ".lng".
    QString languageFilePath() const;

    // Start-up: falls back to "English" when the language's file is missing,
    // writing the built-in English file when that is missing too; then points
    // every component at the file, translates the windows and opens the message
    // table. The status is that of writing the English file (ok when none was
    // written); when it cannot be written the warning is shown once and the
    // built-in English text is used from memory. Refilling the main window's fields afterwards is
    // the caller's.
    platform::Status SelectLanguageFile(const std::vector<CaptionWindow*>& windows);

    // A language chosen in a language list (its display name).
    void SwitchLanguage(const QString& name, const std::vector<CaptionWindow*>& windows);

private:
    void useFile(const QString& winPath);

    const platform::Files& fs_;
    base::Interaction& ui_;
    base::Settings& settings_;
    LanguageFlags flags_;
    CaptionTranslator lngP_;
    MessageTable lngM_;
    MessageTable messages_;
};

} // namespace lang
