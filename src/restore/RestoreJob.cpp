#include "restore/RestoreJob.h"

#include "backup/BackupFiles.h"
#include "backup/BackupJob.h"
#include "backup/collectors/OutlookExpressCollector.h"
#include "clients/Clients.h"
#include "lang/EnglishLanguage.h"
#include "lang/MessageTable.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/LinkSafe.h"
#include "platform/PlacementJournal.h"
#include "platform/PrefixLock.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "platform/TemporaryFolder.h"
#include "platform/WineRegistryEditor.h"
#include "restore/ArchiveReader.h"
#include "restore/Destinations.h"
#include "restore/DumpCheck.h"
#include "restore/PathRewrite.h"
#include "restore/SettingsPaths.h"
#include "restore/UndoRecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>

namespace restore {

namespace {

// Wine's server writes the hives when it ends, about three seconds after its last
// program; one kept by another Wine program writes them every half minute.
constexpr int kServerEndMs = 20000;
constexpr int kServerSaveMs = 45000;

// The file's bytes under a temporary name beside the destination, then
// renamed over it: a reader sees the old file or the new one, never a part.
// No symbolic link on the way is followed. The staging copy is moved when
// both are on one file system. The temporary name is journalled first, so that
// the next run removes it if this one is killed.
QString placeFile(const QString& source, const QString& root, const QStringList& names,
                  platform::PlacementJournal& journal) {
    const QString temp = journal.temporaryFor(
        (QStringList{root} + names.mid(0, names.size() - 1)).join(QLatin1Char('/')),
        names.value(names.size() - 1));
    if (temp.isEmpty()) return journal.error();
    const platform::Status placed = platform::placeNoFollow(root, names, source, temp);
    return placed ? QString() : placed.message();
}

QStringList fileEntries(const QList<ArchiveEntry>& entries) {
    QStringList out;
    for (const ArchiveEntry& e : entries)
        if (!e.isFolder) out << e.name;
    return out;
}

} // namespace

RestoreJob::RestoreJob(Deps deps) : d_(std::move(deps)) {}

void RestoreJob::say(const QString& line) const {
    if (progress) progress(line);
}

QString RestoreJob::text(const QString& key, const QString& english) const {
    return lang::orEnglish(messages ? messages(key) : QString(), english)
        .replace(QString::fromUtf16(lang::kAppNamePlaceholder),
                 QString::fromUtf16(lang::kProductName));
}

RestoreReport RestoreJob::finish(RestoreReport report) const {
    using Kind = RestoreReport::Kind;
    if (report.kind == Kind::Restored)
        report.headline = text(QStringLiteral("Message46"),
                               QStringLiteral("The restore was successfully completed."));
    else if (report.aborted)
        report.headline = text(QStringLiteral("Message47"),
                               QStringLiteral("The restore was not successfully completed. "
                                              "Aborted by user."));
    else if (report.kind == Kind::Failed && !report.placed.isEmpty())
        report.headline =
            text(QStringLiteral("Message45"), QStringLiteral("Restore completed with errors:"));
    else
        report.headline = text(QStringLiteral("Message48"),
                               QStringLiteral("The restore was not successfully completed. "
                                              "There was errors."));
    return report;
}

bool RestoreJob::RegeditAvailable() {
    return platform::WineRegistryEditor::available();
}

QString RestoreJob::SafetyFileName(int clientCode) {
    QString name = backup::BackupFileName(clientCode);
    if (name.endsWith(QLatin1String(".ebk"))) name.chop(4);
    return QStringLiteral("Before restore - %1 %2.ebk")
        .arg(name, QTime::currentTime().toString(QStringLiteral("HH-mm-ss")));
}

RestoreReport RestoreJob::Inspect(const QString& archive, const QString& password) {
    RestoreReport report;
    platform::TemporaryFolder staging;
    if (!staging.isValid()) {
        report.error = QStringLiteral("cannot make a private temporary folder");
        return report;
    }
    ArchiveReader reader(d_.library, archive, password);
    const ReadOutcome r =
        reader.extract(staging.path(), {},
                       {QStringLiteral("infobak.ini"), QStringLiteral("directory.ini"),
                        QStringLiteral("others.ini")});
    if (!r.ok()) {
        report.error = r.text();
        report.libraryCode = r.code;
        return report;
    }
    const auto m = ReadManifest(staging.path());
    if (!m) {
        report.error = QStringLiteral("the archive holds no backup manifest (infobak.ini)");
        return report;
    }
    report.kind = RestoreReport::Kind::Restored;
    report.emailClient = m->emailClient;
    report.clientCode = m->clientCode;
    report.identities = m->identities;
    report.items = m->items;
    return report;
}

RestoreReport RestoreJob::Run(const RestoreRequest& request) {
    // What killed runs left: their staging folders, and the files they were placing.
    const QString programFolder = QFileInfo(d_.registry.config().ownHivePath).absolutePath();
    platform::removeLeftoverFolders(QDir::tempPath());
    platform::PlacementJournal::removeLeftovers(programFolder);
    platform::PlacementJournal journal(programFolder);
    journal_ = &journal;
    const auto forget = qScopeGuard([this] { journal_ = nullptr; });
    return finish(run(request));
}

RestoreReport RestoreJob::run(const RestoreRequest& request) {
    RestoreReport report;
    using Kind = RestoreReport::Kind;
    const bool direct = request.destination == RestoreRequest::Destination::Client;
    if (direct && !RegeditAvailable()) {
        report.kind = Kind::Refused;
        report.error = text(QStringLiteral("RestoreNoRegedit"),
                            QStringLiteral("Wine's registry editor (wine regedit) is not "
                                           "installed, so the registry settings cannot be "
                                           "brought back into the prefix. Restore into a "
                                           "folder instead (/r:<archive> /p:<folder>) and "
                                           "import the .reg files later."));
        return report;
    }

    // A second restore or a backup of the prefix meanwhile would mix two states in the
    // client's data and in the safety archive.
    platform::PrefixLock prefixLock;
    if (direct) {
        const platform::Status locked =
            prefixLock.acquire(QFileInfo(d_.registry.config().ownHivePath).absolutePath(),
                               d_.files.drives().prefixDir(), lockWaitMs);
        if (!locked) {
            report.kind = Kind::Refused;
            report.error = locked.message() + QStringLiteral("; nothing was restored");
            return report;
        }
    }

    // Everything is read, checked and taken out before anything is placed.
    platform::TemporaryFolder staging;
    if (!staging.isValid()) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("cannot make a private temporary folder");
        return report;
    }
    ArchiveReader reader(d_.library, request.archive, request.password);
    QList<ArchiveEntry> entries;
    ReadOutcome r = reader.list(entries);
    if (r.ok()) {
        qint64 bytes = 0;
        for (const ArchiveEntry& e : entries)
            bytes += qMax<qint64>(e.size, 0);
        const qint64 room = platform::freeBytesAt(staging.path());
        if (room >= 0 && bytes > room) {
            report.kind = Kind::Refused;
            report.error = QStringLiteral("the archive holds %1 bytes and the temporary folder "
                                          "has only %2 bytes free")
                               .arg(bytes)
                               .arg(room);
            return report;
        }
        say(text(QStringLiteral("Message26"), QStringLiteral("Restore in progress...")));
        say(text(QStringLiteral("Message27"),
                 QStringLiteral("%%APPNAME%% is restoring your e-mail data from:")) +
            QLatin1Char(' ') + request.archive);
        r = reader.extract(staging.path(), [this](const QString& entry) {
            say(QStringLiteral("checking %1").arg(entry));
            return true;
        });
    }
    if (!r.ok()) {
        report.kind = Kind::Refused;
        report.libraryCode = r.code;
        report.error =
            QStringLiteral("%1: %2; nothing was restored").arg(request.archive, r.text());
        return report;
    }
    const auto manifest = ReadManifest(staging.path());
    if (!manifest) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("%1 holds no backup manifest (infobak.ini); nothing was "
                                      "restored")
                           .arg(request.archive);
        return report;
    }
    report.emailClient = manifest->emailClient;
    report.clientCode = manifest->clientCode;
    report.identities = manifest->identities;
    report.items = manifest->items;

    RestoreInput input{*manifest, fileEntries(entries), request.choice, d_.registry,
                       d_.files,  staging.path()};
    if (!direct) {
        auto restorer = MakeRestorer(input);
        RestorePlan plan;
        if (restorer) {
            plan = restorer->Plan();
        } else { // no restorer yet: the whole archive, as it is laid out
            plan.selected = input.entries;
        }
        return toFolder(staging.path(), plan, request, report);
    }

    if (d_.clientRunning && d_.clientRunning(manifest->clientCode)) {
        report.kind = Kind::ClientRunning;
        report.error = text(QStringLiteral("RestoreClientRunning"),
                            QStringLiteral("Make sure that e-mail client program is close. "
                                           "Nothing was restored."));
        return report;
    }
    // A safety archive taken in this prefix undoes its restore; elsewhere it
    // is a backup like any other.
    input.entries.removeIf(&UndoRecord::IsRecordEntry);
    if (const auto record = UndoRecord::Read(staging.path())) {
        if (!*record) {
            report.kind = Kind::Refused;
            report.error = QStringLiteral("%1: %2; nothing was restored")
                               .arg(request.archive, record->error().message);
            return report;
        }
        if (QFileInfo((*record)->prefix).canonicalFilePath() ==
            QFileInfo(d_.files.drives().prefixDir()).canonicalFilePath())
            return undo(record->value(), staging.path(), request, report);
    }
    // A backup for another Windows user: its paths move to this prefix's user.
    QStringList texts;
    QStringList dumps;
    for (const QString& e : input.entries) {
        if (!e.endsWith(QLatin1String(".reg"), Qt::CaseInsensitive)) continue;
        dumps << e;
        QFile f(staging.path() + QLatin1Char('/') + e);
        if (!f.open(QIODevice::ReadOnly)) continue;
        if (const auto dump = DumpText::parse(f.readAll())) texts << dump->texts();
    }
    // The folders the manifest records: a backup without dumps names its user there only.
    for (const auto& [key, folder] : manifest->directory)
        texts << folder;
    const QString appData = platform::shellFolder(d_.registry, QStringLiteral("AppData"));
    const PathRewrite rewrite(
        PathRewrite::RecordedUserFolder(texts),
        appData.isEmpty() ? QString() : backup::OutlookExpressCollector::UserProfileOf(appData));
    rewritePaths(staging.path(), dumps, true, rewrite, report);

    auto restorer = MakeRestorer(input);
    if (!restorer) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("%1 backups cannot be restored directly yet; restore "
                                      "into a folder instead (/r:<archive> /p:<folder>)")
                           .arg(manifest->emailClient);
        return report;
    }
    const RestorePlan plan = restorer->Plan();
    // A backup without dumps (Eudora's) names its user only in the files that hold paths.
    const PathRewrite files =
        rewrite.from().isEmpty() ? PathRewrite(PathRewrite::RecordedUserFolder(PathRewrite::TextsOf(
                                                   staging.path(), plan.pathFiles)),
                                               rewrite.to())
                                 : rewrite;
    rewritePaths(staging.path(), plan.pathFiles, false, files, report);
    if (files.active()) {
        QStringList placed;
        for (const Placement& p : plan.files)
            placed << p.entry;
        for (const QString& entry :
             PathRewrite::StillNaming(staging.path(), placed, files.from(), 4 << 20))
            if (!report.oldPaths.contains(entry)) report.oldPaths << entry;
    }
    report.undetermined = plan.undetermined;
    report.rewrites << plan.rewrites;
    // Only the client's own keys, from text checked here: a dump is data, never a command.
    std::vector<CheckedDump> checked;
    if (const QString why = CheckDumps(staging.path(), plan.dumps, manifest->clientCode, checked);
        !why.isEmpty()) {
        report.kind = Kind::Refused;
        report.error =
            QStringLiteral("The registry dump %1 is refused; nothing was restored.").arg(why);
        return report;
    }
    // Every destination is checked before anything, the safety backup included, is written.
    const Destinations destinations(d_.files, plan.roots);
    if (const QString why = destinations.checkPlan(plan, staging.path()); !why.isEmpty()) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("%1; nothing was restored").arg(why);
        return report;
    }
    // The settings files name only the client's folders in this prefix.
    QList<Placement> settingsFiles;
    for (const Placement& p : plan.files)
        if (plan.pathFiles.contains(p.entry)) settingsFiles << p;
    if (const QString why = ConfineSettingsPaths(staging.path(), settingsFiles, destinations,
                                                 d_.files, report.rewrites);
        !why.isEmpty()) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("%1; nothing was restored").arg(why);
        return report;
    }

    QStringList targets;
    for (const Placement& p : plan.files)
        targets << p.winPath;
    const auto undoEntries = recordUndo(staging.path(), targets, {}, plan.dumps, report);
    if (!undoEntries) return report;
    if (!safetyBackup(manifest->clientCode, request.safetyFolder, *undoEntries, report))
        return report;
    if (!placeFiles(staging.path(), plan, report)) return report;
    if (!importDumps(plan.dumps, checked, report)) return report;
    report.kind = plan.undetermined.isEmpty() ? Kind::Restored : Kind::Failed;
    if (!plan.undetermined.isEmpty())
        report.error = QStringLiteral("no place in this prefix is known for: %1")
                           .arg(plan.undetermined.join(QStringLiteral(", ")));
    return report;
}

void RestoreJob::rewritePaths(const QString& staging, const QStringList& entries, bool dumps,
                              const PathRewrite& rw, RestoreReport& report) {
    if (!rw.active()) return;
    for (const QString& entry : entries) {
        QFile f(staging + QLatin1Char('/') + entry);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = f.readAll();
        f.close();
        QByteArray out;
        int changed = 0;
        if (dumps) {
            auto dump = DumpText::parse(bytes);
            if (!dump) continue;
            changed = dump->rewrite([&rw](const QString& t) { return rw.apply(t); });
            const auto b = dump->bytes();
            if (changed > 0 && !b) {
                report.oldPaths << entry;
                continue;
            }
            if (b) out = *b;
        } else {
            // Client files: UTF-8 when they are, else Windows-1252, kept that way.
            const QString text = platform::decodeText(bytes);
            const QString fixed = rw.apply(text);
            changed = fixed == text ? 0 : 1;
            const bool utf8 = QString::fromUtf8(bytes).toUtf8() == bytes;
            out = utf8 ? fixed.toUtf8() : platform::toAnsi(fixed);
        }
        if (changed == 0) continue;
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size()) {
            report.oldPaths << entry;
            continue;
        }
        report.rewrites
            << QStringLiteral("%1: %2 -> %3 (%4)").arg(entry, rw.from(), rw.to()).arg(changed);
    }
}

bool RestoreJob::safetyBackup(int clientCode, const QString& folder,
                              const QList<backup::ArchiveEntry>& undoEntries, RestoreReport& report,
                              bool recordOnly) {
    QStringList identities, items;
    d_.catalogue.GetIdentitiesAndItems(clientCode, identities, items);
    backup::JobRequest job;
    job.clientCode = clientCode;
    job.targetPath = platform::includeTrailingBackslash(folder) + SafetyFileName(clientCode);
    job.identities = backup::AllTicked(identities);
    job.items = backup::AllTicked(items);
    job.extraEntries = undoEntries;
    job.extrasOnly = recordOnly;
    // Two restores in one second: the first one's safety archive is kept.
    for (int n = 2; d_.files.exists(job.targetPath); ++n)
        job.targetPath = platform::includeTrailingBackslash(folder) +
                         SafetyFileName(clientCode)
                             .replace(QStringLiteral(".ebk"), QStringLiteral(" (%1).ebk").arg(n));
    if (!d_.files.directoryExists(folder)) (void)d_.files.createDirectories(folder);
    say(QStringLiteral("safety backup to %1").arg(job.targetPath));
    const backup::JobOutcome out = d_.backupJob.Run(job, d_.ui, nullptr, nullptr);
    if (out.succeeded()) {
        report.safetyArchive = job.targetPath;
        return true;
    }
    using K = backup::JobOutcome::Kind;
    report.kind = out.kind == K::ClientRunning ? RestoreReport::Kind::ClientRunning
                                               : RestoreReport::Kind::Refused;
    report.error =
        text(QStringLiteral("RestoreSafetyFailed"),
             QStringLiteral("The backup of the client's current data to %1 failed%2; nothing "
                            "was restored."))
            .arg(job.targetPath, out.text.isEmpty() ? QString() : QLatin1Char(':') + out.text);
    return false;
}

bool RestoreJob::placeFiles(const QString& staging, const RestorePlan& plan,
                            RestoreReport& report) {
    for (const Placement& p : plan.files) {
        if (stopRequested && stopRequested()) {
            report.kind = RestoreReport::Kind::Failed;
            report.aborted = true;
            report.error = QStringLiteral("aborted by user after %1 file(s). The state before "
                                          "the restore is in %2")
                               .arg(report.placed.size())
                               .arg(report.safetyArchive);
            return false;
        }
        const QString root = Destinations::driveC(d_.files);
        QStringList names;
        const QString why =
            !root.isEmpty() && Destinations::splitPath(p.winPath, names).isEmpty()
                ? placeFile(staging + QLatin1Char('/') + p.entry, root, names, *journal_)
                : QStringLiteral("not a place in this prefix's drive C:");
        if (!why.isEmpty()) {
            report.kind = RestoreReport::Kind::Failed;
            report.error = text(QStringLiteral("RestoreStopped"),
                                QStringLiteral("%1 could not be written (%2); the restore "
                                               "stopped after %3 file(s). The state before the "
                                               "restore is in %4"))
                               .arg(p.winPath, why)
                               .arg(report.placed.size())
                               .arg(report.safetyArchive);
            return false;
        }
        say(QStringLiteral("restored %1").arg(p.winPath));
        report.placed << p.winPath;
    }
    return true;
}

bool RestoreJob::importDumps(const QStringList& dumps, const std::vector<CheckedDump>& checked,
                             RestoreReport& report) {
    if (dumps.isEmpty()) return true;
    const auto failed = [&](const QString& dump, const QString& why) {
        report.kind = RestoreReport::Kind::Failed;
        report.error = text(QStringLiteral("RestoreImportFailed"),
                            QStringLiteral("The registry dump %1 could not be imported "
                                           "(%2). The state before the restore is in %3"))
                           .arg(dump, why, report.safetyArchive);
        return false;
    };
    const auto standIn = d_.files.hostPath(QStringLiteral("C:\\windows\\regedit.exe"));
    const platform::WineRegistryEditor editor(d_.files.drives().prefixDir(),
                                              standIn ? *standIn : QString());
    if (!editor.found()) {
        report.kind = RestoreReport::Kind::Failed;
        report.error =
            text(QStringLiteral("RestoreRegeditStandIn"),
                 QStringLiteral("C:\\windows\\regedit.exe in this prefix is not Wine's "
                                "registry editor and Wine's own was not found, so no registry "
                                "dump was imported. The state before the restore is in %1"))
                .arg(report.safetyArchive);
        return false;
    }
    // The checked text under plain names in a private folder of its own: no
    // path for Wine to translate, and never the archive's file.
    platform::TemporaryFolder work;
    QStringList names;
    for (qsizetype i = 0; i < dumps.size(); ++i) {
        names << QStringLiteral("dump%1.reg").arg(i + 1);
        const auto bytes = checked[std::size_t(i)].bytes();
        QFile f(work.filePath(names.last()));
        if (!work.isValid() || !bytes || !f.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            f.write(*bytes) != bytes->size())
            return failed(dumps[i], QStringLiteral("cannot write the checked dump"));
    }
    // All in one start of Wine, in the archive's order; when that fails, one
    // by one to name the dump Wine refuses (importing one again changes nothing).
    say(QStringLiteral("importing %1 registry dump(s)").arg(dumps.size()));
    using Outcome = platform::WineRegistryEditor::Outcome;
    const Outcome all = editor.importFiles(work.path(), names);
    if (all.kind == Outcome::Lost) {
        report.kind = RestoreReport::Kind::Failed;
        report.error = QStringLiteral("The registry dumps could not be imported (%1); the "
                                      "registry may hold part of them. The state before the "
                                      "restore is in %2")
                           .arg(all.why, report.safetyArchive);
        return false;
    }
    if (all.kind == Outcome::Imported) {
        report.imported << dumps;
    } else {
        for (qsizetype i = 0; i < dumps.size(); ++i) {
            say(QStringLiteral("importing %1").arg(dumps[i]));
            const Outcome one = editor.importFiles(work.path(), {names[i]});
            if (one.kind != Outcome::Imported) return failed(dumps[i], one.why);
            report.imported << dumps[i];
        }
    }
    // What counts is what the hive files hold once the server has written them:
    // a server that dies before it writes loses what the editor gave it.
    say(QStringLiteral("reading the imported keys back"));
    const bool ended = editor.waitForServer(kServerEndMs);
    QString missing = CheckedDump::differenceIn(d_.registry, checked);
    for (int waited = 0; !ended && !missing.isEmpty() && waited < kServerSaveMs; waited += 1000) {
        QThread::msleep(1000);
        missing = CheckedDump::differenceIn(d_.registry, checked);
    }
    if (missing.isEmpty()) return true;
    report.imported.clear();
    report.kind = RestoreReport::Kind::Failed;
    report.error = QStringLiteral("The registry does not hold what the dumps say after the "
                                  "import: %1. The state before the restore is in %2")
                       .arg(missing, report.safetyArchive);
    return false;
}

RestoreReport RestoreJob::toFolder(const QString& staging, const RestorePlan& plan,
                                   const RestoreRequest& request, RestoreReport report) {
    // An existing file is never replaced, and no link in the folder is written
    // through: the whole restore is refused first.
    QStringList existing;
    for (const QString& entry : plan.selected) {
        const platform::WriteProbe probe =
            platform::probeWrite(request.folder, entry.split(QLatin1Char('/')), false);
        if (!probe.problem.isEmpty()) {
            report.kind = RestoreReport::Kind::Refused;
            report.error =
                QStringLiteral("%1/%2; nothing was restored").arg(request.folder, probe.problem);
            return report;
        }
        if (probe.exists) existing << request.folder + QLatin1Char('/') + entry;
    }
    if (!existing.isEmpty()) {
        report.kind = RestoreReport::Kind::Refused;
        report.error = text(QStringLiteral("RestoreFilesExist"),
                            QStringLiteral("these files exist already and are not overwritten: "
                                           "%1; nothing was restored"))
                           .arg(existing.join(QStringLiteral(", ")));
        return report;
    }
    for (const QString& entry : plan.selected) {
        if (stopRequested && stopRequested()) {
            report.kind = RestoreReport::Kind::Failed;
            report.aborted = true;
            report.error =
                QStringLiteral("aborted by user after %1 file(s)").arg(report.placed.size());
            return report;
        }
        const QString dest = request.folder + QLatin1Char('/') + entry;
        const QString why = QDir().mkpath(request.folder)
                                ? placeFile(staging + QLatin1Char('/') + entry, request.folder,
                                            entry.split(QLatin1Char('/')), *journal_)
                                : QStringLiteral("cannot make the folder %1").arg(request.folder);
        if (!why.isEmpty()) {
            report.kind = RestoreReport::Kind::Failed;
            report.error = QStringLiteral("%1 could not be written (%2); the restore stopped "
                                          "after %3 file(s)")
                               .arg(dest, why)
                               .arg(report.placed.size());
            return report;
        }
        say(QStringLiteral("restored %1").arg(dest));
        report.placed << dest;
    }
    report.kind = RestoreReport::Kind::Restored;
    return report;
}

} // namespace restore
