#include "backup/SqxDriver.h"

#include "backup/ArchiveList.h"
#include "backup/BackupJob.h"
#include "backup/BackupState.h"
#include "backup/ProgressDisplay.h"
#include "backup/SqxRecords.h"
#include "base/Interaction.h"
#include "base/Settings.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"

#include <QFileInfo>

#include <algorithm>

namespace backup {

using namespace backup::sqx;

namespace {
// A link below a folder that leads out of it: the library leaves it out and tells.
constexpr std::int32_t kReasonLeftOut = 7;
// The answer that has the library go on and then fail without keeping the archive.
constexpr std::int32_t kAnswerFailAfterwards = 2;
} // namespace

SqxDriver::SqxDriver(Deps deps) : d_(std::move(deps)) {}

SqxDriver::~SqxDriver() {
    if (listOpen_) DoneArchiveList();
}

QString SqxDriver::hostForm(const QString& winPath) const {
    const auto host = d_.files.hostPath(winPath);
    return host ? host.value() : QString();
}

void SqxDriver::beginRun(base::Interaction& ui, ProgressDisplay* progress, AbortToken* abort) {
    runUi_ = &ui;
    savedDisplay_ = display_;
    if (progress) display_ = progress;
    abort_ = abort;
}

void SqxDriver::endRun() {
    runUi_ = nullptr;
    display_ = savedDisplay_;
    savedDisplay_ = nullptr;
    abort_ = nullptr;
}

bool SqxDriver::abortRequested() const {
    return d_.state.AbortRequested || (abort_ && abort_->requested());
}

void SqxDriver::InitArchiveList() {
    if (listOpen_) // a list a collector left open is released first
        DoneArchiveList();
    d_.list.clear();
    ledger_.reset();
    optionsError_.clear();
    if (listOnly_) return;
    options_ = buildOptions(runPassword_, hostForm(d_.stagingFolder), d_.settings.multipleVolumes,
                            int(d_.settings.volumes));
    if (options_.isEmpty()) {
        optionsError_ = QStringLiteral(" The password or the temporary folder is too long.");
        options_ = buildOptions(QString(), QString(), false, 0);
    }
    d_.library.InitFileList(&slot_);
    listOpen_ = true;
}

void SqxDriver::DoneArchiveList() {
    if (listOnly_ && !listOpen_) return; // the library was given nothing
    d_.library.DoneFileList(&slot_);
    slot_ = nullptr;
    listOpen_ = false;
}

void SqxDriver::CreateArchive(const QString& archivePath) {
    d_.state.BackupAborted = false;
    if (listOnly_) return;
    stoppedOnError_ = false;
    ledger_.reset();
    ledger_.start(d_.list);
    taskPrefix_ = d_.message(QStringLiteral("Message36"));
    if (!optionsError_.isEmpty()) {
        d_.state.fail(optionsError_);
        return;
    }
    // A folder's files are listed one by one: a link among them is held to the rule the
    // library holds links below a folder to.
    QStringList outside;
    for (int n = 1; n <= d_.list.count(); ++n) {
        const ArchiveEntry& e = d_.list.entry(n);
        if (leadsOutOf(hostForm(e.spec), hostBase(e))) outside << e.spec;
    }
    if (!outside.isEmpty()) {
        d_.state.fail(leftOutText(archivePath, outside));
        return;
    }
    // The library works on host paths; an entry whose drive is unknown is
    // still handed over so that the callbacks stay one per entry.
    for (int n = 1; n <= d_.list.count(); ++n) {
        const QString& spec = d_.list.entry(n).spec;
        const QString host = hostForm(spec);
        d_.library.AddFileList(host.isEmpty() ? spec : host, &slot_);
    }
    const QString hostArchive = hostForm(archivePath);
    if (hostArchive.isEmpty()) {
        d_.state.fail(QStringLiteral(" %1: no such drive. Error code: %2")
                          .arg(archivePath)
                          .arg(int(platform::kPathNotFound)));
        return;
    }
    const std::int32_t r =
        d_.library.AddFiles(hostArchive, &slot_, options_.data(), &SqxDriver::callbackThunk,
                            reinterpret_cast<std::intptr_t>(this));
    mapResult(r, archivePath);
}

QString SqxDriver::hostBase(const ArchiveEntry& e) const {
    if (e.baseFolder.isEmpty()) return {};
    QString base = hostForm(e.baseFolder);
    if (base.isEmpty()) base = hostForm(platform::excludeTrailingBackslash(e.baseFolder));
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    // Only a folder that holds the entry is its data's root.
    const QString spec = hostForm(e.spec);
    if (base.isEmpty() || !(spec == base || spec.startsWith(base + QLatin1Char('/')) ||
                            (base == QLatin1String("/") && spec.startsWith(base))))
        return {};
    return base;
}

bool SqxDriver::leadsOutOf(const QString& host, const QString& hostBase) {
    const QFileInfo link(host);
    if (host.isEmpty() || hostBase.isEmpty() || !link.isSymLink()) return false;
    const QString target = link.canonicalFilePath();
    const QString root = QFileInfo(hostBase).canonicalFilePath();
    if (target.isEmpty()) return false; // leads nowhere: nothing to store
    return root.isEmpty() ||
           (target != root &&
            !target.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')));
}

QString SqxDriver::leftOutText(const QString& archivePath, const QStringList& links) {
    // Kept without them, the archive would miss mail that the person counts on; followed,
    // they would store files from outside the client's data.
    return QStringLiteral(" The archive %1 was not kept: these links lead out of the folder "
                          "they are in, so their files would be missing from it: %2. Replace "
                          "each link by what it points to. Error code: %3")
        .arg(archivePath, links.join(QStringLiteral(", ")))
        .arg(SQX_E_LEFT_OUT);
}

QString SqxDriver::shownPath(const QString& host) const {
    const QString windows = d_.files.windowsPath(host);
    return windows.isEmpty() ? host : windows;
}

void SqxDriver::mapResult(std::int32_t r, const QString& archivePath) {
    if (r == SQX_OK) return;
    if (stoppedOnError_) // the callback stopped the library and said why
        return;
    // The list entry the library was storing when it failed, else the archive itself.
    const int n = ledger_.currentEntry();
    const bool inEntry = n >= 1 && n <= d_.list.count();
    // The file or folder that could not be read, when the library knows it: a folder far below
    // the list entry is named itself.
    const QString failedSource = d_.library.FailedSource(&slot_);
    const QString current = !failedSource.isEmpty() ? shownPath(failedSource)
                            : inEntry               ? d_.list.entry(n).spec
                                                    : archivePath;
    const QString code = QStringLiteral(" Error code: %1").arg(r);
    switch (r) {
    case SQX_E_ACCESS:
        d_.state.fail(d_.message(QStringLiteral("Message16")) + QLatin1Char(' ') + current);
        break;
    case SQX_E_DISK_FULL:
        d_.state.fail(d_.message(QStringLiteral("Message15")));
        break;
    case SQX_E_WRITE_PROTECTED:
        d_.state.fail(d_.message(QStringLiteral("Message17")));
        break;
    case SQX_E_ABORTED:
        d_.state.BackupErrorText.clear();
        d_.state.BackupAborted = true;
        break;
    case SQX_E_NOT_FOUND:
        d_.state.fail(QStringLiteral(" The folder %1 does not exist and could not be made.")
                          .arg(platform::extractFilePath(archivePath)) +
                      code);
        break;
    case SQX_E_BAD_DATA: {
        const QString entry = d_.library.LastFailedEntry();
        d_.state.fail((entry.isEmpty()
                           ? QStringLiteral(" The new archive %1 did not read back as it was "
                                            "written, so it was not kept; an older archive of "
                                            "that name is unchanged.")
                                 .arg(archivePath)
                           : QStringLiteral(" The new archive %1 did not read back as it was "
                                            "written (the entry %2 is damaged), so it was not "
                                            "kept; an older archive of that name is unchanged.")
                                 .arg(archivePath, entry)) +
                      code);
        break;
    }
    case SQX_E_SOURCE_CHANGED:
        d_.state.fail((d_.files.directoryExists(current)
                           ? QStringLiteral(" A file in %1 changed while it was read, so the "
                                            "archive %2 was not kept.")
                           : QStringLiteral(" The file %1 changed while it was read, so the "
                                            "archive %2 was not kept."))
                          .arg(current, archivePath) +
                      code);
        break;
    case SQX_E_IO:
        d_.state.fail((inEntry ? QStringLiteral(" Input/output error while %1 was stored in the "
                                                "archive %2.")
                                     .arg(current, archivePath)
                               : QStringLiteral(" Input/output error while the archive %1 was "
                                                "written.")
                                     .arg(archivePath)) +
                      code);
        break;
    case SQX_E_LEFT_OUT: {
        QStringList links;
        for (const QString& host : d_.library.LeftOutFiles(&slot_))
            links << shownPath(host);
        d_.state.fail(leftOutText(archivePath, links));
        break;
    }
    case SQX_E_NO_MEMORY:
        d_.state.fail(
            QStringLiteral(" Not enough memory to write the archive %1.").arg(archivePath) + code);
        break;
    case SQX_E_BAD_ARGUMENT:
        d_.state.fail(QStringLiteral(" The archive %1 cannot be written there (is it a folder?).")
                          .arg(archivePath) +
                      code);
        break;
    default:
        // Any other result is a failure too, never a success.
        d_.state.fail(QStringLiteral(" The archive %1 could not be written.").arg(archivePath) +
                      code);
        break;
    }
}

std::int32_t SqxDriver::callbackThunk(std::intptr_t userValue, void* record) {
    auto* self = reinterpret_cast<SqxDriver*>(userValue);
    if (!self || !record) return 1;
    return self->ArchiveCallback(static_cast<unsigned char*>(record));
}

void SqxDriver::stopWithError(const QString& text) {
    d_.state.fail(text);
    stoppedOnError_ = true;
}

std::int32_t SqxDriver::ArchiveCallback(unsigned char* record) {
    ui().processEvents();
    if (abortRequested()) {
        d_.state.AbortRequested = true;
        return 0;
    }
    ui().processEvents();
    switch (readInt32(record, kCbReason)) {
    case kReasonProgress: {
        const int percent = std::clamp(readInt32(record, kCbValue), 0, 100);
        const ProgressLedger::Display shown = ledger_.progress(d_.list, percent);
        if (display_)
            display_->showProgress(shown.overall, shown.task, taskPrefix_ + shown.taskName);
        ui().processEvents();
        return 1;
    }
    case kReasonQuery:
        return 2;
    case kReasonNextVolume:
        return nextVolume(record);
    case kReasonPassword:
        if (runPassword_.isEmpty()) runPassword_ = ui().askPassword();
        if (!writeText(record, kCbPath, kCbTextRoom, runPassword_)) {
            stopWithError(QStringLiteral(" The password is too long."));
            return 0;
        }
        return 1;
    case kReasonNextFile:
        ledger_.nextFile(d_.list);
        return renameCurrent(record);
    case kReasonExtractPath:
        return extractPath(record);
    case kReasonLeftOut:
        return kAnswerFailAfterwards;
    default:
        return 1;
    }
}

QByteArray SqxDriver::storedName(const QByteArray& proposed, const ArchiveEntry& entry,
                                 const platform::Files& files) {
    // Worked on bytes: the library cuts a long specification at the field's end
    // (perhaps inside a character) and appends the rest to the answer itself.
    const QString& base = entry.baseFolder;
    QByteArray hostBase;
    if (!base.isEmpty()) {
        if (const auto h = files.hostPath(base)) hostBase = h.value().toUtf8();
        while (hostBase.size() > 1 && hostBase.endsWith('/'))
            hostBase.chop(1);
        if (!hostBase.isEmpty() && base.endsWith(QLatin1Char('\\')) && !hostBase.endsWith('/'))
            hostBase += '/';
    }
    const QByteArray winBase = base.toUtf8();
    QByteArray rest = proposed;
    if (!hostBase.isEmpty() && proposed.startsWith(hostBase))
        rest = proposed.mid(hostBase.size());
    else if (!winBase.isEmpty() &&
             QString::fromUtf8(proposed.left(winBase.size())).compare(base, Qt::CaseInsensitive) ==
                 0)
        rest = proposed.mid(winBase.size()); // handed over in Windows form
    rest.replace('/', '\\');
    return entry.archiveFolder.toUtf8() + '\\' + rest;
}

std::int32_t SqxDriver::renameCurrent(unsigned char* record) {
    const int n = ledger_.currentEntry();
    if (n < 1 || n > d_.list.count())
        return 1; // more files than entries: leave the library's name alone
    const ArchiveEntry& e = d_.list.entry(n);
    // Links below the entry may lead anywhere inside its base folder, the client's data; a
    // folder too long for the field keeps the library's narrower rule.
    if (const QString base = hostBase(e); !base.isEmpty())
        (void)writeBytes(record, kCbPath, kCbTextRoom, base.toUtf8());
    const QByteArray name = storedName(readBytes(record, kCbName, kCbTextRoom), e, d_.files);
    if (!writeBytes(record, kCbName, kCbTextRoom, name)) {
        // A cut name would store the file under a name it never had.
        stopWithError(QStringLiteral(" The name is too long for the archive: %1")
                          .arg(QString::fromUtf8(name)));
        return 0;
    }
    return 1;
}

std::int32_t SqxDriver::extractPath(unsigned char* record) {
    const int n = ledger_.currentEntry() + 1;
    if (n > d_.list.count() || d_.list.entry(n).spec.isEmpty() ||
        d_.list.entry(n).archiveFolder.isEmpty())
        return 1;
    ledger_.setCurrentEntry(n);
    const ArchiveEntry& e = d_.list.entry(n);
    const QString temp = hostForm(d_.stagingFolder);
    const QString text = readText(record, kCbPath, kCbTextRoom);
    const QString result = e.archiveFolder + text.mid(temp.size() + 1);
    if (!d_.files.directoryExists(e.archiveFolder))
        (void)d_.files.createDirectories(e.archiveFolder);
    if (!writeText(record, kCbPath, kCbTextRoom, result)) {
        stopWithError(QStringLiteral(" The name is too long for the archive: %1").arg(result));
        return 0;
    }
    return 1;
}

std::int32_t SqxDriver::nextVolume(const unsigned char* record) {
    d_.state.AbortRequested = false;
    const QString prompt = d_.message(QStringLiteral("Message14")) + QLatin1Char(' ') +
                           QString::number(readInt32(record, kCbDisk));
    const std::int32_t kind = readInt32(record, kCbMediaKind);
    if (kind == 2 || kind == 11) return ui().confirm(prompt, true) ? 1 : 0;

    // The drive that receives the volume: the library names a host path.
    QString path = readText(record, kCbPath, kCbTextRoom);
    if (path.startsWith(QLatin1Char('/'))) path = d_.files.windowsPath(path);
    const QChar letter =
        path.size() >= 2 && path.at(1) == QLatin1Char(':') ? path.at(0).toUpper() : QChar();
    const qint64 needed = std::uint32_t(readInt32(record, kCbValue));
    for (;;) {
        // The box has OK alone; an answer other than OK is taken as a stop
        // rather than a reason to ask forever.
        if (!ui().confirm(prompt, false)) return 0;
        const auto free = letter.isNull()
                              ? platform::Result<qint64>(platform::Error{platform::kNotReady, {}})
                              : d_.files.freeSpace(letter);
        if (free && free.value() >= needed) return 1;
        ui().showError(d_.message(QStringLiteral("Message15")));
        // Only a person can make room or change the medium.
        if (!ui().attended()) return 0;
    }
}

} // namespace backup
