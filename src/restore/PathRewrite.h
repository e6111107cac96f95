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

private:
    QString from_;
    QString to_;
};

} // namespace restore
