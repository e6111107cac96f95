#pragma once
// For the length of a call, this thread converts text as UTF-8, whatever locale the program
// runs in: libarchive turns names between multibyte and wide text through the C locale, and
// in the "C" locale names with letters beyond ASCII would not convert.

#include <locale.h>

namespace sqx {

class Utf8Locale {
public:
    Utf8Locale() {
        // Only the character type changes: the callbacks still see the caller's other settings.
        const locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
        if (base == static_cast<locale_t>(nullptr)) return;
        locale_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
        if (locale_ == static_cast<locale_t>(nullptr)) {
            freelocale(base);
            return;
        }
        previous_ = uselocale(locale_);
    }
    ~Utf8Locale() {
        if (locale_ == static_cast<locale_t>(nullptr)) return;
        uselocale(previous_);
        freelocale(locale_);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t locale_ = static_cast<locale_t>(nullptr);
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

} // namespace sqx
