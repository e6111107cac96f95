#pragma once
// What both language components share: the program-wide flags, and the check
// that loads a language file before it is used, with its two messages.

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {
class Files;
}

namespace base {
class Interaction;
} // namespace base

namespace lang {

// One copy for the whole program, held by its owner and shared by every
// caption and message component.
struct LanguageFlags {
    bool lngFileNameMissing = false; // a caption component had no file name
    bool msgFileNameMissing = false; // a message component had no file name
    bool messagesOpen = false;       // the message table is open
    // When "English.lng" could not be written (an installed program's folder is
    // read-only), its built-in text stands in for that path, read from memory.
    QString inMemoryPath;
    QByteArray inMemoryBytes;
};

inline constexpr char16_t kFileNotPresetText[] = u"ERROR!!!\r\nFile not preset!";
inline constexpr char16_t kFileNotFoundText[] =
    u"WARNING!!!\r\n Language File Not Found! Its now creating a new!";

struct CheckedFile {
    enum State { NoName, Unreadable, Loaded };
    State state = NoName;
    QByteArray bytes; // the whole file when Loaded
};

// Loads the whole file. An empty path shows the error box and sets
// nameMissingFlag; a file that cannot be read shows the warning, unless the
// flags hold its text in memory. Either way the caller learns the outcome from
// the state.
CheckedFile checkLanguageFile(const platform::Files& fs, base::Interaction& ui,
                              const LanguageFlags& flags, const QString& winPath,
                              bool& nameMissingFlag);

// The file's bytes without any message: from disk, else from memory when the
// flags hold that path's text; nullopt when neither has it.
std::optional<QByteArray> readLanguageFile(const platform::Files& fs, const LanguageFlags& flags,
                                           const QString& winPath);

} // namespace lang
