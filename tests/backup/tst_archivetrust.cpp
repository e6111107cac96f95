// Whether a backup can be trusted on the day of the restore: an archive that does not read back
// is not kept, a file that changes while it is read fails the backup by name, failures say what
// and where, killed runs leave nothing behind for long, and the inspector takes archives apart
// without writing outside its folder.

#include "BackupTestSupport.h"
#include "support/BackupRig.h"
#include "support/InspectRun.h"
#include "support/ScopedEnv.h"
#include "support/clients/OutlookExpressSample.h"

#include "clients/Clients.h"
#include "platform/DriveMap.h"

#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace backup;

namespace {

struct Rig : testsupport::BackupRig {
    support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);

    Rig() : BackupRig(QStringLiteral("C:\\Backups\\oe.ebk")) {}
    // True when the backup of both identities and all items failed.
    bool backUp() {
        return run(clients::kOutlookExpress, ticked({oe.annName, oe.bobName}),
                   ticked(clients::ClientItems(clients::kOutlookExpress)));
    }
    QString folder() const { return QFileInfo(archive()).path(); }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// A process id that is certainly gone: a child that has ended and been reaped.
pid_t deadPid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

testsupport::InspectRun inspect(const QStringList& args) {
    return testsupport::runInspect(QStringList{QStringLiteral("archive")} + args);
}

void put(QByteArray& out, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// One stored entry of one byte whose headers claim `claimed` bytes (a ZIP64 size).
QByteArray zipClaiming(const QByteArray& name, quint64 claimed) {
    const quint32 crcOfX = 0x8CDC1683u; // CRC-32 of "x"
    QByteArray extra;
    put(extra, 1, 2), put(extra, 8, 2), put(extra, claimed, 8);
    QByteArray out;
    put(out, 0x04034b50, 4), put(out, 45, 2), put(out, 0, 2), put(out, 0, 2), put(out, 0, 4);
    put(out, crcOfX, 4), put(out, 1, 4), put(out, 0xFFFFFFFFu, 4);
    put(out, quint64(name.size()), 2), put(out, quint64(extra.size()), 2);
    out += name + extra + "x";
    const qsizetype central = out.size();
    put(out, 0x02014b50, 4), put(out, 45, 2), put(out, 45, 2), put(out, 0, 2), put(out, 0, 2);
    put(out, 0, 4), put(out, crcOfX, 4), put(out, 1, 4), put(out, 0xFFFFFFFFu, 4);
    put(out, quint64(name.size()), 2), put(out, quint64(extra.size()), 2), put(out, 0, 2);
    put(out, 0, 2), put(out, 0, 2), put(out, 0, 4), put(out, 0, 4);
    out += name + extra;
    const qsizetype end = out.size();
    put(out, 0x06054b50, 4), put(out, 0, 4), put(out, 1, 2), put(out, 1, 2);
    put(out, quint64(end - central), 4), put(out, quint64(central), 4), put(out, 0, 2);
    return out;
}

} // namespace

class TestArchiveTrust : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void damagedArchiveFailsAndKeepsThePrevious();
    void fileChangingWhileReadFailsByName();
    void unmakeableTargetFolderIsNamed();
    void stagingFoldersOfKilledRunsAreRemoved();
    void inspectorReadsBackups();
    void inspectorStaysInsideItsFolder();
};

void TestArchiveTrust::initTestCase() {
    SKIP_WITHOUT_TOOLS("7z", "bsdtar");
}

void TestArchiveTrust::damagedArchiveFailsAndKeepsThePrevious() {
    Rig rig;
    QVERIFY(!rig.backUp());
    const QByteArray before = readAll(rig.archive());
    QVERIFY(!before.isEmpty());
    // One byte of the new archive flipped on its way to the disk.
    const support::ScopedEnv corrupt("SQX_FAULT_CORRUPT", "Inbox.dbx");
    QVERIFY(rig.backUp());
    // The text names the archive and the damaged entry in it.
    QVERIFY2(rig.state().BackupErrorText.contains(rig.target) &&
                 rig.state().BackupErrorText.contains(QLatin1String("Inbox.dbx is damaged")) &&
                 rig.state().BackupErrorText.endsWith(QLatin1String(" Error code: 2955")),
             qPrintable(rig.state().BackupErrorText));
    QCOMPARE(readAll(rig.archive()), before);
    QCOMPARE(entriesOf(rig.folder()), QStringList{QStringLiteral("oe.ebk")});
}

void TestArchiveTrust::fileChangingWhileReadFailsByName() {
    Rig rig;
    const QString inbox = rig.oe.annStore + QStringLiteral("\\Inbox.dbx");
    const QString host = rig.prefix.hostPath(inbox);
    {
        QFile f(host);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3 << 20, 'm'));
    }
    // The mail client goes on writing while the backup reads.
    rig.ui.onEvents = [&host] {
        QFile f(host);
        if (f.open(QIODevice::Append)) f.write("new message\n");
    };
    QVERIFY(rig.backUp());
    const QString text = rig.state().BackupErrorText;
    QVERIFY2(text.contains(QStringLiteral("The file %1 changed while it was read").arg(inbox)),
             qPrintable(text));
    QVERIFY(entriesOf(rig.folder()).isEmpty());
}

void TestArchiveTrust::unmakeableTargetFolderIsNamed() {
    // The target's folder is a file: it cannot be made, and the text says which folder.
    Rig rig;
    rig.target = QStringLiteral("C:\\Backups\\taken\\oe.ebk");
    QVERIFY(QDir(rig.folder()).removeRecursively());
    QFile taken(rig.folder());
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    QVERIFY(rig.backUp());
    QCOMPARE(rig.state().BackupErrorText,
             QStringLiteral(" The folder C:\\Backups\\taken\\ does not exist and could not be "
                            "made. Error code: 2952"));
}

void TestArchiveTrust::stagingFoldersOfKilledRunsAreRemoved() {
    QTemporaryDir base;
    const QString dead = QString::number(deadPid());
    const QString alive = QString::number(getppid());
    const QStringList gone{QStringLiteral("postora-%1-aB3xYz").arg(dead)};
    QStringList kept{QStringLiteral("postora-%1-aB3xYz").arg(alive), // its run goes on
                     QStringLiteral("postora-%1-lOcKed").arg(dead),  // its lock is held
                     QStringLiteral("postora-%1-aB3xY").arg(dead),   // not the exact form
                     QStringLiteral("postora-aB3xYz")};              // says no process
    for (const QString& name : gone + kept) {
        QVERIFY(QDir(base.path()).mkpath(name));
        QFile dump(base.filePath(name + QStringLiteral("/accounts.reg")));
        QVERIFY(dump.open(QIODevice::WriteOnly));
    }
    const QString link = QStringLiteral("postora-%1-LiNkEd").arg(dead);
    QVERIFY(QFile::link(base.filePath(kept.front()), base.filePath(link)));
    kept << link;
    const int lockFd = ::open(QFile::encodeName(base.filePath(kept[1])).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(lockFd >= 0);
    auto unlock = qScopeGuard([lockFd] { ::close(lockFd); });
    QCOMPARE(::flock(lockFd, LOCK_EX), 0);
    if (geteuid() == 0) { // another user's folder, as only root can make one
        const QString foreign = QStringLiteral("postora-%1-FoReIg").arg(dead);
        QVERIFY(QDir(base.path()).mkpath(foreign));
        QCOMPARE(::chown(QFile::encodeName(base.filePath(foreign)).constData(), 4242, 4242), 0);
        kept << foreign;
    }
    const testsupport::MiniPrefix prefix; // its own folder is not made in `base`
    const support::ScopedEnv tmp("TMPDIR", QFile::encodeName(base.path()));
    QString own;
    {
        const platform::StagingFolder staging(prefix.files->drives());
        QVERIFY(staging.isValid());
        own = QFileInfo(staging.hostPath()).fileName();
        QVERIFY2(own.startsWith(QStringLiteral("postora-%1-").arg(::getpid())), qPrintable(own));
        QStringList expected = kept;
        expected << own;
        expected.sort();
        QStringList found = entriesOf(base.path());
        found.sort();
        QCOMPARE(found, expected);
        QVERIFY(QFile::exists(base.filePath(kept.front() + QStringLiteral("/accounts.reg"))));
    }
    QVERIFY(!QFile::exists(base.filePath(own)));
}

void TestArchiveTrust::inspectorReadsBackups() {
    Rig rig;
    QVERIFY(!rig.backUp());
    const testsupport::InspectRun listed = inspect({QStringLiteral("list"), rig.archive()});
    QCOMPARE(listed.code, 0);
    for (const QString& name : rig.names())
        QVERIFY2(listed.out.contains(QStringLiteral("  ") + name + u'\n'), qPrintable(name));
    QCOMPARE(inspect({QStringLiteral("test"), rig.archive()}).code, 0);

    const QString to = rig.out.filePath(QStringLiteral("restored"));
    const testsupport::InspectRun extracted =
        inspect({QStringLiteral("extract"), rig.archive(), QStringLiteral("--to"), to});
    QVERIFY2(extracted.code == 0, qPrintable(extracted.err));
    QCOMPARE(readAll(to + QStringLiteral("/infobak.ini")), rig.extracted("infobak.ini"));

    // A damaged entry is named: a byte of its data (behind its local header) flipped.
    QByteArray bytes = readAll(rig.archive());
    const qsizetype header =
        bytes.lastIndexOf(QByteArray("PK\x03\x04", 4), bytes.indexOf("infobak.ini"));
    QVERIFY(header >= 0);
    const auto field = [&](qsizetype at) { return uchar(bytes[at]) | uchar(bytes[at + 1]) << 8; };
    const qsizetype at = header + 30 + field(header + 26) + field(header + 28) + 2;
    bytes[at] = char(bytes[at] ^ 0x5A);
    const QString damaged = rig.out.filePath(QStringLiteral("damaged.ebk"));
    QFile f(damaged);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    const testsupport::InspectRun tested = inspect({QStringLiteral("test"), damaged});
    QCOMPARE(tested.code, 1);
    QVERIFY2(tested.err.contains(QLatin1String("infobak.ini")), qPrintable(tested.err));
}

void TestArchiveTrust::inspectorStaysInsideItsFolder() {
    QTemporaryDir dir;
    const QString tree = dir.filePath(QStringLiteral("tree"));
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/in")));
    for (const char* name : {"in/a.txt", "in/b.txt", "in/c.txt"}) {
        QFile f(tree + u'/' + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(name) > 0);
    }
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), tree + QStringLiteral("/lnk")));
    // "../b.txt", an absolute name and a link, beside one harmless entry.
    const QString hostile = dir.filePath(QStringLiteral("hostile.zip"));
    const QString absolute = dir.filePath(QStringLiteral("abs.txt"));
    const auto made = testsupport::runTool(
        QStringLiteral("bsdtar"),
        {QStringLiteral("--format"), QStringLiteral("zip"), QStringLiteral("-P"),
         QStringLiteral("-s"), QStringLiteral(",^in/b.txt$,../b.txt,"), QStringLiteral("-s"),
         QStringLiteral(",^in/c.txt$,%1,").arg(absolute), QStringLiteral("-cf"), hostile,
         QStringLiteral("-C"), tree, QStringLiteral("in/a.txt"), QStringLiteral("in/b.txt"),
         QStringLiteral("in/c.txt"), QStringLiteral("lnk")});
    QCOMPARE(made.exitCode, 0);
    const QString to = dir.filePath(QStringLiteral("out"));
    const testsupport::InspectRun r =
        inspect({QStringLiteral("extract"), hostile, QStringLiteral("--to"), to});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QLatin1String("refused ../b.txt")) &&
                 r.err.contains(QStringLiteral("refused ") + absolute) &&
                 r.err.contains(QLatin1String("refused lnk")),
             qPrintable(r.err));
    QCOMPARE(entriesOf(to), QStringList{QStringLiteral("in")});
    QCOMPARE(entriesOf(to + QStringLiteral("/in")), QStringList{QStringLiteral("a.txt")});
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("b.txt"))));
    QVERIFY(!QFileInfo::exists(absolute));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("elsewhere"))));

    // An archive that says it holds more than the disk has room for: nothing is written.
    const QString huge = dir.filePath(QStringLiteral("huge.zip"));
    QFile f(huge);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(zipClaiming("big.bin", quint64(1) << 50));
    f.close();
    QCOMPARE(inspect({QStringLiteral("list"), huge}).code, 0);
    const QString hugeTo = dir.filePath(QStringLiteral("hugeout"));
    const testsupport::InspectRun full =
        inspect({QStringLiteral("extract"), huge, QStringLiteral("--to"), hugeTo});
    QCOMPARE(full.code, 1);
    QVERIFY2(full.err.contains(QLatin1String("nothing extracted")), qPrintable(full.err));
    QVERIFY(entriesOf(hugeTo).isEmpty());
}

QTEST_GUILESS_MAIN(TestArchiveTrust)
#include "tst_archivetrust.moc"
