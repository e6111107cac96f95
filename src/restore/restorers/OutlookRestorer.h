#pragma once
// Outlook: its two folders ("app", "local"), the profile and Office dumps, the
// personal-folders files under "Others\Dir<n>" (the folders others.ini names;
// "Dir0" the local application-data folder, the file's place below it taken
// from the profile dump) and the signatures.

#include "restore/restorers/Restorer.h"

#include <functional>

namespace restore {

class OutlookRestorer : public Restorer {
public:
    using Restorer::Restorer;

    // Every personal-folders path a profile dump names ("001e6700" as text or
    // ANSI bytes, "001f6700" as UTF-16 bytes), in dump order.
    static QStringList StorePathsOfDump(const QByteArray& dump);
    // The dump with the paths of its byte-valued store properties passed
    // through move (Outlook reads them as bytes, so a text rewrite misses
    // them); "<old> -> <new>" per value changed in moved. A path the ANSI code
    // page cannot hold stays as it was, listed in kept.
    struct StoreMove {
        QByteArray dump;
        QStringList moved;
        QStringList kept;
    };
    static StoreMove MoveStorePaths(const QByteArray& dump,
                                    const std::function<QString(const QString&)>& move);

protected:
    void Prepare() override;
    Where Locate(const QString& entry) override;

private:
    // The folders Outlook of this prefix keeps its files in.
    void AddRoots();
    // Where a store the profile names is placed: moved for this prefix's user,
    // and into Outlook's own folder when it lies outside the client's folders.
    QString Placed(const QString& store) const;
    // A recorded path moved below this prefix's folders.
    QString Moved(const QString& path) const;

    QString appData_, local_;       // this prefix's, without a trailing '\'
    QString oldAppData_, oldLocal_; // as the backup recorded them
    QString oldProfile_, profile_;  // the user folders above them
    QString signatures_;            // this prefix's signatures folder
    QStringList stores_;            // the store paths of the profile dump
};

} // namespace restore
