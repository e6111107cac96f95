#include "lang/replaceString.h"

namespace lang {

namespace {

// Some pattern/replacement pairs rewrite forever (e.g. "ba" -> "aabb" on
// "abaa"); past these bounds the rewriting is taken as one that never ends.
constexpr qsizetype kMaxLength = qsizetype(1) << 24;
constexpr qint64 kMaxSteps = qint64(1) << 24;

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

    QString result = text;
    const bool canGrow = replacement.size() >= pattern.size();
    qint64 steps = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = result.indexOf(pattern, from);
        if (at < 0) break;
        result.replace(at, pattern.size(), replacement);
        // No occurrence started before `at`, so a new one can only begin where
        // it overlaps the inserted text: searching from there finds the same
        // first occurrence as a search from the start.
        from = qMax<qsizetype>(0, at - pattern.size() + 1);
        if (canGrow && (++steps > kMaxSteps || result.size() > kMaxLength))
            return failure("The replacement does not come to an end. (Utils.replaceString())");
    }
    return result;
}

} // namespace lang
