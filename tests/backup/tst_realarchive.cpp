// The archive writer with the real archiving library: what 7-Zip and bsdtar
// find in the archives it writes, and what a failure leaves behind. (Password
// and volumes are checked end to end with the command line.)

#include "BackupTestSupport.h"
#include "support/Noise.h"

#include "backup/ArchiveList.h"
#include "backup/BackupState.h"
#include "backup/SqxDriver.h"
#include "backup/SqxLibrary.h"
#include "base/Settings.h"

#include <QtTest>

using namespace backup;

class TestRealArchive : public QObject {
    Q_OBJECT

    struct Rig {
        testsupport::MiniPrefix prefix;
        testsupport::FakeInteraction ui;
        base::Settings settings;
        SqxLibrary library;
        BackupState state;
        std::unique_ptr<ArchiveList> list;
        std::unique_ptr<SqxDriver> writer;

        Rig() {
            const QString dir =
                qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR));
            if (!library.load(dir + QStringLiteral("/libSqx.so"))) qWarning() << library.error();
            list = std::make_unique<ArchiveList>(*prefix.files);
            writer = std::make_unique<SqxDriver>(
                SqxDriver::Deps{library, *list, state, settings, ui, *prefix.files,
                                &testsupport::englishMessage, QStringLiteral("C:\\stage")});
            QDir().mkpath(prefix.host(QStringLiteral("C:\\")) + QStringLiteral("/out"));
        }
        // The collectors' pattern: staging files, a store under a key, an
        // address book folder, manifests after the last task.
        void fill() {
            prefix.write(QStringLiteral("C:\\stage\\Ann\\identity.reg"), 120, 'a');
            prefix.write(QStringLiteral("C:\\stage\\J\u00f6rg \u00c5s\\identity.reg"), 80, 'j');
            prefix.write(QStringLiteral("C:\\Store\\Inbox.dbx"), 300000, 'i');
            prefix.write(QStringLiteral("C:\\Store\\Sub\\Deep.dbx"), 5000, 'd');
            prefix.write(QStringLiteral("C:\\WAB\\ann.wab"), 2000, 'w');
            prefix.write(QStringLiteral("C:\\stage\\infobak.ini"), 50, 'm');
            writer->InitArchiveList();
            list->resetTasks();
            const QString s = QStringLiteral("C:\\stage\\");
            list->AddArchiveEntry(QStringLiteral("C:\\stage\\Ann\\identity.reg"), QString(), s);
            list->AddArchiveEntry(QStringLiteral("C:\\stage\\J\u00f6rg \u00c5s\\identity.reg"),
                                  QString(), s);
            list->CloseTask(QStringLiteral("Accounts Settings"));
            list->AddFolderEntries(QStringLiteral("C:\\Store"), QStringLiteral("{ID-1}"),
                                   QStringLiteral("C:\\Store\\"), QStringLiteral("*"));
            list->CloseTask(QStringLiteral("Mail Folders"));
            list->AddFolderEntries(QStringLiteral("C:\\WAB\\"), QStringLiteral("Address Book"),
                                   QStringLiteral("C:\\WAB\\"), QStringLiteral("*"));
            list->CloseTask(QStringLiteral("Address Book"));
            list->AddArchiveEntry(QStringLiteral("C:\\stage\\infobak.ini"), QString(),
                                  QStringLiteral("C:\\stage"));
            list->AddArchiveEntry(QStringLiteral("C:\\stage\\missing.ini"), QString(),
                                  QStringLiteral("C:\\stage"));
        }
        QString write(const QString& target) {
            writer->CreateArchive(target);
            writer->DoneArchiveList();
            return prefix.host(target);
        }
    };

private Q_SLOTS:
    void initTestCase();
    void namesAsStored();
    void volumeRefusedLeavesNothing();
    void diskFullKeepsOldArchive();
    void unreadableSourceFailsAndKeepsOldArchive();
    void whatIsLeftOutOrUnreadableIsNamed();
};

void TestRealArchive::initTestCase() {
    REQUIRE_TOOLS("7z", "bsdtar");
}

void TestRealArchive::namesAsStored() {
    Rig rig;
    QVERIFY(rig.library.isLoaded());
    rig.fill();
    const QString archive = rig.write(QStringLiteral("C:\\out\\names.ebk"));
    QVERIFY2(!rig.state.BackupFailed, qPrintable(rig.state.BackupErrorText));
    const QStringList expected = {
        QStringLiteral("Address Book/ann.wab"),
        QStringLiteral("Ann/identity.reg"),
        QStringLiteral("J\u00f6rg \u00c5s/identity.reg"),
        QStringLiteral("infobak.ini"),
        QStringLiteral("{ID-1}/Inbox.dbx"),
        QStringLiteral("{ID-1}/Sub/Deep.dbx"),
    };
    QCOMPARE(testsupport::sevenZipNames(archive), expected);
    QCOMPARE(testsupport::runTool(QStringLiteral("7z"), {QStringLiteral("t"), archive}).exitCode,
             0);
    const auto tar =
        testsupport::runTool(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), archive});
    QCOMPARE(tar.exitCode, 0);
    QVERIFY(tar.output.contains(QStringLiteral("{ID-1}/Sub/Deep.dbx")));
    // One "next file" per entry reached the ledger.
    QCOMPARE(rig.writer->ledger().currentEntry(), rig.list->count());
}

namespace {
// Bytes that do not compress, so that the archive needs several volumes.
QByteArray noise(int size) {
    return support::noise(size, 12345);
}
} // namespace

void TestRealArchive::diskFullKeepsOldArchive() {
    qputenv("SQX_FAULT_WRITE", "ENOSPC@1000");
    auto unset = qScopeGuard([] { qunsetenv("SQX_FAULT_WRITE"); });
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\out\\full.ebk"), 10, 'o');
    rig.fill();
    const QString archive = rig.write(QStringLiteral("C:\\out\\full.ebk"));
    QVERIFY(rig.state.BackupFailed);
    QCOMPARE(rig.state.BackupErrorText, QStringLiteral("Disk is full. Replace or select other!"));
    QCOMPARE(QDir(QFileInfo(archive).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("full.ebk")});
    QFile old(archive);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray(10, 'o'));
}

void TestRealArchive::volumeRefusedLeavesNothing() {
    Rig rig;
    rig.settings.multipleVolumes = true;
    rig.settings.volumes = base::VolumeMedia::Floppy;
    QFile f(rig.prefix.host(QStringLiteral("C:\\")) + QStringLiteral("/noise.bin"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(noise(2 * 1024 * 1024));
    f.close();
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    rig.list->AddArchiveEntry(QStringLiteral("C:\\noise.bin"), QString(), QStringLiteral("C:\\"));
    // No one answers the prompt for the second volume (a run without a display).
    const QString archive = rig.write(QStringLiteral("C:\\out\\vol.ebk"));
    QCOMPARE(rig.ui.prompts.size(), 1);
    QVERIFY(rig.state.BackupAborted);
    const QStringList left = QDir(QFileInfo(archive).path()).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
}

void TestRealArchive::unreadableSourceFailsAndKeepsOldArchive() {
    // The library's fault hook: opening this source fails as a permission error would.
    qputenv("SQX_FAULT_READ", "EACCES@locked.dbx");
    auto unset = qScopeGuard([] { qunsetenv("SQX_FAULT_READ"); });
    Rig rig;
    rig.prefix.write(QStringLiteral("C:\\out\\old.ebk"), 10, 'o');
    rig.prefix.write(QStringLiteral("C:\\stage\\locked.dbx"), 10);
    rig.writer->InitArchiveList();
    rig.list->resetTasks();
    rig.list->AddArchiveEntry(QStringLiteral("C:\\stage\\locked.dbx"), QString(),
                              QStringLiteral("C:\\stage\\"));
    const QString archive = rig.write(QStringLiteral("C:\\out\\old.ebk"));
    QVERIFY(rig.state.BackupFailed);
    QCOMPARE(rig.state.BackupErrorText, QStringLiteral("Access denied! C:\\stage\\locked.dbx"));
    QFile old(archive);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray(10, 'o'));
}

void TestRealArchive::whatIsLeftOutOrUnreadableIsNamed() {
    // A link in the mail folder that leads out of it, among the folder's files or further
    // down: the backup fails naming it, and the previous archive stays. A folder further down
    // that cannot be listed is named itself.
    Rig rig;
    const QString target = QStringLiteral("C:\\out\\old.ebk");
    rig.prefix.write(target, 10, 'o');
    rig.prefix.write(QStringLiteral("C:\\Store\\Inbox.dbx"), 100, 'i');
    rig.prefix.write(QStringLiteral("C:\\Store\\Sub\\Deep.dbx"), 100, 'd');
    rig.prefix.write(QStringLiteral("C:\\Store\\Sub\\Deeper\\Deepest.dbx"), 100, 'd');
    const QString secret =
        rig.prefix.host(rig.prefix.write(QStringLiteral("C:\\Elsewhere\\secret.txt"), 10, 's'));
    const auto backUp = [&] {
        rig.state.resetForRun();
        rig.writer->InitArchiveList();
        rig.list->resetTasks();
        rig.list->AddFolderEntries(QStringLiteral("C:\\Store"), QStringLiteral("{ID-1}"),
                                   QStringLiteral("C:\\Store\\"), QStringLiteral("*"));
        rig.list->CloseTask(QStringLiteral("Mail Folders"));
        rig.write(target);
        return rig.state.BackupFailed ? rig.state.BackupErrorText : QString();
    };
    for (const QString& link :
         {QStringLiteral("C:\\Store\\Outbox.dbx"), QStringLiteral("C:\\Store\\Sub\\Outbox.dbx")}) {
        QVERIFY(QFile::link(secret, rig.prefix.host(link)));
        const QString text = backUp();
        QVERIFY2(text.contains(QStringLiteral("links lead out of the folder they are in")) &&
                     text.contains(link) && text.endsWith(QLatin1String(" Error code: 2962")),
                 qPrintable(text));
        QVERIFY(QFile::remove(rig.prefix.host(link)));
        QFile old(rig.prefix.host(target));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray(10, 'o'));
    }
    // A link that stays inside is stored as its file.
    QVERIFY(QFile::link(rig.prefix.host(QStringLiteral("C:\\Store\\Inbox.dbx")),
                        rig.prefix.host(QStringLiteral("C:\\Store\\Sub\\Alias.dbx"))));
    QCOMPARE(backUp(), QString());

    qputenv("SQX_FAULT_LIST", "EACCES@/Sub/Deeper");
    auto unset = qScopeGuard([] { qunsetenv("SQX_FAULT_LIST"); });
    QCOMPARE(backUp(), QStringLiteral("Access denied! C:\\Store\\Sub\\Deeper"));
}

QTEST_GUILESS_MAIN(TestRealArchive)
#include "tst_realarchive.moc"
