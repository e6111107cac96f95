#include "lang/ReplaceString.h"

#include <algorithm>

namespace lang {

namespace {

// Some pattern/replacement pairs rewrite without end (e.g. "ba" -> "aabb" on
// "abaa"). Past these bounds the rewriting is refused rather than left to run.
constexpr qsizetype kMaxExtraSteps = qsizetype(1) << 16;
constexpr qsizetype kMaxExtraLength = qsizetype(1) << 24;

QString reversed(const QString& text) {
    QString out = text;
    std::reverse(out.begin(), out.end());
    return out;
}

platform::Error failure(const char* text) {
    return platform::Error{platform::kInvalidData, QString::fromLatin1(text)};
}

} // namespace

platform::Result<QString> replaceString(const QString& pattern, const QString& replacement,
                                        const QString& text) {
    if (pattern == replacement)
        return failure("Cannot replace a string with itself. (Utils.replaceString())");
    if (pattern.isEmpty())
        return failure("Cannot replace an empty string. (Utils.replaceString())");
    if (replacement.contains(pattern))
        return failure("Cannot replace a string with a text that contains it. "
                       "(Utils.replaceString())");
    if (!text.contains(pattern)) return text;

    // The first occurrence is the one that ends first. Characters move one by
    // one from `ahead` (the rest of the text, reversed) to `done`; whenever
    // `done` ends with the pattern, that occurrence is the first one in the
    // whole text, since none ended earlier. It is cut off and the replacement
    // is put back in front of the rest, to be scanned again: the same result
    // as searching from the start after every replacement, in linear time.
    QString done;
    QString ahead = reversed(text);
    const QString backwards = reversed(replacement);
    const bool canGrow = replacement.size() >= pattern.size();
    const qsizetype maxSteps = text.size() + kMaxExtraSteps;
    const qsizetype maxLength = text.size() + kMaxExtraLength;
    qsizetype steps = 0;
    while (!ahead.isEmpty()) {
        done += ahead.back();
        ahead.chop(1);
        if (!done.endsWith(pattern)) continue;
        done.chop(pattern.size());
        ahead += backwards;
        if (canGrow && (++steps > maxSteps || done.size() + ahead.size() > maxLength))
            return failure("The replacements do not come to an end. (Utils.replaceString())");
    }
    return done;
}

} // namespace lang
