// The restore's undo: what a direct restore records in its safety archive
// before it changes anything, and how restoring that archive takes every
// change back.

#include "backup/ArchiveList.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "restore/DumpCheck.h"
#include "restore/RestoreJob.h"
#include "restore/UndoRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace restore {

namespace {

QByteArray readFile(const QString& hostPath) {
    QFile f(hostPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool onlyTheWayTo(platform::Registry& reg, const QString& from, const QString& to);

// The key an undo deletes for a key its restore created: the highest of the
// keys that were missing too, while nothing but the way down to the created
// key has come into it since; else the created key alone.
// A dump of one key line, in the form every name fits.
QByteArray keyLine(const QString& line) {
    return QByteArray("\xFF\xFE", 2) +
           platform::utf16LeBytes(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[") +
                                  line + QStringLiteral("]\r\n"));
}

// One of the client's own keys (the key itself, not everything below it).
bool owned(const QString& key, const std::vector<clients::OwnKey>& own) {
    QString why;
    return CheckedDump::check(keyLine(key), own, &why).has_value();
}

QString createdKeyToDelete(platform::Registry& reg, const std::vector<clients::OwnKey>& own,
                           const UndoRecord::CreatedKey& c) {
    return owned(c.chain, own) && onlyTheWayTo(reg, c.chain, c.key) ? c.chain : c.key;
}

bool onlyTheWayTo(platform::Registry& reg, const QString& from, const QString& to) {
    QString at = from;
    while (at.compare(to, Qt::CaseInsensitive) != 0) {
        const auto split = SplitKey(at);
        if (!split) return false;
        const auto key = reg.open(split->first, split->second);
        if (!key) return false;
        const QStringList subs = key->subKeyNames();
        const QString next = to.mid(at.size() + 1).section(u'\\', 0, 0);
        if (!key->valueNames().isEmpty() || subs.size() != 1 ||
            subs.first().compare(next, Qt::CaseInsensitive) != 0)
            return false;
        at += u'\\' + next;
    }
    return true;
}

bool atOrBelow(const QString& key, const QString& top) {
    return key.compare(top, Qt::CaseInsensitive) == 0 ||
           (key.size() > top.size() && key.at(top.size()) == u'\\' &&
            key.startsWith(top, Qt::CaseInsensitive));
}

} // namespace

std::optional<QList<backup::ArchiveEntry>>
RestoreJob::recordUndo(const QString& staging, const QStringList& paths, const QStringList& keys,
                       const QStringList& dumps, RestoreReport& report) {
    // Inside the staging folder, so that it goes (or is swept) with it; a
    // name of its own, never one of the archive's entries.
    QTemporaryDir work(staging + QStringLiteral("/undo-XXXXXX"));
    work.setAutoRemove(false);
    UndoRecorder recorder(d_.registry, d_.files, work.path());
    for (const QString& p : paths)
        recorder.addFile(p);
    for (const QString& k : keys)
        recorder.addKey(k);
    for (const QString& dump : dumps)
        recorder.addDump(readFile(staging + u'/' + dump));
    auto entries = work.isValid() ? recorder.write()
                                  : platform::Result<QList<backup::ArchiveEntry>>(platform::Error{
                                        platform::kAccessDenied,
                                        QStringLiteral("cannot make a private temporary folder")});
    if (entries) return std::move(entries).value();
    report.kind = RestoreReport::Kind::Refused;
    report.error = QStringLiteral("What the restore would change cannot be recorded for its "
                                  "undo (%1); nothing was restored.")
                       .arg(entries.error().message);
    return std::nullopt;
}

RestoreReport RestoreJob::undo(const UndoRecord& record, const QString& staging,
                               const RestoreRequest& request, RestoreReport report) {
    using Kind = RestoreReport::Kind;
    // Everything the record names is checked before anything is changed.
    QStringList refused;
    QStringList paths = record.createdFiles;
    for (const UndoRecord::Replaced& r : record.replaced)
        paths << r.winPath;
    for (const QString& p : paths + record.createdFolders)
        if (const QString why = UndoPathRefusal(d_.files, p); !why.isEmpty()) refused << why;
    // A key the undo deletes is one of the client's own; it goes whole, as
    // the restore made it or as its export before the restore brings it back.
    std::vector<clients::OwnKey> own = clients::OwnRegistryKeys(report.clientCode);
    QStringList keys;
    for (const UndoRecord::CreatedKey& c : record.createdKeys)
        keys << createdKeyToDelete(d_.registry, own, c);
    for (const UndoRecord::TouchedKey& t : record.touchedKeys) {
        keys << t.key;
        for (const QString& inside : DumpTopKeys(readFile(staging + u'/' + t.entry)))
            if (!atOrBelow(inside, t.key))
                refused << QStringLiteral("%1 holds %2, outside %3").arg(t.entry, inside, t.key);
    }
    // One dump deletes what the restore created and every touched key; the
    // exports then bring the touched keys back whole, values it added gone.
    // All of it held against the client's own keys, as any dump is.
    QStringList dumps;
    std::vector<CheckedDump> checked;
    QTemporaryDir work(staging + QStringLiteral("/undo-XXXXXX"));
    if (!keys.isEmpty()) {
        QString lines = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
        for (const QString& k : std::as_const(keys))
            lines += QStringLiteral("\r\n[-") + k + QStringLiteral("]\r\n");
        QFile f(work.filePath(QStringLiteral("delete.reg")));
        const QByteArray bytes = QByteArray("\xFF\xFE", 2) + platform::utf16LeBytes(lines);
        if (!work.isValid() || !f.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            f.write(bytes) != bytes.size())
            refused << QStringLiteral("cannot write %1").arg(f.fileName());
        f.close();
        dumps << QDir(staging).relativeFilePath(f.fileName());
        for (const UndoRecord::TouchedKey& t : record.touchedKeys)
            dumps << t.entry;
        const std::vector<clients::OwnKey> clientOwn = own;
        for (const QString& k : std::as_const(keys))
            if (const auto split = SplitKey(k); split && owned(k, clientOwn))
                own.push_back({split->first == platform::HKEY_LOCAL_MACHINE
                                   ? clients::OwnKey::LocalMachine
                                   : clients::OwnKey::CurrentUser,
                               split->second, true});
        for (const QString& d : std::as_const(dumps)) {
            if (!refused.isEmpty()) break;
            QString why;
            QFile in(staging + u'/' + d);
            if (!in.open(QIODevice::ReadOnly) || in.size() > (64 << 20))
                refused << QStringLiteral("%1 cannot be read").arg(d);
            else if (auto dump = CheckedDump::check(in.readAll(), own, &why))
                checked.push_back(std::move(*dump));
            else
                refused << QStringLiteral("%1: %2").arg(d, why);
        }
    }
    if (!refused.isEmpty()) {
        report.kind = Kind::Refused;
        report.error = QStringLiteral("%1 records a restore that cannot be undone here: %2; "
                                      "nothing was restored")
                           .arg(request.archive, refused.join(QStringLiteral("; ")));
        return report;
    }

    // The undo can itself be undone.
    const auto undoEntries = recordUndo(staging, paths, keys, {}, report);
    if (!undoEntries) return report;
    if (!safetyBackup(report.clientCode, request.safetyFolder, *undoEntries, report)) {
        if (report.kind != Kind::Refused) return report;
        // The client's data cannot be read in this prefix now (a shell folder
        // gone, say): what the undo changes, with this archive's manifests,
        // stands alone and is still enough to take the undo back.
        say(QStringLiteral("the client's data cannot be backed up now (%1); the safety backup "
                           "holds what the undo changes")
                .arg(report.error));
        QList<backup::ArchiveEntry> alone = *undoEntries;
        const QString base = d_.files.windowsPath(staging) + u'\\';
        for (const QString& m : {QStringLiteral("infobak.ini"), QStringLiteral("directory.ini"),
                                 QStringLiteral("others.ini")})
            if (QFileInfo::exists(staging + u'/' + m)) alone.append({base + m, {}, base, 0});
        report.kind = Kind::Failed;
        report.error.clear();
        if (!safetyBackup(report.clientCode, request.safetyFolder, alone, report, true))
            return report;
    }

    for (const QString& p : record.createdFiles) {
        const auto host = d_.files.hostPath(p);
        if (!host || !QFileInfo::exists(*host)) continue;
        if (!QFile::remove(*host)) {
            report.kind = Kind::Failed;
            report.error = text(QStringLiteral("RestoreStopped"),
                                QStringLiteral("%1 could not be written (%2); the restore "
                                               "stopped after %3 file(s). The state before the "
                                               "restore is in %4"))
                               .arg(p, QStringLiteral("cannot remove it"))
                               .arg(report.placed.size() + report.removed.size())
                               .arg(report.safetyArchive);
            return report;
        }
        say(QStringLiteral("removed %1").arg(p));
        report.removed << p;
    }
    RestorePlan plan;
    for (const UndoRecord::Replaced& r : record.replaced)
        plan.files.append({r.entry, r.winPath});
    if (!placeFiles(staging, plan, report)) return report;
    // Folders the restore made, when nothing else has come into them.
    for (const QString& f : record.createdFolders)
        (void)d_.files.removeEmptyFolder(f);

    if (!importDumps(dumps, checked, report)) return report;
    report.kind = Kind::Restored;
    return report;
}

} // namespace restore
