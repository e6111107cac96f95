#pragma once
// Wine's own registry editor, run in one prefix to import dump files, and the
// prefix's Wine server, which writes the hive files only when it ends (or
// now and then while it runs).

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QProcess;

namespace platform {

// The environment Wine's programs run in for the prefix at prefixDir: its
// prefix, no debug output, and no installers of Mono or Gecko nor menu entries
// on a first start.
QProcessEnvironment wineEnvironment(const QString& prefixDir);

class WineRegistryEditor {
public:
    // prefixDir: the prefix's host folder. standIn: the host path of the
    // prefix's C:\windows\regedit.exe, which Wine starts for "regedit".
    WineRegistryEditor(QString prefixDir, QString standIn);

    // Wine is installed.
    static bool available();
    // Wine's own editor was found: the prefix's file is Wine's (or missing, so
    // Wine puts its own there), else the one in Wine's library folder.
    bool found() const { return !program_.isEmpty(); }

    struct Outcome {
        enum Kind {
            Imported, // the editor ended with status 0
            Refused,  // it ended with another status: a file it would not take
            Lost,     // the server ended under it, or it never finished
        };
        Kind kind = Imported;
        QString why;
    };
    // Imports the files (plain names in `folder`) with one start of the editor,
    // watching the prefix's server meanwhile. Even Imported is no proof: the
    // server may still lose what it holds before it writes the hives, so the
    // caller reads the keys back.
    Outcome importFiles(const QString& folder, const QStringList& names) const;

    // Waits at most timeoutMs for the prefix's Wine server to end after its
    // last program, which writes the hive files; false when it still runs
    // (some other Wine program keeps it; it still writes every half minute).
    bool waitForServer(int timeoutMs) const;

private:
    void startWine(QProcess& p, const QString& program, const QStringList& args) const;
    QString prefixDir_;
    QString program_;
};

} // namespace platform
