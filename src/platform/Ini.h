#pragma once
// INI files with the profile-string rules: names match without regard to case,
// blanks around names and values are trimmed, one pair of matching quotes around
// a value of two or more characters is removed, only the first matching section
// and key count, a line without '=' is no key.

#include "platform/Files.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace platform {

class IniFile {
public:
    IniFile() = default;
    // Decodes with decodeText() (UTF-16 when the bytes start with its byte order
    // mark); CR, LF and CRLF line ends; NUL bytes end a line's text. The bytes
    // of each line are kept for writing the file back.
    static IniFile parse(const QByteArray& bytes);
    // Text without bytes: written as a new file.
    static IniFile parse(const QString& text);
    // Missing file: kFileNotFound (callers usually treat it as empty).
    static Result<IniFile> load(const Files& fs, const QString& winPath);

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // GetPrivateProfileInt: leading blanks, optional sign, decimal digits; else the default.
    int readInt(const QString& section, const QString& key, int defaultValue) const;
    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sectionNames() const;                   // file order, first of each name
    QStringList keyNames(const QString& section) const; // file order, first of each name
    // Raw lines of a section, for callers that need the lines as written.
    QStringList sectionLines(const QString& section) const;

    // WritePrivateProfileString: replaces in place, appends a new key at the end
    // of its section and a new section at the end of the file. Line breaks in
    // the names or the value become blanks, so a value cannot add lines. An
    // empty key name writes nothing.
    void writeString(const QString& section, const QString& key, const QString& value);
    void deleteKey(const QString& section, const QString& key); // every copy in that section
    void deleteSection(const QString& section);                 // every section of that name

    // A file parsed from bytes keeps the bytes of every line not changed since,
    // line ends included; changed and new lines are written in the file's own
    // form (UTF-16, UTF-8, else the ANSI code page of the user's locale), new
    // ones with CRLF. A new file: CRLF line ends, in the ANSI code page. Either
    // becomes UTF-16LE with a byte-order mark as a whole when the code page
    // cannot hold a line written (profile readers accept both), so no name
    // ever becomes '?'.
    QByteArray toAnsiBytes() const;
    Status save(const Files& fs, const QString& winPath) const;

    struct Line {
        enum Kind { Other, Section, Key };
        QString raw;
        Kind kind = Other;
        QString name;       // section or key name, trimmed
        QString value;      // a key's value, trimmed and without its quotes
        QByteArray bytes;   // as read, line end included; empty for a line written here
        QByteArray lineEnd; // the line end as read, to keep when the line is rewritten
    };
    static Line parseLine(const QString& raw);

private:
    // Index of the first section of that name, or -1; `end` gets the index
    // just past its last line.
    qsizetype findSection(const QString& section, qsizetype* end = nullptr) const;
    qsizetype findKey(qsizetype sectionStart, qsizetype sectionEnd, const QString& key) const;

    // How the file was read: new text, or bytes in one of these forms.
    enum class Form { Text, Ansi, Utf8, Utf16Le, Utf16Be };
    std::optional<QByteArray> encodeLine(const QString& text) const;
    QByteArray asUtf16() const;

    std::vector<Line> lines_;
    Form form_ = Form::Text;
    QByteArray lead_; // the byte-order mark as read
};

// One-call forms of GetPrivateProfileString / WritePrivateProfileString: the
// file is read (and, for a write, written) on every call.
QString readProfileString(const Files& fs, const QString& file, const QString& section,
                          const QString& key, const QString& defaultValue = QString());
Status writeProfileString(const Files& fs, const QString& file, const QString& section,
                          const QString& key, const QString& value);

} // namespace platform
