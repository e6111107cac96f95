#include "lang/Localization.h"

#include "base/Interaction.h"
#include "base/Settings.h"
#include "lang/LanguageFiles.h"
#include "platform/Files.h"

namespace lang {

namespace {
const QString kEnglish = QStringLiteral("English");
}

Localization::Localization(const platform::Files& fs, base::Interaction& ui,
                           base::Settings& settings)
    : fs_(fs), ui_(ui), settings_(settings), lngP_(fs, ui, flags_), lngM_(fs, ui, flags_),
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
        const QString englishPath = lang::languageFilePath(settings_.programFolder, kEnglish);
        // Only written when missing: a translator's edited English file stays.
        if (!fs_.fileExists(englishPath)) {
            written = writeEnglishLanguageFile(fs_, settings_.programFolder);
            if (!written.isOk() && flags_.inMemoryPath.isEmpty()) {
                // An installed program's folder is read-only: say once that the
                // file is missing, then serve the built-in English from memory
                // rather than "ERROR" in every window and message.
                ui_.showWarning(QString::fromUtf16(kFileNotFoundText));
                flags_.inMemoryPath = englishPath;
                flags_.inMemoryBytes = englishLanguageFileBytes();
            }
        }
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
