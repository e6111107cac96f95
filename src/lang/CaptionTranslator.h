#pragma once
// Caption translation: sets the captions of the application's windows from the
// window sections of the language file, read anew on every translation.

#include "lang/CaptionTarget.h"

#include <QString>

#include <vector>

namespace platform {
class Files;
}

namespace base {
class Interaction;
} // namespace base

namespace lang {

struct LanguageFlags;

class CaptionTranslator {
public:
    CaptionTranslator(const platform::Files& fs, base::Interaction& ui, LanguageFlags& flags);
    CaptionTranslator(const CaptionTranslator&) = delete;
    CaptionTranslator& operator=(const CaptionTranslator&) = delete;

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& winPath) { fileName_ = winPath; }
    void Reset() { fileName_.clear(); }

    // Applies the file to the windows, given in creation order. Sections match
    // window names and keys control names exactly, case included; a status
    // bar's key is its name, optionally followed by ".Panels[<digit>]".
    // Returns false when there was no file name (the error box was shown).
    bool Translate(const std::vector<CaptionWindow*>& windows);

    // The panel a status-bar key addresses, or -1 when the key does not name
    // statusBarName or its index is not a digit.
    static int statusBarPanel(const QString& key, const QString& statusBarName);

private:
    const platform::Files& fs_;
    base::Interaction& ui_;
    LanguageFlags& flags_;
    QString fileName_;
};

} // namespace lang
