#include "lang/Localization.h"

#include "base/Settings.h"
#include "lang/LanguageFiles.h"
#include "platform/Files.h"

namespace lang {

namespace {
const QString kEnglish = QStringLiteral("English");
}

Localization::Localization(const platform::Files& fs, base::Interaction& ui,
                           base::Settings& settings)
    : fs_(fs), settings_(settings), lngP_(fs, ui, flags_), lngM_(fs, ui, flags_),
      messages_(fs, ui, flags_) {
    lngM_.SetLngINISupp(&lngP_);
    messages_.SetLngINISupp(&lngP_);
}

QString Localization::languageFilePath() const {
    return lang::languageFilePath(settings_.programFolder, settings_.language);
}

void Localization::useFile(const QString& winPath) {
    lngP_.SetFileName(winPath);
    lngM_.SetFileName(winPath);
    messages_.SetFileName(winPath);
}

platform::Status Localization::SelectLanguageFile(const std::vector<CaptionWindow*>& windows) {
    platform::Status written;
    if (!fs_.fileExists(languageFilePath())) {
        // Only written when missing: a translator's edited English file stays.
        if (!fs_.fileExists(lang::languageFilePath(settings_.programFolder, kEnglish)))
            written = writeEnglishLanguageFile(fs_, settings_.programFolder);
        settings_.language = kEnglish;
    }
    useFile(languageFilePath());
    lngP_.Translate(windows);
    lngM_.Open();
    return written;
}

void Localization::SwitchLanguage(const QString& name, const std::vector<CaptionWindow*>& windows) {
    lngP_.Reset();
    lngM_.Close();
    settings_.language = name;
    useFile(languageFilePath());
    lngP_.Translate(windows);
    lngM_.Open();
}

} // namespace lang
