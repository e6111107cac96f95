#pragma once
// Drives the archiving library for one backup: the options of a backup, the
// hand-over of the file list, the callback (progress, volumes, password, stored
// names, abort) and the mapping of the library's result to the backup state.

#include "backup/ProgressLedger.h"
#include "backup/SqxLibrary.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace platform {
class Files;
}
namespace base {
class Interaction;
struct Settings;
} // namespace base

namespace backup {

class AbortToken;
class ArchiveList;
struct ArchiveEntry;
class ProgressDisplay;
struct BackupState;

// Text of a message key ("Message14" ...) in the language in use.
using MessageLookup = std::function<QString(const QString& key)>;

class SqxDriver {
public:
    struct Deps {
        SqxLibrary& library;
        ArchiveList& list;
        BackupState& state;
        const base::Settings& settings;
        base::Interaction& ui;
        const platform::Files& files;
        MessageLookup message;
        QString stagingFolder; // Windows path, no trailing '\'
    };
    explicit SqxDriver(Deps deps);
    ~SqxDriver();
    SqxDriver(const SqxDriver&) = delete;
    SqxDriver& operator=(const SqxDriver&) = delete;

    void setProgressDisplay(ProgressDisplay* display) { display_ = display; }
    // For the length of one run: the interaction that callbacks use, and the
    // run's own progress display and abort token (each may be null, which
    // keeps what the writer was given).
    void beginRun(base::Interaction& ui, ProgressDisplay* progress, AbortToken* abort);
    void endRun();
    // The password of the current run: set from the settings by whoever starts
    // a backup, and by the password prompt.
    void setRunPassword(const QString& password) { runPassword_ = password; }
    const QString& runPassword() const { return runPassword_; }
    // A dry run: the collectors fill the list as always, but the library is
    // never called and no archive is written; the list is the result.
    void setListOnly(bool on) { listOnly_ = on; }
    bool listOnly() const { return listOnly_; }

    void InitArchiveList();
    void CreateArchive(const QString& archivePath);
    void DoneArchiveList();
    // The answer to one callback: 0 stop, 1 go on, 2 the answer to reason 1.
    std::int32_t ArchiveCallback(unsigned char* record);

    const QByteArray& options() const { return options_; }
    const ProgressLedger& ledger() const { return ledger_; }

    // The name an entry is stored under: the name the library proposes minus the
    // entry's base folder (in host or Windows form), behind the archive folder.
    static QByteArray storedName(const QByteArray& proposed, const ArchiveEntry& entry,
                                 const platform::Files& files);

private:
    static std::int32_t callbackThunk(std::intptr_t userValue, void* record);
    std::int32_t nextVolume(const unsigned char* record);
    std::int32_t renameCurrent(unsigned char* record);
    std::int32_t extractPath(unsigned char* record);
    void mapResult(std::int32_t result, const QString& archivePath);
    void stopWithError(const QString& text);
    QString hostForm(const QString& winPath) const;
    // A host path as the person knows it: its Windows form when a drive holds it.
    QString shownPath(const QString& host) const;
    // The host form of the entry's base folder, empty when it has none.
    QString hostBase(const ArchiveEntry& e) const;
    // A link whose file is outside the folder hostBase (or whose folder cannot be resolved).
    static bool leadsOutOf(const QString& host, const QString& hostBase);
    static QString leftOutText(const QString& archivePath, const QStringList& links);

    base::Interaction& ui() { return runUi_ ? *runUi_ : d_.ui; }
    bool abortRequested() const;

    Deps d_;
    ProgressDisplay* display_ = nullptr;
    base::Interaction* runUi_ = nullptr;
    ProgressDisplay* savedDisplay_ = nullptr;
    AbortToken* abort_ = nullptr;
    QString runPassword_;
    QByteArray options_;
    QString optionsError_;
    SqxLibrary::ListHandle slot_ = nullptr;
    bool listOpen_ = false;
    ProgressLedger ledger_;
    QString taskPrefix_; // "Message36", read once per archive
    bool stoppedOnError_ = false;
    bool listOnly_ = false;
};

} // namespace backup
