#pragma once
// A registry dump as a backup holds it (REGEDIT4 in the locale's code page, or
// the Unicode form after a byte-order mark), read so that a restore can look
// up a value and move the paths inside its text values to the current
// prefix's folders before Wine's registry editor imports it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace restore {

class DumpText {
public:
    // Nothing when the bytes are not a dump of either form.
    static std::optional<DumpText> parse(const QByteArray& bytes);
    // "text" with \ and " escaped, as a dump writes a name or a string.
    static QString quote(const QString& text);

    // A text value (quoted, or hex(1), hex(2), hex(7)) of the key, "@" or an
    // empty name for the default value; key paths compare without regard to case.
    std::optional<QString> value(const QString& keyPath, const QString& name) const;

    // Applies fix to the data of every text value; returns how many values changed.
    int rewrite(const std::function<QString(const QString&)>& fix);
    // Every text value's data, for a caller that looks for old paths.
    QStringList texts() const;

    // The dump in its own form; nothing when a rewritten text no longer fits
    // the code page of a REGEDIT4 dump.
    std::optional<QByteArray> bytes() const;

private:
    struct Line {
        QString raw;  // the logical line, continuations joined
        QString key;  // the section it belongs to
        QString name; // value name ("" for the default); empty raw name when no value
        bool isValue = false;
        int hexType = -1; // 1, 2, 7 for hex text; 0 for a quoted string; -1 otherwise
        QString data;     // the decoded text of a text value
        int nameEnd = 0;  // index of '=' in raw
    };
    bool unicode_ = false;
    int codePage_ = 1252;
    std::vector<Line> lines_;

    QString encodeHex(int type, const QString& text, bool* ok) const;
};

} // namespace restore
