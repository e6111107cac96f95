// The archive writer over a scripted stand-in for the library: the options
// record, the progress ledger, stored names, the volume and password prompts,
// abort, and the mapping of every result.

#include "BackupTestSupport.h"

#include "backup/ArchiveList.h"
#include "backup/BackupState.h"
#include "backup/ProgressDisplay.h"
#include "backup/SqxDriver.h"
#include "backup/SqxLibrary.h"
#include "backup/SqxRecords.h"
#include "base/Settings.h"

#include <QtTest>

#include <functional>
#include <vector>

using namespace backup;
using namespace backup::sqx;

namespace {

// The stand-in library: remembers the list, and on SqxAddFiles runs the test's
// script against the real callback.
struct FakeSqx {
    std::vector<QByteArray> specs;
    QByteArray archive;
    QByteArray options;
    int inits = 0;
    int dones = 0;
    std::function<std::int32_t(SqxLibrary::Callback, std::intptr_t)> script;
};
FakeSqx* g_fake = nullptr;

std::int32_t fakeInit(SqxLibrary::ListHandle* slot) {
    ++g_fake->inits;
    *slot = g_fake;
    return 0;
}
std::int32_t fakeDone(SqxLibrary::ListHandle* slot) {
    ++g_fake->dones;
    *slot = nullptr;
    return 0;
}
std::int32_t fakeAddList(const char* spec, SqxLibrary::ListHandle*) {
    g_fake->specs.emplace_back(spec);
    return 0;
}
std::int32_t fakeAddFiles(const char* archive, SqxLibrary::ListHandle*, void* options,
                          SqxLibrary::Callback cb, std::intptr_t user) {
    g_fake->archive = archive;
    g_fake->options = QByteArray(static_cast<const char*>(options), int(kOptionsSize));
    return g_fake->script ? g_fake->script(cb, user) : 0;
}

struct Record {
    unsigned char bytes[kCbMinimumSize] = {};
    void reason(int r) { writeInt32(bytes, kCbReason, r); }
    QByteArray name() const { return readBytes(bytes, kCbName, kCbTextRoom); }
};

// Reason 5 with the file specification as the library proposes it; the stored name back.
QByteArray nextFile(SqxLibrary::Callback cb, std::intptr_t user, const QByteArray& proposed,
                    std::int32_t* answer = nullptr) {
    Record r;
    r.reason(kReasonNextFile);
    writeBytes(r.bytes, kCbName, kCbTextRoom, proposed.left(int(kCbTextRoom) - 1));
    const std::int32_t a = cb(user, r.bytes);
    if (answer) *answer = a;
    return r.name();
}

std::int32_t progress(SqxLibrary::Callback cb, std::intptr_t user, int percent) {
    Record r;
    r.reason(kReasonProgress);
    writeInt32(r.bytes, kCbValue, percent);
    return cb(user, r.bytes);
}

struct Shown : ProgressDisplay {
    struct Row {
        int overall, task;
        QString line;
    };
    std::vector<Row> rows;
    void showProgress(int overall, int task, const QString& line) override {
        rows.push_back({overall, task, line});
    }
};

} // namespace

class TestArchiveWriter : public QObject {
    Q_OBJECT

    struct Rig {
        testsupport::MiniPrefix prefix;
        testsupport::FakeInteraction ui;
        base::Settings settings;
        FakeSqx fake;
        SqxLibrary library;
        BackupState state;
        std::unique_ptr<ArchiveList> list;
        std::unique_ptr<SqxDriver> writer;
        Shown shown;
        QString staging = QStringLiteral("C:\\stage");

        Rig() {
            g_fake = &fake;
            SqxLibrary::EntryPoints t;
            t.initFileList = &fakeInit;
            t.doneFileList = &fakeDone;
            t.addFileList = &fakeAddList;
            t.addFiles = &fakeAddFiles;
            library.setEntryPoints(t);
            list = std::make_unique<ArchiveList>(*prefix.files);
            writer = std::make_unique<SqxDriver>(
                SqxDriver::Deps{library, *list, state, settings, ui, *prefix.files,
                                &testsupport::englishMessage, staging});
            writer->setProgressDisplay(&shown);
            QDir().mkpath(prefix.host(QStringLiteral("C:\\")) + QStringLiteral("/stage"));
        }
        ~Rig() {
            writer.reset();
            g_fake = nullptr;
        }
    };

private Q_SLOTS:
    void optionsRecord_data();
    void optionsRecord();
    void listSizesAndTasks();
    void ledgerAcrossTasks();
    void ledgerEmptyList();
    void storedNames();
    void longNameStopsTheBackup();
    void longSpecificationKeepsItsTail();
    void results_data();
    void results();
    void abortAnswersStop();
    void volumePromptWithCancel();
    void volumePromptLoopsOnTooLittleSpace();
    void volumePromptUnattendedStops();
    void volumePromptGoesOnWithRoom();
    void passwordPrompt();
    void passwordGiven();
    void listReleasedOnce();
    void randomRecords();
    void loadRefusesIncompleteLibrary();
};

void TestArchiveWriter::optionsRecord_data() {
    QTest::addColumn<int>("media");
    QTest::addColumn<int>("volumeField");
    QTest::newRow("floppy") << 0 << 1357664;
    QTest::newRow("zip100") << 1 << 9;
    QTest::newRow("zip250") << 2 << 11;
    QTest::newRow("cd650") << 3 << 12;
    QTest::newRow("cd700") << 4 << 13;
    QTest::newRow("unknown") << 7 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void TestArchiveWriter::optionsRecord() {
    QFETCH(int, media);
    QFETCH(int, volumeField);
    Rig rig;
    rig.settings.multipleVolumes = true;
    rig.settings.volumes = base::VolumeMedia(media);
    rig.writer->setRunPassword(QStringLiteral("s\u00e9cret"));
    rig.writer->InitArchiveList();
    rig.writer->CreateArchive(QStringLiteral("C:\\out\\a.ebk"));
    const auto* p = reinterpret_cast<const unsigned char*>(rig.fake.options.constData());
    QCOMPARE(rig.fake.options.size(), 3740);
    QCOMPARE(readInt32(p, 0), 3740);
    QCOMPARE(readInt32(p, 4), 3);
    QCOMPARE(readInt32(p, 16), 1);
    QCOMPARE(readInt32(p, 32), 1);
    QCOMPARE(readText(p, 40, 544), QStringLiteral("s\u00e9cret"));
    QCOMPARE(readText(p, 584, 816), rig.prefix.host(QStringLiteral("C:\\stage")));
    QCOMPARE(readInt32(p, 1400), 1);
    QCOMPARE(readInt32(p, 1404), 1);
    QCOMPARE(readInt32(p, 1416), volumeField);
    // Every other byte is zero.
    QByteArray rest = rig.fake.options;
    for (int off : {0, 4, 16, 32, 1400, 1404, 1416})
        rest.replace(off, 4, QByteArray(4, '\0'));
    rest.replace(40, 544 + 816, QByteArray(544 + 816, '\0'));
    QCOMPARE(rest, QByteArray(3740, '\0'));
    // The archive path handed over is the host path.
    QCOMPARE(QString::fromUtf8(rig.fake.archive),
             rig.prefix.host(QStringLiteral("C:\\out\\a.ebk")));
}

void TestArchiveWriter::listSizesAndTasks() {
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\d\\a.txt"), 100);
    rig.prefix.write(QStringLiteral("C:\\d\\sub\\b.txt"), 300);
    rig.prefix.write(QStringLiteral("C:\\d\\sub\\deeper\\c.txt"), 600);
    rig.prefix.write(QStringLiteral("C:\\big.bin"), 0);
    // A size beyond 32 bits, without writing 5 GB: a sparse file.
    {
        QFile f(rig.prefix.host(QStringLiteral("C:\\big.bin")));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(5LL * 1024 * 1024 * 1024));
    }
    rig.writer->InitArchiveList();
    ArchiveList& list = *rig.list;
    list.resetTasks();
    list.AddFolderEntries(QStringLiteral("C:\\d"), QStringLiteral("X"), QStringLiteral("C:\\d\\"),
                          QStringLiteral("*"));
    QCOMPARE(list.count(), 2); // a.txt and the folder "sub", not descended into
    qint64 folderSize = 0;
    for (int n = 1; n <= list.count(); ++n) {
        if (list.entry(n).spec.endsWith(QLatin1String("sub"))) folderSize = list.entry(n).size;
    }
    QCOMPARE(folderSize, 900); // everything below the folder
    list.CloseTask(QStringLiteral("one"));
    list.CloseTask(QStringLiteral("empty"));
    list.AddArchiveEntry(QStringLiteral("C:\\big.bin"), QString(), QStringLiteral("C:\\"));
    list.AddArchiveEntry(QStringLiteral("C:\\missing.txt"), QString(), QStringLiteral("C:\\"));
    list.CloseTask(QStringLiteral("two"));
    QCOMPARE(list.tasksClosed(), 3);
    QCOMPARE(list.task(1).size, 1000);
    QCOMPARE(list.task(1).last, 2);
    QCOMPARE(list.task(2).size, 0);
    QCOMPARE(list.task(2).last, 2);
    QCOMPARE(list.task(3).size, 5LL * 1024 * 1024 * 1024);
    QCOMPARE(list.task(3).last, 4);
    QCOMPARE(list.task(3).name, QStringLiteral("two"));
    QCOMPARE(list.entry(4).size, 0); // matches nothing
    QCOMPARE(list.totalSize(), 1000 + 5LL * 1024 * 1024 * 1024);
    // An empty folder name lists nothing (not the drive's root).
    list.AddFolderEntries(QString(), QStringLiteral("Y"), QString(), QStringLiteral("*"));
    QCOMPARE(list.count(), 4);
    // A new list forgets the rows of the last backup.
    rig.writer->InitArchiveList();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.task(3).size, 0);
    QCOMPARE(list.task(3).name, QString());
}

void TestArchiveWriter::ledgerAcrossTasks() {
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\s\\a"), 100);
    rig.prefix.write(QStringLiteral("C:\\s\\b"), 300);
    rig.prefix.write(QStringLiteral("C:\\s\\c"), 600);
    rig.prefix.write(QStringLiteral("C:\\s\\m"), 1000);
    rig.writer->InitArchiveList();
    ArchiveList& list = *rig.list;
    list.resetTasks();
    list.AddArchiveEntry(QStringLiteral("C:\\s\\a"), QString(), QStringLiteral("C:\\s\\"));
    list.AddArchiveEntry(QStringLiteral("C:\\s\\b"), QString(), QStringLiteral("C:\\s\\"));
    list.CloseTask(QStringLiteral("Accounts"));
    list.AddArchiveEntry(QStringLiteral("C:\\s\\c"), QString(), QStringLiteral("C:\\s\\"));
    list.CloseTask(QStringLiteral("Mail"));
    list.AddArchiveEntry(QStringLiteral("C:\\s\\m"), QString(), QStringLiteral("C:\\s"));

    std::vector<std::int32_t> answers;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        for (const QByteArray& spec : rig.fake.specs) {
            std::int32_t a = 0;
            nextFile(cb, user, spec, &a);
            answers.push_back(a);
            answers.push_back(progress(cb, user, 50));
            answers.push_back(progress(cb, user, 100));
        }
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\out.ebk"));
    QVERIFY(!rig.state.BackupFailed);
    QVERIFY(std::all_of(answers.begin(), answers.end(), [](std::int32_t a) { return a == 1; }));
    const auto& rows = rig.shown.rows;
    QCOMPARE(int(rows.size()), 8);
    // total 2000: a is 100 of task 1 (400), b 300, c all of task 2, m beyond the last task.
    QCOMPARE(rows[0].overall, 3); // 50 of 2000 = 2.5 -> 3
    QCOMPARE(rows[0].task, 13);   // 50 of 400 = 12.5 -> 13
    QCOMPARE(rows[0].line, QStringLiteral("Current task: Accounts"));
    QCOMPARE(rows[3].overall, 20); // 100 + 300 of 2000
    QCOMPARE(rows[3].task, 100);
    QCOMPARE(rows[4].task, 50);
    QCOMPARE(rows[4].line, QStringLiteral("Current task: Mail"));
    QCOMPARE(rows[5].overall, 50);
    // The manifest after the last task: a task row of its own, without a name.
    QCOMPARE(rows[6].line, QStringLiteral("Current task: "));
    QCOMPARE(rows[6].overall, 75);
    QCOMPARE(rows[6].task, 100); // a row of no size counts as full at once
    QCOMPARE(rows[7].overall, 100);
    QCOMPARE(rig.writer->ledger().currentTask(), 3);
}

void TestArchiveWriter::ledgerEmptyList() {
    Rig rig;
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    bool called = false;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        called = true;
        // Progress with no file begun and a file the list does not know.
        progress(cb, user, 100);
        nextFile(cb, user, "/nowhere");
        progress(cb, user, 100);
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\empty.ebk"));
    QVERIFY(called); // the library is asked all the same
    QVERIFY(!rig.state.BackupFailed);
    QCOMPARE(int(rig.shown.rows.size()), 2);
    QCOMPARE(rig.shown.rows[0].overall, 0);
    QCOMPARE(rig.shown.rows[1].overall, 0);
}

void TestArchiveWriter::storedNames() {
    testsupport::MiniPrefix prefix;
    prefix.write(QStringLiteral("C:\\stage\\Ann Lee\\identity.reg"), 10);
    prefix.write(QStringLiteral("C:\\Mail Store\\Inbox.dbx"), 10);
    const platform::Files& fs = *prefix.files;
    struct Case {
        ArchiveEntry entry;
        QByteArray proposed;
        QByteArray expected;
    };
    const QByteArray stageHost = prefix.host(QStringLiteral("C:\\stage")).toUtf8();
    const QByteArray storeHost = prefix.host(QStringLiteral("C:\\Mail Store")).toUtf8();
    const Case cases[] = {
        // Registry dumps: base with a trailing backslash, no archive folder.
        {{QStringLiteral("C:\\stage\\Ann Lee\\identity.reg"), QString(),
          QStringLiteral("C:\\stage\\")},
         stageHost + "/Ann Lee/identity.reg",
         "\\Ann Lee\\identity.reg"},
        // Manifests: base without it.
        {{QStringLiteral("C:\\stage\\infobak.ini"), QString(), QStringLiteral("C:\\stage")},
         stageHost + "/infobak.ini",
         "\\\\infobak.ini"},
        // A store under its identity key; base spelled in other letter case.
        {{QStringLiteral("C:\\mail store\\Inbox.dbx"), QStringLiteral("{1A2B}"),
          QStringLiteral("C:\\MAIL STORE\\")},
         storeHost + "/Inbox.dbx",
         "{1A2B}\\Inbox.dbx"},
        // Handed over in Windows form (no drive for it on this machine).
        {{QStringLiteral("Q:\\ab\\file.txt"), QStringLiteral("Address Book"),
          QStringLiteral("Q:\\ab\\")},
         "Q:\\ab\\file.txt",
         "Address Book\\file.txt"},
        // A proposal that does not start with the base is kept whole.
        {{QStringLiteral("C:\\x\\y"), QStringLiteral("K"), QStringLiteral("C:\\other\\")},
         "/elsewhere/y",
         "K\\\\elsewhere\\y"},
    };
    for (const Case& c : cases)
        QCOMPARE(SqxDriver::storedName(c.proposed, c.entry, fs), c.expected);
}

void TestArchiveWriter::longNameStopsTheBackup() {
    Rig rig;
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    const QString longFolder(300, QLatin1Char('k'));
    rig.list->AddArchiveEntry(QStringLiteral("C:\\stage\\a.txt"), longFolder,
                              QStringLiteral("C:\\stage\\"));
    std::int32_t answer = -5;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        nextFile(cb, user, rig.fake.specs.front(), &answer);
        return answer == 0 ? std::int32_t(SQX_E_ABORTED) : 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\long.ebk"));
    QCOMPARE(answer, 0);
    QVERIFY(rig.state.BackupFailed);
    QVERIFY(!rig.state.BackupAborted); // a failure, not the person's abort
    QVERIFY(rig.state.BackupErrorText.contains(QLatin1String("too long")));
}

void TestArchiveWriter::longSpecificationKeepsItsTail() {
    // The library hands over the first 271 bytes; the rename works on bytes and
    // never splits a character it cannot see the end of.
    testsupport::MiniPrefix prefix;
    const QString deep =
        QStringLiteral("C:\\s\\") + QString(130, QChar(0x00e9)) + QStringLiteral("\\f");
    const ArchiveEntry e{deep, QStringLiteral("K"), QStringLiteral("C:\\s\\"), 0};
    const QByteArray hostSpec = prefix.files->hostPath(deep).value().toUtf8();
    QVERIFY(hostSpec.size() > 271);
    const QByteArray head = hostSpec.left(271);
    const QByteArray renamed = SqxDriver::storedName(head, e, *prefix.files);
    const QByteArray hostBase =
        prefix.files->hostPath(QStringLiteral("C:\\s")).value().toUtf8() + '/';
    // The library appends the tail and turns separators itself.
    QByteArray joined = renamed + hostSpec.mid(271);
    QCOMPARE(joined.replace('/', '\\'), "K\\" + hostSpec.mid(hostBase.size()).replace('/', '\\'));
}

void TestArchiveWriter::results_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<bool>("aborted");
    QTest::addColumn<QString>("text");
    QTest::newRow("ok") << 0 << false << false << QString();
    QTest::newRow("access") << 5 << true << false
                            << QStringLiteral("Access denied! C:\\stage\\a.txt");
    QTest::newRow("full") << 101 << true << false
                          << QStringLiteral("Disk is full. Replace or select other!");
    QTest::newRow("readonly") << 150 << true << false
                              << QStringLiteral("Drive is write protected!");
    QTest::newRow("abort") << 2926 << false << true << QString();
    QTest::newRow("io") << 2953 << true << false
                        << QStringLiteral(" Input/output error while C:\\stage\\a.txt was stored "
                                          "in the archive C:\\r.ebk. Error code: 2953");
    QTest::newRow("missing entry point")
        << -1 << true << false
        << QStringLiteral(" The archive C:\\r.ebk could not be written. Error code: -1");
}

void TestArchiveWriter::results() {
    QFETCH(int, result);
    QFETCH(bool, failed);
    QFETCH(bool, aborted);
    QFETCH(QString, text);
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\stage\\a.txt"), 10);
    rig.state.BackupAborted = true; // cleared by the writer when it starts
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    rig.list->AddArchiveEntry(QStringLiteral("C:\\stage\\a.txt"), QString(),
                              QStringLiteral("C:\\stage\\"));
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        nextFile(cb, user, rig.fake.specs.front());
        return std::int32_t(result);
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\r.ebk"));
    QCOMPARE(rig.state.BackupFailed, failed);
    QCOMPARE(rig.state.BackupAborted, aborted);
    QCOMPARE(rig.state.BackupErrorText, text);
}

void TestArchiveWriter::abortAnswersStop() {
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\stage\\a.txt"), 10);
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    rig.list->AddArchiveEntry(QStringLiteral("C:\\stage\\a.txt"), QString(),
                              QStringLiteral("C:\\stage\\"));
    std::vector<std::int32_t> answers;
    // The Abort button is pressed while pending messages run.
    rig.ui.onEvents = [&] {
        if (rig.ui.events == 3) rig.state.AbortRequested = true;
    };
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        std::int32_t first = -5;
        nextFile(cb, user, rig.fake.specs.front(), &first);
        answers.push_back(first);
        answers.push_back(progress(cb, user, 10));
        return answers.back() == 0 ? std::int32_t(SQX_E_ABORTED) : 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\r.ebk"));
    QCOMPARE(answers, (std::vector<std::int32_t>{1, 0}));
    QVERIFY(rig.state.BackupAborted);
    QVERIFY(!rig.state.BackupFailed);
}

namespace {
std::int32_t askVolume(SqxLibrary::Callback cb, std::intptr_t user, int kind, const QString& path,
                       std::int32_t needed, int disk) {
    Record r;
    r.reason(kReasonNextVolume);
    writeInt32(r.bytes, kCbMediaKind, kind);
    writeInt32(r.bytes, kCbValue, needed);
    writeInt32(r.bytes, kCbDisk, disk);
    writeText(r.bytes, kCbPath, kCbTextRoom, path);
    return cb(user, r.bytes);
}
} // namespace

void TestArchiveWriter::volumePromptWithCancel() {
    Rig rig;
    rig.writer->InitArchiveList();
    std::vector<std::int32_t> answers;
    rig.ui.confirmAnswers = {true, false};
    rig.state.AbortRequested = false;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        answers.push_back(askVolume(cb, user, 2, QStringLiteral("/media/usb/"), 1000, 2));
        answers.push_back(askVolume(cb, user, 11, QStringLiteral("/media/usb/"), 1000, 3));
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\v.ebk"));
    QCOMPARE(answers, (std::vector<std::int32_t>{1, 0}));
    QCOMPARE(rig.ui.prompts,
             (QStringList{QStringLiteral("[ok/cancel] Insert next volume! Disk number 2"),
                          QStringLiteral("[ok/cancel] Insert next volume! Disk number 3")}));
}

void TestArchiveWriter::volumePromptLoopsOnTooLittleSpace() {
    Rig rig;
    rig.writer->InitArchiveList();
    // P: has no free space at all: each OK is met by "Disk is full" and the
    // prompt again, until no one answers.
    rig.ui.confirmAnswers = {true, true, true};
    std::int32_t answer = -5;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        answer = askVolume(cb, user, 3, QStringLiteral("P:\\"), 4096, 2);
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\v.ebk"));
    QCOMPARE(answer, 0);
    QCOMPARE(rig.ui.prompts.size(), 4);
    QCOMPARE(rig.ui.prompts.first(), QStringLiteral("[ok] Insert next volume! Disk number 2"));
    QCOMPARE(rig.ui.errors,
             QStringList(3, QStringLiteral("Disk is full. Replace or select other!")));
}

void TestArchiveWriter::volumePromptUnattendedStops() {
    Rig rig;
    rig.writer->InitArchiveList();
    // No one can make room: one "Disk is full" and the library is told to stop.
    rig.ui.attendedFlag = false;
    rig.ui.confirmAnswers = {true, true, true};
    std::int32_t answer = -5;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        answer = askVolume(cb, user, 3, QStringLiteral("P:\\"), 4096, 2);
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\v.ebk"));
    QCOMPARE(answer, 0);
    QCOMPARE(rig.ui.prompts.size(), 1);
    QCOMPARE(rig.ui.errors.size(), 1);
}

void TestArchiveWriter::volumePromptGoesOnWithRoom() {
    Rig rig;
    rig.writer->InitArchiveList();
    rig.ui.confirmAnswers = {true};
    std::int32_t answer = -5;
    const QString hostFolder = rig.prefix.host(QStringLiteral("C:\\")) + QLatin1Char('/');
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        answer = askVolume(cb, user, 3, hostFolder, 1, 2);
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\v.ebk"));
    QCOMPARE(answer, 1);
    QVERIFY(rig.ui.errors.isEmpty());
}

void TestArchiveWriter::passwordPrompt() {
    Rig rig;
    rig.writer->InitArchiveList();
    rig.ui.password = QStringLiteral("typed");
    QStringList written;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        for (int i = 0; i < 2; ++i) {
            Record r;
            r.reason(kReasonPassword);
            cb(user, r.bytes);
            written << readText(r.bytes, kCbPath, kCbTextRoom);
        }
        return 0;
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\p.ebk"));
    // Asked once; the answer becomes the run's password.
    QCOMPARE(rig.ui.passwordAsked, 1);
    QCOMPARE(written, (QStringList{QStringLiteral("typed"), QStringLiteral("typed")}));
}

void TestArchiveWriter::passwordGiven() {
    Rig given;
    QStringList written;
    given.writer->setRunPassword(QStringLiteral("stored"));
    given.writer->InitArchiveList();
    given.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        Record r;
        r.reason(kReasonPassword);
        cb(user, r.bytes);
        written << readText(r.bytes, kCbPath, kCbTextRoom);
        return 0;
    };
    given.writer->CreateArchive(QStringLiteral("C:\\p.ebk"));
    QCOMPARE(given.ui.passwordAsked, 0);
    QCOMPARE(written, QStringList{QStringLiteral("stored")});
}

void TestArchiveWriter::listReleasedOnce() {
    Rig rig;
    rig.writer->InitArchiveList();
    rig.writer->InitArchiveList(); // a list left open is released first
    QCOMPARE(rig.fake.inits, 2);
    QCOMPARE(rig.fake.dones, 1);
    rig.writer->DoneArchiveList();
    QCOMPARE(rig.fake.dones, 2);
    rig.writer.reset(); // nothing open any more: no further release
    QCOMPARE(rig.fake.dones, 2);
}

void TestArchiveWriter::randomRecords() {
    // Whatever the record holds, the callback answers 0, 1 or 2 and stays
    // inside the record.
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\stage\\a.txt"), 10);
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    for (int i = 0; i < 3; ++i)
        rig.list->AddArchiveEntry(QStringLiteral("C:\\stage\\a.txt"), QStringLiteral("K"),
                                  QStringLiteral("C:\\stage\\"));
    rig.ui.attendedFlag = false;
    QRandomGenerator rng(4711);
    int answered = 0;
    rig.fake.script = [&](SqxLibrary::Callback cb, std::intptr_t user) {
        for (int round = 0; round < 3000; ++round) {
            Record r;
            for (unsigned char& b : r.bytes)
                b = static_cast<unsigned char>(rng.bounded(256));
            // Mostly the known reasons, sometimes anything.
            const int reasons[] = {0, 1, 2, 3, 5, 6, 4, -1, 99};
            r.reason(reasons[rng.bounded(9)]);
            if (rng.bounded(2)) r.bytes[kCbName + rng.bounded(int(kCbTextRoom))] = 0;
            if (rng.bounded(2)) r.bytes[kCbPath + rng.bounded(int(kCbTextRoom))] = 0;
            const std::int32_t a = cb(user, r.bytes);
            if (a < 0 || a > 2) return std::int32_t(-100);
            ++answered;
            rig.state.AbortRequested = false;
        }
        return std::int32_t(0);
    };
    rig.writer->CreateArchive(QStringLiteral("C:\\fuzz.ebk"));
    QCOMPARE(answered, 3000);
}

void TestArchiveWriter::loadRefusesIncompleteLibrary() {
    SqxLibrary lib;
    QVERIFY(!lib.load(QStringLiteral("/nonexistent/libSqx.so")));
    QVERIFY(!lib.error().isEmpty());
    QVERIFY(!lib.isLoaded());
    // A real shared library without the entry points.
    QVERIFY(!lib.load(QStringLiteral("libm.so.6")));
    QVERIFY(lib.error().contains(QLatin1String("SqxInitFileList")));
    QVERIFY(!lib.isLoaded());
    SqxLibrary::ListHandle slot = nullptr;
    QCOMPARE(lib.AddFiles(QStringLiteral("/tmp/x.ebk"), &slot, nullptr, nullptr, 0), -1);
    QCOMPARE(lib.AddFileList(QStringLiteral("/tmp/x"), &slot), -1);

    const QString real = qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
                         QStringLiteral("/libSqx.so");
    QVERIFY2(lib.load(real), qPrintable(lib.error()));
    QVERIFY(lib.isLoaded());
    lib.unload();
    QVERIFY(!lib.isLoaded());
}

QTEST_GUILESS_MAIN(TestArchiveWriter)
#include "tst_sqxdriver.moc"
