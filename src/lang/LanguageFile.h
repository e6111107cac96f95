#pragma once
// What both language components share: the program-wide flags, and the check
// that loads a language file before it is used, with its two messages.

#include <QByteArray>
#include <QString>

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
// nameMissingFlag; a file that cannot be read shows the warning. Either way the
// caller learns the outcome from the state.
CheckedFile checkLanguageFile(const platform::Files& fs, base::Interaction& ui,
                              const QString& winPath, bool& nameMissingFlag);

} // namespace lang
