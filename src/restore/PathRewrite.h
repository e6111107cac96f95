#pragma once
// A backup made for another Windows user ("C:\users\root") restored into a
// prefix whose user is "ann": paths below the old user's folder are moved to
// the current one, in registry values and in the client files whose format
// holds absolute paths.

#include <QString>
#include <QStringList>

namespace restore {

class PathRewrite {
public:
    PathRewrite() = default;
    // Both without a trailing backslash ("C:\users\root", "C:\users\ann").
    PathRewrite(QString from, QString to);

    bool active() const { return !from_.isEmpty() && from_.compare(to_, Qt::CaseInsensitive) != 0; }
    const QString& from() const { return from_; }
    const QString& to() const { return to_; }

    // The text with every path below `from` moved below `to`; also in the
    // doubled-backslash form of script strings ("C:\\users\\root\\...") and in
    // the forward-slash form of file URLs ("file:///C:/users/root/...").
    QString apply(const QString& text) const;

    // The user folder ("C:\users\<name>", "C:\Documents and Settings\<name>")
    // that most of the texts name, other than the shared ones; empty when none.
    static QString RecordedUserFolder(const QStringList& texts);

    // The text of extracted entries (below the host folder `staging`), decoded
    // as the client files are (UTF-8 when they are, else Windows-1252).
    static QStringList TextsOf(const QString& staging, const QStringList& entries);
    // The entries whose bytes still name `folder` (in the code page, UTF-8 or
    // UTF-16, either backslash form): they may hold an old path. Files larger
    // than `maxBytes` are not read.
    static QStringList StillNaming(const QString& staging, const QStringList& entries,
                                   const QString& folder, qint64 maxBytes);

private:
    QString from_;
    QString to_;
};

} // namespace restore
