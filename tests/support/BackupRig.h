#pragma once
// One backup engine over a sample prefix with the real archiving library, and
// the archive it writes read back with 7-Zip. The collector tests share it.

#include "backup/BackupTestSupport.h"
#include "support/SamplePrefix.h"

#include "backup/ArchiveList.h"
#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Ini.h"
#include "regdump/RegistryDump.h"
#include "restore/RestoreJob.h"

#include <QtTest>

namespace testsupport {

struct BackupRig {
    support::SamplePrefix prefix;
    std::unique_ptr<platform::Files> files = prefix.files();
    std::unique_ptr<platform::Registry> registry = prefix.registry();
    regdump::RegistryDump dump{*registry, *files};
    platform::StagingFolder staging{files->drives()};
    testsupport::FakeInteraction ui;
    base::Settings settings;
    // Fills the Netscape 6/7 profile paths that the engine hands to its collector.
    clients::ClientCatalogue catalogue{*registry, *files};
    std::unique_ptr<backup::BackupEngine> engine;
    QString target;
    QTemporaryDir out;
    int extractions = 0;

    explicit BackupRig(const QString& targetPath = QStringLiteral("C:\\Backups\\backup.ebk"))
        : target(targetPath) {
        engine = std::make_unique<backup::BackupEngine>(
            backup::BackupEngine::Deps{*registry, *files, dump, settings, ui, &englishMessage,
                                       staging.windowsPath(), &catalogue.NetscapeProfilePaths()});
        const QString bin =
            qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR));
        if (!engine->LoadSqx(bin)) qWarning() << engine->library().error();
        prefix.makeDir(platform::extractFilePath(target));
    }

    // The entries with the given positions unticked, every other one ticked.
    static QList<backup::Selected> ticked(const QStringList& names,
                                          const QList<int>& unticked = {}) {
        QList<backup::Selected> out = backup::AllTicked(names);
        for (int i : unticked)
            out[i].ticked = false;
        return out;
    }
    backup::BackupRequest request(int code, const QList<backup::Selected>& ids,
                                  const QList<backup::Selected>& items) const {
        return backup::MakeBackupRequest(target, code, ids, items).value();
    }
    // RunBackup's result: true when the backup failed.
    bool run(int code, const QList<backup::Selected>& ids, const QList<backup::Selected>& items) {
        engine->state().resetForRun();
        return engine->RunBackup(request(code, ids, items));
    }
    // The parts of a restore job over this rig: backupJob takes its safety
    // backup; clientRunning is the guard (none: never held back).
    restore::RestoreJob::Deps restoreDeps(backup::BackupJob& backupJob,
                                          std::function<bool(int)> clientRunning = nullptr) {
        return {backupJob, engine->library(),       *registry, *files, catalogue,
                ui,        std::move(clientRunning)};
    }
    const backup::BackupState& state() const { return engine->state(); }
    const backup::ArchiveList& list() const { return engine->list(); }
    QStringList taskNames() const {
        QStringList tasks;
        for (int t = 1; t <= list().tasksClosed(); ++t)
            tasks << list().task(t).name;
        return tasks;
    }

    QString archive() const { return prefix.hostPath(target); }
    QStringList names() const { return sevenZipNames(archive()); }
    // 7-Zip accepts the archive.
    bool sevenZipTests() const {
        return runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive()}).exitCode == 0;
    }
    // Extracts the archive into a fresh folder and reads one file of it.
    QByteArray extracted(const QString& name) {
        const QString dir = out.filePath(QStringLiteral("x%1").arg(++extractions));
        runTool(QStringLiteral("7z"),
                {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-o") + dir, archive()});
        QFile f(dir + QLatin1Char('/') + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Read as a Windows program reads it under this process's locale.
    platform::IniFile extractedIni(const QString& name) {
        const QByteArray bytes = extracted(name);
        return platform::IniFile::parse(
            platform::decodeWindowsFile(bytes, platform::ansiCodePage()).value_or(QString()));
    }
    // "key=value" lines of one section of an archived INI file, in file order.
    QStringList extractedSection(const QString& file, const QString& section) {
        const platform::IniFile ini = extractedIni(file);
        QStringList out;
        for (const QString& key : ini.keyNames(section))
            out << key + QLatin1Char('=') + ini.readString(section, key);
        return out;
    }
};

// 7z and bsdtar are on the machine (the test command installs them); tests
// that read archives fail without them.
inline bool haveArchiveTools() {
    return haveTool(QStringLiteral("7z")) && haveTool(QStringLiteral("bsdtar"));
}

} // namespace testsupport
