// Writing archives: content and names as independent tools read them, the callback protocol,
// wildcards and folders, and what is left on disk after an abort or a failing sink.

#include "MediaSizes.h"
#include "SqxTestKit.h"
#include "support/RequireTools.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sqxtest;

class TestSqxWrite : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString src_;
    QString out_;

    QString source(const QString& rel) const { return src_ + "/" + rel; }

    // Renames as the program does: drops the source root, puts an archive folder in front.
public:
    // The writer of the kill test: writes ARCHIVE of the SPECs, named below ROOT as the test
    // names them. The exit code says whether it succeeded.
    static int writeAsChild(const QStringList& args) { // ARCHIVE VOLUME-SIZE ROOT SPEC...
        Recorder rec;
        rec.answer = renameUnder(args.at(2), "S");
        const SqxOptions o = options({}, args.at(1).toInt());
        return addFiles(args.at(0), args.mid(3), o, &rec) == SQX_OK ? 0 : 1;
    }

private:
    static std::function<int32_t(SqxCallbackRecord&)> renameUnder(const QString& root,
                                                                  const QByteArray& folder) {
        const QByteArray prefix = root.toUtf8();
        return [prefix, folder](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) {
                QByteArray name(r.name);
                if (name.startsWith(prefix)) name = folder + "\\" + name.mid(prefix.size() + 1);
                setName(r, name);
            }
            return 1;
        };
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        src_ = tmp_.path() + "/src";
        QVERIFY(writeFile(source("a.txt"), sampleBytes(100000, 1, true)));
        QVERIFY(writeFile(source("b.bin"), sampleBytes(3 * 1024 * 1024 + 500000, 2, false)));
        QVERIFY(writeFile(source("empty.txt"), QByteArray()));
        QVERIFY(writeFile(source("Ünïcødé ñame €.txt"), sampleBytes(5000, 3, true)));
        QVERIFY(writeFile(source("Mail/top.txt"), sampleBytes(2000, 4, true)));
        QVERIFY(writeFile(source("Mail/Sub/x.dbx"), sampleBytes(70000, 5, false)));
        QVERIFY(QDir().mkpath(source("Mail/empty")));
    }

    void init() {
        out_ = tmp_.path() + "/out-" + QString::fromLatin1(QTest::currentTestFunction()) + "-" +
               QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(out_));
    }

    void writesWhatToolsRead_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("plain") << QByteArray();
        QTest::newRow("aes") << QByteArray("s3cret pässword");
    }

    void writesWhatToolsRead() {
        QFETCH(QByteArray, password);
        REQUIRE_TOOLS("7z", "bsdtar");
        const QString archive = out_ + "/x.ebk";
        const QStringList specs{source("a.txt"),     source("b.bin"),
                                source("empty.txt"), source("Ünïcødé ñame €.txt"),
                                source("Mail"),      source("missing.txt")};
        Recorder rec;
        rec.answer = renameUnder(src_, "Store");
        QCOMPARE(addFiles(archive, specs, options(password), &rec), SQX_OK);

        // One next-file call per list entry, in order, offering the file specification as given.
        const auto next = rec.of(SQX_REASON_NEXT_FILE);
        QCOMPARE(int(next.size()), specs.size());
        for (int i = 0; i < specs.size(); ++i) {
            QCOMPARE(next[size_t(i)].index, i + 1);
            QCOMPARE(QString::fromUtf8(next[size_t(i)].name), specs[i]);
        }
        QVERIFY(rec.of(SQX_REASON_PASSWORD).empty());

        const QStringList expected{
            "Store/Mail/",       "Store/Mail/Sub/",    "Store/Mail/Sub/x.dbx",
            "Store/Mail/empty/", "Store/Mail/top.txt", "Store/a.txt",
            "Store/b.bin",       "Store/empty.txt",    "Store/Ünïcødé ñame €.txt"};
        QStringList sortedExpected = expected;
        sortedExpected.sort();
        int code = -1;
        QCOMPARE(bsdtarNames(archive, password, &code), sortedExpected);
        QCOMPARE(code, 0);
        const ToolRun t = sevenZipTest(archive, password);
        QVERIFY2(t.exitCode == 0, t.output.constData());
        const Listed listed = listArchive(archive);
        QCOMPARE(listed.result, SQX_OK);
        QCOMPARE(listed.names, sortedExpected);
        for (const auto& row : listed.rows)
            if (row.size > 0) QCOMPARE(row.encrypted, !password.isEmpty());

        if (!password.isEmpty()) {
            QVERIFY(sevenZipTest(archive, "wrong").exitCode != 0);
            const ToolRun slt = runTool("7z", {"l", "-slt", "-p" + password, archive});
            QVERIFY2(slt.output.contains("AES-256"), slt.output.constData());
        }

        // Our own reader agrees, and extracting gives back every byte.
        SqxOptions o = options(password);
        QCOMPARE(SqxTestFiles(archive.toUtf8().constData(), nullptr, &o, nullptr, 0), SQX_OK);
        const QString back = out_ + "/back";
        std::strcpy(o.tempFolder, back.toUtf8().constData());
        QCOMPARE(SqxExtractFiles(archive.toUtf8().constData(), nullptr, &o, nullptr, 0), SQX_OK);
        for (const QString rel : {"a.txt", "b.bin", "empty.txt", "Ünïcødé ñame €.txt",
                                  "Mail/top.txt", "Mail/Sub/x.dbx"})
            QVERIFY2(readFile(back + "/Store/" + rel) == readFile(source(rel)), qPrintable(rel));
        QVERIFY(QFileInfo(back + "/Store/Mail/empty").isDir());
        QCOMPARE(folderEntries(out_), QStringList({"back", "x.ebk"}));
    }

    void nonAsciiNamesAreFlaggedUtf8() {
        const QString archive = out_ + "/u.ebk";
        const locale_t callersLocale = uselocale(locale_t(nullptr));
        QCOMPARE(addFiles(archive, {source("Ünïcødé ñame €.txt")}, options(), nullptr), SQX_OK);
        QCOMPARE(uselocale(locale_t(nullptr)), callersLocale); // the call gives it back
        const QByteArray zip = readFile(archive);
        const QByteArray name = QByteArray(source("Ünïcødé ñame €.txt").toUtf8()).mid(1);
        // Local header: signature, version, flags (bit 11 = UTF-8), ..., name at offset 30.
        QVERIFY(zip.startsWith("PK\x03\x04"));
        const auto flags = quint16(uchar(zip[6]) | uchar(zip[7]) << 8);
        QVERIFY(flags & 0x0800);
        const auto nameLength = quint16(uchar(zip[26]) | uchar(zip[27]) << 8);
        QCOMPARE(zip.mid(30, nameLength), name);
    }

    void incompressibleDataIsStored() {
        REQUIRE_TOOLS("7z", "bsdtar");
        // Random bytes are stored, also when mixed with text past the first sample; text and
        // small files are deflated.
        QByteArray mixed = sampleBytes(600000, 8, false);
        mixed.replace(300000, 100000, sampleBytes(100000, 9, true));
        QVERIFY(writeFile(out_ + "/in/mixed.bin", mixed));
        QVERIFY(writeFile(out_ + "/in/text.txt", sampleBytes(600000, 10, true)));
        QVERIFY(writeFile(out_ + "/in/small.bin", sampleBytes(100000, 11, false)));
        const QString archive = out_ + "/c.ebk";
        QCOMPARE(addFiles(archive, {source("b.bin"), out_ + "/in"}, options("pw"), nullptr),
                 SQX_OK);
        const ToolRun slt = runTool("7z", {"l", "-slt", "-ppw", archive});
        QMap<QString, QString> methods;
        QString path;
        for (const QByteArray& line : slt.output.split('\n')) {
            if (line.startsWith("Path = ")) path = QString::fromUtf8(line.mid(7)).section('/', -1);
            if (line.startsWith("Method = ")) methods[path] = QString::fromUtf8(line.mid(9));
        }
        QCOMPARE(methods.value("b.bin"), QString("AES-256 Store"));
        QCOMPARE(methods.value("mixed.bin"), QString("AES-256 Deflate"));
        QCOMPARE(methods.value("text.txt"), QString("AES-256 Deflate"));
        QCOMPARE(methods.value("small.bin"), QString("AES-256 Deflate"));
        QCOMPARE(sevenZipTest(archive, "pw").exitCode, 0);
    }

    void progressIsReportedPerMebibyteAndAtTheEnd() {
        Recorder rec;
        const QString archive = out_ + "/p.ebk";
        QCOMPARE(addFiles(archive, {source("b.bin"), source("empty.txt"), source("none")},
                          options(), &rec),
                 SQX_OK);
        // Progress between the next-file calls belongs to that entry.
        std::vector<std::vector<int>> perEntry(3);
        int entry = -1;
        for (const auto& c : rec.calls) {
            if (c.reason == SQX_REASON_NEXT_FILE) entry = c.index - 1;
            if (c.reason == SQX_REASON_PROGRESS) perEntry[size_t(entry)].push_back(c.value);
        }
        const auto& big = perEntry[0];
        QVERIFY2(big.size() >= 4, "3.5 MiB need a report at least every MiB");
        QVERIFY(std::is_sorted(big.begin(), big.end()));
        QCOMPARE(big.back(), 100);
        QVERIFY(big.front() < 100);
        QCOMPARE(perEntry[1], std::vector<int>{100});
        QVERIFY(perEntry[2].empty());
    }

    void wildcardsMatchAsWindowsDoes_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("*.dbx") << "*.dbx"
                               << QStringList{"Id/Deleted.dbx/", "Id/Deleted.dbx/m.txt",
                                              "Id/Inbox.dbx", "Id/OUTBOX.DBX"};
        QTest::newRow("*.") << "*." << QStringList{"Id/noext"};
        QTest::newRow("*.*") << "*.*" << QStringList{"Id/.hidden",           "Id/Deleted.dbx/",
                                                     "Id/Deleted.dbx/m.txt", "Id/Inbox.dbx",
                                                     "Id/OUTBOX.DBX",        "Id/noext",
                                                     "Id/notes.txt"};
        QTest::newRow("?nbox.DBX") << "?nbox.DBX" << QStringList{"Id/Inbox.dbx"};
        QTest::newRow("noext.*") << "noext.*" << QStringList{"Id/noext"};
        QTest::newRow("none") << "*.xyz" << QStringList{};
    }

    void wildcardsMatchAsWindowsDoes() {
        QFETCH(QString, mask);
        QFETCH(QStringList, stored);
        const QString dir = tmp_.path() + "/wild";
        for (const QString n :
             {"Inbox.dbx", "OUTBOX.DBX", "notes.txt", "noext", ".hidden", "Deleted.dbx/m.txt"})
            QVERIFY(writeFile(dir + "/" + n, n.toUtf8()));
        Recorder rec;
        rec.answer = renameUnder(dir, "Id");
        const QString archive = out_ + "/w.ebk";
        QCOMPARE(addFiles(archive, {dir + "/" + mask}, options(), &rec), SQX_OK);
        QCOMPARE(int(rec.of(SQX_REASON_NEXT_FILE).size()), 1);
        QCOMPARE(listArchive(archive).names, stored);
    }

    void storedNamesAreNormalised_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("backslashes")
            << QByteArray("\\\\Folder\\\\Sub\\a.txt") << "Folder/Sub/a.txt";
        QTest::newRow("dots") << QByteArray("..\\..\\etc\\.\\passwd") << "etc/passwd";
        QTest::newRow("absolute") << QByteArray("/root//x") << "root/x";
        QTest::newRow("empty") << QByteArray() << "a.txt";
        QTest::newRow("folder") << QByteArray("Folder\\") << "Folder/a.txt";
        QTest::newRow("latin1") << QByteArray("caf\xe9.txt") << "café.txt";
    }

    void storedNamesAreNormalised() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, stored);
        Recorder rec;
        rec.answer = [answer](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) setName(r, answer);
            return 1;
        };
        const QString archive = out_ + "/n.ebk";
        QCOMPARE(addFiles(archive, {source("a.txt")}, options(), &rec), SQX_OK);
        QCOMPARE(listArchive(archive).names, QStringList{stored});
    }

    void maskIntoANamedFolder() {
        const QString dir = tmp_.path() + "/maskdir";
        QVERIFY(writeFile(dir + "/one.dbx", "1"));
        QVERIFY(writeFile(dir + "/two.dbx", "2"));
        Recorder rec;
        rec.answer = [](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) setName(r, "Box\\");
            return 1;
        };
        const QString archive = out_ + "/m.ebk";
        QCOMPARE(addFiles(archive, {dir + "/*.DBX"}, options(), &rec), SQX_OK);
        QCOMPARE(listArchive(archive).names, QStringList({"Box/one.dbx", "Box/two.dbx"}));
    }

    void longSpecificationKeepsItsTail() {
        // Deeper than the 272-byte name field: the callback sees the head and rewrites it; the
        // part that did not fit is kept.
        QString deep = tmp_.path() + "/long";
        for (int i = 0; i < 12; ++i)
            deep += "/folder-with-a-long-name-" + QString::number(i);
        const QString file = deep + "/leaf.txt";
        QVERIFY(file.toUtf8().size() > 300);
        QVERIFY(writeFile(file, "leaf"));
        Recorder rec;
        rec.answer = renameUnder(tmp_.path() + "/long", "Top");
        const QString archive = out_ + "/l.ebk";
        QCOMPARE(addFiles(archive, {file}, options(), &rec), SQX_OK);
        QCOMPARE(rec.calls.front().name.size(), 271);
        QCOMPARE(listArchive(archive).names,
                 QStringList{"Top/" + file.mid(tmp_.path().size() + 6)});
    }

    void specialFilesAndLinksDoNotHang() {
        const QString dir = tmp_.path() + "/special";
        QVERIFY(writeFile(dir + "/real.txt", "real"));
        QVERIFY(mkfifo(QFile::encodeName(dir + "/pipe").constData(), 0600) == 0);
        QVERIFY(QFile::link(dir, dir + "/loop"));
        QVERIFY(QFile::link(dir + "/real.txt", dir + "/alias.txt"));
        Recorder rec;
        rec.answer = renameUnder(tmp_.path(), "S");
        const QString archive = out_ + "/s.ebk";
        QCOMPARE(addFiles(archive, {dir, dir + "/pipe"}, options(), &rec), SQX_OK);
        QCOMPARE(listArchive(archive).names,
                 QStringList({"S/special/", "S/special/alias.txt", "S/special/real.txt"}));
    }

    void filesThatChangeSizeFailTheCall_data() {
        QTest::addColumn<qint64>("newSize"); // what the file becomes after its first MiB is read
        QTest::newRow("shrinks") << qint64(1500000);
        QTest::newRow("grows") << qint64(5000000);
    }

    void filesThatChangeSizeFailTheCall() {
        // A copy that is neither the old nor the new file is no backup: the call fails with a
        // code of its own at that file's list entry, and the previous archive stays.
        QFETCH(qint64, newSize);
        const QString changing = out_ + "/changing.bin";
        QVERIFY(writeFile(changing, sampleBytes(3500000, 6, false)));
        const QString archive = out_ + "/x.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        Recorder rec;
        rec.answer = [&](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_PROGRESS && r.entryIndex == 2 &&
                QFileInfo(changing).size() != newSize)
                QFile::resize(changing, newSize);
            return 1;
        };
        QCOMPARE(
            addFiles(archive, {source("a.txt"), changing, source("Mail")}, options("pw"), &rec),
            SQX_E_SOURCE_CHANGED);
        QCOMPARE(rec.of(SQX_REASON_NEXT_FILE).back().index, 2);
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
        QCOMPARE(folderEntries(out_), QStringList({"changing.bin", "x.ebk"}));

        // A kernel file that says 0 bytes and holds more is such a file too.
        if (QFileInfo("/proc/version").size() == 0 && !readFile("/proc/version").isEmpty())
            QCOMPARE(addFiles(archive, {"/proc/version"}, options(), nullptr),
                     SQX_E_SOURCE_CHANGED);
    }

    void damageFoundAfterWritingKeepsThePreviousArchive_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("volumeSize");
        QTest::addColumn<QByteArray>("damaged"); // the stored name of the damaged entry
        QTest::newRow("stored") << QByteArray() << 0 << QByteArray("b.bin");
        QTest::newRow("deflated") << QByteArray() << 0 << QByteArray("a.txt");
        QTest::newRow("aes") << QByteArray("pw") << 0 << QByteArray("x.dbx");
        QTest::newRow("aes volumes") << QByteArray("pw") << 1357664 << QByteArray("b.bin");
    }

    void damageFoundAfterWritingKeepsThePreviousArchive() {
        // The fault seam flips one byte of the finished archive before it is read back.
        QFETCH(QByteArray, password);
        QFETCH(int, volumeSize);
        QFETCH(QByteArray, damaged);
        const QString archive = out_ + "/x.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        const QStringList specs{source("a.txt"), source("b.bin"), source("Mail")};
        qputenv("SQX_FAULT_CORRUPT", damaged);
        const int32_t r = addFiles(archive, specs, options(password, volumeSize), nullptr);
        qunsetenv("SQX_FAULT_CORRUPT");
        QCOMPARE(r, SQX_E_BAD_DATA);
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
        QCOMPARE(folderEntries(out_), QStringList{"x.ebk"});
        // The same call without the fault is checked and kept.
        QCOMPARE(addFiles(archive, specs, options(password, volumeSize), nullptr), SQX_OK);
    }

    void archivesAreReadableByTheOwnerOnly() {
        // Whatever the umask: the temporary file, the archive and every volume are 0600.
        const mode_t old = umask(0);
        QList<mode_t> tempModes;
        Recorder rec;
        rec.answer = [&](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_PROGRESS)
                for (const QString& name : folderEntries(out_))
                    if (name.contains(".sqxtmp-")) {
                        struct stat st {};
                        if (stat(QFile::encodeName(out_ + "/" + name).constData(), &st) == 0)
                            tempModes << (st.st_mode & 07777);
                    }
            return 1;
        };
        const int32_t single = addFiles(out_ + "/one.ebk", {source("a.txt")}, options("pw"), &rec);
        const int32_t split =
            addFiles(out_ + "/set.ebk", {source("b.bin")}, options({}, 1357664), &rec);
        umask(old);
        QCOMPARE(single, SQX_OK);
        QCOMPARE(split, SQX_OK);
        QVERIFY(!tempModes.isEmpty());
        for (const mode_t m : tempModes)
            QCOMPARE(int(m), 0600);
        const QStringList written = folderEntries(out_);
        QCOMPARE(written, QStringList({"one.ebk", "set.ebk.001", "set.ebk.002", "set.ebk.003"}));
        for (const QString& name : written) {
            struct stat st {};
            QCOMPARE(stat(QFile::encodeName(out_ + "/" + name).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 07777), 0600);
        }
    }

    void leftoversOfKilledRunsAreRemoved() {
        // Only what is provably a leftover of this user goes: the exact name, a regular file
        // of ours, its process gone and its lock free.
        const pid_t dead = fork();
        if (dead == 0) _exit(0);
        QVERIFY(dead > 0);
        waitpid(dead, nullptr, 0);
        const QString d = QString::number(dead);
        const QString alive = QString::number(getppid());
        const QStringList gone{"x.ebk.sqxtmp-" + d + "-0123456789",
                               "x.ebk.sqxtmp-" + d + "-0123456789.002",
                               "old.ebk.sqxtmp-" + d + "-abcdefghij.003"}; // its first is gone
        QStringList kept{"x.ebk.sqxtmp-" + alive + "-0123456789",          // its writer runs
                         "x.ebk.sqxtmp-" + d + "-locked0000",              // its lock is held
                         "x.ebk.sqxtmp-" + d + "-012345678",               // not the exact form
                         "x.ebk.sqxtmp-0123456789",                        // says no process
                         "x.ebk.sqxtmp-" + d + "-Abcdefghij"};
        for (const QString& name : gone + kept)
            QVERIFY(writeFile(out_ + "/" + name, "partial"));
        QVERIFY(QFile::link(out_ + "/x.ebk.sqxtmp-" + alive + "-0123456789",
                            out_ + "/x.ebk.sqxtmp-" + d + "-linklinkli"));
        kept << "x.ebk.sqxtmp-" + d + "-linklinkli";
        QFile locked(out_ + "/x.ebk.sqxtmp-" + d + "-locked0000");
        QVERIFY(locked.open(QIODevice::ReadOnly));
        QCOMPARE(flock(locked.handle(), LOCK_EX), 0);
        if (geteuid() == 0) { // another user's file, as only root can make one
            const QString foreign = "x.ebk.sqxtmp-" + d + "-foreign000";
            QVERIFY(writeFile(out_ + "/" + foreign, "partial"));
            QCOMPARE(chown(QFile::encodeName(out_ + "/" + foreign).constData(), 4242, 4242), 0);
            kept << foreign;
        }
        QCOMPARE(addFiles(out_ + "/new.ebk", {source("a.txt")}, options(), nullptr), SQX_OK);
        QStringList expected = kept;
        expected << "new.ebk";
        expected.sort();
        QCOMPARE(folderEntries(out_), expected);
    }

    void emptyListWritesAnEmptyArchive() {
        const QString archive = out_ + "/e.ebk";
        QCOMPARE(addFiles(archive, {}, options("pw"), nullptr), SQX_OK);
        const Listed listed = listArchive(archive);
        QCOMPARE(listed.result, SQX_OK);
        QVERIFY(listed.names.isEmpty());
        if (haveTools()) QCOMPARE(sevenZipTest(archive, "pw").exitCode, 0);
    }

    void abortLeavesThePreviousArchive_data() {
        QTest::addColumn<int>("stopReason");
        QTest::addColumn<int>("stopAt"); // how many calls of that reason are answered 1 first
        QTest::addColumn<int>("volumeSize");
        QTest::newRow("next file") << int(SQX_REASON_NEXT_FILE) << 1 << 0;
        QTest::newRow("progress") << int(SQX_REASON_PROGRESS) << 1 << 0;
        QTest::newRow("volume prompt") << int(SQX_REASON_NEXT_VOLUME) << 1 << 1357664;
    }

    void abortLeavesThePreviousArchive() {
        QFETCH(int, stopReason);
        QFETCH(int, stopAt);
        QFETCH(int, volumeSize);
        const QString archive = out_ + "/x.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        Recorder rec;
        int seen = 0;
        rec.answer = [&](SqxCallbackRecord& r) {
            return r.reason == stopReason && seen++ >= stopAt ? 0 : 1;
        };
        QCOMPARE(addFiles(archive, {source("a.txt"), source("b.bin"), source("Mail")},
                          options({}, volumeSize), &rec),
                 SQX_E_ABORTED);
        // Stopped at once: the stopping call was the last one.
        QCOMPARE(rec.calls.back().reason, stopReason);
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
        QCOMPARE(folderEntries(out_), QStringList{"x.ebk"});
    }

    void failingSinkMapsToCodes_data() {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("disk full")
            << QByteArray("SQX_FAULT_WRITE") << QByteArray("ENOSPC@200000") << 101;
        QTest::newRow("quota") << QByteArray("SQX_FAULT_WRITE") << QByteArray("EDQUOT@0") << 101;
        QTest::newRow("read-only fs")
            << QByteArray("SQX_FAULT_WRITE") << QByteArray("EROFS@0") << 150;
        QTest::newRow("denied") << QByteArray("SQX_FAULT_WRITE") << QByteArray("EACCES@3000") << 5;
        QTest::newRow("io") << QByteArray("SQX_FAULT_WRITE") << QByteArray("EIO@100")
                            << int(SQX_E_IO);
        QTest::newRow("create ro") << QByteArray("SQX_FAULT_OPEN") << QByteArray("EROFS") << 150;
        QTest::newRow("create denied") << QByteArray("SQX_FAULT_OPEN") << QByteArray("EACCES") << 5;
        QTest::newRow("unreadable source")
            << QByteArray("SQX_FAULT_READ") << QByteArray("EACCES@x.dbx") << 5;
        QTest::newRow("volume full")
            << QByteArray("SQX_FAULT_WRITE") << QByteArray("ENOSPC@2000000") << 101;
    }

    void failingSinkMapsToCodes() {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, value);
        QFETCH(int, result);
        const QString archive = out_ + "/x.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        qputenv(variable.constData(), value);
        const int32_t r = addFiles(archive, {source("a.txt"), source("b.bin"), source("Mail")},
                                   options("pw", 1357664), nullptr);
        qunsetenv(variable.constData());
        QCOMPARE(r, result);
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
        QCOMPARE(folderEntries(out_), QStringList{"x.ebk"});
    }

    void realPermissionErrors() {
        if (geteuid() == 0) QSKIP("root reads and writes regardless of permissions");
        const QString ro = out_ + "/ro";
        QVERIFY(QDir().mkpath(ro));
        QVERIFY(chmod(QFile::encodeName(ro).constData(), 0555) == 0);
        QCOMPARE(addFiles(ro + "/x.ebk", {source("a.txt")}, options(), nullptr), SQX_E_ACCESS);
        chmod(QFile::encodeName(ro).constData(), 0755);
        const QString secret = out_ + "/secret.txt";
        QVERIFY(writeFile(secret, "secret"));
        QVERIFY(chmod(QFile::encodeName(secret).constData(), 0) == 0);
        QCOMPARE(addFiles(out_ + "/y.ebk", {source("a.txt"), secret}, options(), nullptr),
                 SQX_E_ACCESS);
        QVERIFY(!QFile::exists(out_ + "/y.ebk"));
    }

    void missingTargetFolder() {
        QCOMPARE(addFiles(out_ + "/no/such/x.ebk", {source("a.txt")}, options(), nullptr),
                 SQX_E_NOT_FOUND);
        QVERIFY(folderEntries(out_).isEmpty());
    }

    void volumesJoinIntoOneArchive_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("plain") << QByteArray();
        QTest::newRow("aes") << QByteArray("pw");
    }

    void volumesJoinIntoOneArchive() {
        QFETCH(QByteArray, password);
        REQUIRE_TOOLS("7z", "bsdtar");
        const QString archive = out_ + "/v.ebk";
        // Leftovers of an older, longer set and a plain archive of the same name.
        QVERIFY(writeFile(archive, "old plain"));
        QVERIFY(writeFile(archive + ".004", "old volume"));
        Recorder rec;
        QCOMPARE(
            addFiles(archive, {source("b.bin"), source("a.txt")}, options(password, 1357664), &rec),
            SQX_OK);
        QCOMPARE(folderEntries(out_), QStringList({"v.ebk.001", "v.ebk.002", "v.ebk.003"}));
        QCOMPARE(QFileInfo(archive + ".001").size(), 1357664);
        QCOMPARE(QFileInfo(archive + ".002").size(), 1357664);
        QVERIFY(QFileInfo(archive + ".003").size() <= 1357664);

        const auto prompts = rec.of(SQX_REASON_NEXT_VOLUME);
        QCOMPARE(int(prompts.size()), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(prompts[size_t(i)].disk, i + 2);
            QCOMPARE(prompts[size_t(i)].value, 1357664);
            QCOMPARE(QString::fromUtf8(prompts[size_t(i)].path), out_ + "/");
            QVERIFY(prompts[size_t(i)].media == 2 || prompts[size_t(i)].media == 3 ||
                    prompts[size_t(i)].media == 5);
        }

        const QString joined = out_ + "/joined.zip";
        QByteArray all;
        for (const QString ext : {".001", ".002", ".003"})
            all += readFile(archive + ext);
        QVERIFY(writeFile(joined, all));
        QCOMPARE(sevenZipTest(joined, password).exitCode, 0);
        const ToolRun split = sevenZipTest(archive + ".001", password);
        QVERIFY2(split.exitCode == 0, split.output.constData());
        SqxOptions o = options(password);
        QCOMPARE(SqxTestFiles((archive + ".001").toUtf8().constData(), nullptr, &o, nullptr, 0),
                 SQX_OK);
        QCOMPARE(SqxTestFiles(joined.toUtf8().constData(), nullptr, &o, nullptr, 0), SQX_OK);

        // A later archive that fits one volume keeps the plain name and replaces the set.
        QVERIFY(QFile::remove(joined));
        QCOMPARE(addFiles(archive, {source("a.txt")}, options(password, 1357664), nullptr), SQX_OK);
        QCOMPARE(folderEntries(out_), QStringList{"v.ebk"});
    }

    void volumeSetIsReplacedAsOneWhereverTheWriterStops_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("beforeVolumes"); // 0: one file
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("afterVolumes");
        // b.bin makes three volumes of the small size, two of the large one.
        const int small = 1357664, large = 2000000;
        QTest::newRow("set over a longer set")
            << QStringList{"b.bin", "Mail"} << small << QStringList{"b.bin"} << large;
        QTest::newRow("set over a shorter set")
            << QStringList{"b.bin"} << large << QStringList{"b.bin", "Mail"} << small;
        QTest::newRow("set over one file")
            << QStringList{"a.txt"} << 0 << QStringList{"b.bin"} << small;
        QTest::newRow("one file over a set")
            << QStringList{"b.bin"} << small << QStringList{"a.txt"} << small;
        QTest::newRow("one file over one file")
            << QStringList{"b.bin"} << 0 << QStringList{"a.txt"} << 0;
    }

    void volumeSetIsReplacedAsOneWhereverTheWriterStops() {
        // The writer is killed before each step of putting its archive in place, until it gets
        // through: every time one whole set (old or new) is readable under one name, and the
        // next run in the folder leaves exactly one archive of that name, the new one once the
        // set was complete.
        QFETCH(QStringList, before);
        QFETCH(int, beforeVolumes);
        QFETCH(QStringList, after);
        QFETCH(int, afterVolumes);
        REQUIRE_TOOLS("7z", "bsdtar");
        const auto specs = [this](const QStringList& names) {
            QStringList out;
            for (const QString& n : names)
                out << source(n);
            return out;
        };
        const auto namesOf = [&](const QStringList& names) {
            const QString folder = out_ + "/names";
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            Recorder rec;
            rec.answer = renameUnder(src_, "S");
            addFiles(folder + "/x.ebk", specs(names), options(), &rec);
            return listArchive(folder + "/x.ebk").names;
        };
        const QStringList oldNames = namesOf(before);
        const QStringList newNames = namesOf(after);
        QVERIFY(oldNames != newNames && !oldNames.isEmpty());
        // Which whole sets a folder holds: the names in each one that reads.
        const auto wholeSets = [](const QString& folder) {
            QList<QStringList> sets;
            for (const QString& name : folderEntries(folder)) {
                const bool first = name.endsWith(".001") ||
                                   !QRegularExpression("\\.\\d{3}$").match(name).hasMatch();
                if (!first || name.contains(".sqxswitch-")) continue;
                const QString path = folder + "/" + name;
                if (sevenZipTest(path, {}).exitCode != 0) continue;
                if (SqxTestFiles(path.toUtf8().constData(), nullptr, nullptr, nullptr, 0) != SQX_OK)
                    continue;
                sets << listArchive(path).names;
            }
            return sets;
        };
        bool finished = false;
        int kills = 0;
        for (int step = 1; step < 60 && !finished; ++step) {
            const QString folder = out_ + "/step" + QString::number(step);
            QVERIFY(QDir().mkpath(folder));
            const QString archive = folder + "/x.ebk";
            Recorder rec;
            rec.answer = renameUnder(src_, "S");
            QCOMPARE(addFiles(archive, specs(before), options({}, beforeVolumes), &rec), SQX_OK);
            // The writer is a process of its own, started afresh: a forked copy of this one,
            // which has threads, may not start threads of its own.
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("SQX_FAULT_KILL_AT", QString::number(step));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(
                QCoreApplication::applicationFilePath(),
                QStringList{"--write-as-child", archive, QString::number(afterVolumes), src_} +
                    specs(after));
            QVERIFY(child.waitForFinished(120000));
            finished = child.exitStatus() == QProcess::NormalExit;
            if (finished)
                QCOMPARE(child.exitCode(), 0);
            else
                ++kills;
            const QList<QStringList> sets = wholeSets(folder);
            QVERIFY2(sets.contains(oldNames) || sets.contains(newNames),
                     qPrintable(QString("killed before step %1: %2")
                                    .arg(step)
                                    .arg(folderEntries(folder).join(' '))));

            // The next run, of another archive in the folder, cleans up.
            QCOMPARE(addFiles(folder + "/other.ebk", {source("a.txt")}, options(), nullptr),
                     SQX_OK);
            QVERIFY(QFile::remove(folder + "/other.ebk"));
            const QStringList left = folderEntries(folder);
            for (const QString& name : left)
                QVERIFY2(name == "x.ebk" ||
                             QRegularExpression("^x\\.ebk\\.\\d{3}$").match(name).hasMatch(),
                         qPrintable(QString("before step %1: %2").arg(step).arg(left.join(' '))));
            const QList<QStringList> kept = wholeSets(folder);
            QCOMPARE(kept.size(), 1);
            // Only a kill before the switch began keeps the older archive.
            QCOMPARE(kept.front(), step == 1 && !finished ? oldNames : newNames);
        }
        QVERIFY(finished);
        // One file over one file is one rename; a switch has many steps.
        QVERIFY(kills >= (beforeVolumes == 0 && afterVolumes == 0 ? 1 : 5));
    }

    void linksLeadingOutOfTheFolderAreLeftOutAndNamed_data() {
        QTest::addColumn<bool>("mask");
        QTest::newRow("folder") << false;
        QTest::newRow("mask") << true;
    }

    void linksLeadingOutOfTheFolderAreLeftOutAndNamed() {
        // A link to a file in the same folder is stored as that file; one that leads out of
        // the folder (a file or a folder elsewhere) is not, and the caller learns which.
        QFETCH(bool, mask);
        const QString dir = out_ + "/In.fol";
        QVERIFY(writeFile(dir + "/real.mbx", "real"));
        QVERIFY(writeFile(out_ + "/secret.txt", "not mail"));
        QVERIFY(QFile::link(dir + "/real.mbx", dir + "/inside.mbx"));
        QVERIFY(QFile::link(out_ + "/secret.txt", dir + "/outside.mbx"));
        QVERIFY(QFile::link(src_, dir + "/elsewhere.mbx"));
        for (const int32_t reply : {int32_t(SQX_ANSWER_GO_ON), int32_t(SQX_ANSWER_REPLACE)}) {
            const QString archive = out_ + "/links" + QString::number(reply) + ".ebk";
            Recorder rec;
            rec.answer = [&](SqxCallbackRecord& r) {
                if (r.reason == SQX_REASON_NEXT_FILE) setName(r, "M\\");
                return r.reason == SQX_REASON_LEFT_OUT ? reply : 1;
            };
            void* list = nullptr;
            SqxInitFileList(&list);
            SqxAddFileList((mask ? dir + "/*.mbx" : dir).toUtf8().constData(), &list);
            const SqxOptions o = options();
            const int32_t r = SqxAddFiles(archive.toUtf8().constData(), &list, &o,
                                          &Recorder::callback, rec.user());
            QStringList leftOut;
            char path[4096];
            for (int32_t i = 0; SqxLeftOutFile(&list, i, path, sizeof path) >= 0; ++i)
                leftOut << QString::fromUtf8(path);
            SqxDoneFileList(&list);
            leftOut.sort();
            QCOMPARE(leftOut, QStringList({dir + "/elsewhere.mbx", dir + "/outside.mbx"}));
            QStringList told;
            for (const Call& c : rec.of(SQX_REASON_LEFT_OUT))
                told << QString::fromUtf8(c.path);
            told.sort();
            QCOMPARE(told, leftOut);
            if (reply == SQX_ANSWER_REPLACE) { // fail rather than keep an archive without them
                QCOMPARE(r, SQX_E_LEFT_OUT);
                QVERIFY(!QFile::exists(archive));
                continue;
            }
            QCOMPARE(r, SQX_OK);
            QStringList stored = listArchive(archive).names;
            stored.removeAll("M/");
            QCOMPARE(stored, QStringList({"M/inside.mbx", "M/real.mbx"}));
        }
        // The caller may name a wider root for the entry's links: inside it they are followed.
        Recorder rec;
        rec.answer = [&](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) {
                setName(r, "M\\");
                std::strcpy(r.path, out_.toUtf8().constData());
            }
            return r.reason == SQX_REASON_LEFT_OUT ? int32_t(SQX_ANSWER_REPLACE) : 1;
        };
        const QString wide = out_ + "/wide.ebk";
        QCOMPARE(addFiles(wide, {mask ? dir + "/*.mbx" : dir}, options(), &rec), SQX_E_LEFT_OUT);
        QCOMPARE(int(rec.of(SQX_REASON_LEFT_OUT).size()), 1);
        QCOMPARE(QString::fromUtf8(rec.of(SQX_REASON_LEFT_OUT).front().path),
                 dir + "/elsewhere.mbx");
    }

    void unreadableSourcesAreNamed_data() {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("named");
        QTest::newRow("file") << QByteArray("SQX_FAULT_READ") << QByteArray("EACCES@x.dbx")
                              << "Mail/Sub/x.dbx";
        QTest::newRow("folder below the top")
            << QByteArray("SQX_FAULT_LIST") << QByteArray("EACCES@/Mail/Sub") << "Mail/Sub";
    }

    void unreadableSourcesAreNamed() {
        // What cannot be read fails the call and is named, also far below the list entry.
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, value);
        QFETCH(QString, named);
        const QString archive = out_ + "/u.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        qputenv(variable.constData(), value);
        void* list = nullptr;
        SqxInitFileList(&list);
        SqxAddFileList(source("Mail").toUtf8().constData(), &list);
        const SqxOptions o = options();
        const int32_t r = SqxAddFiles(archive.toUtf8().constData(), &list, &o, nullptr, 0);
        qunsetenv(variable.constData());
        char path[4096] = {};
        const int32_t length = SqxFailedSource(&list, path, sizeof path);
        SqxDoneFileList(&list);
        QCOMPARE(r, SQX_E_ACCESS);
        QCOMPARE(QString::fromUtf8(path), source(named));
        QCOMPARE(length, int32_t(source(named).toUtf8().size()));
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
    }

    void mediaCodeGivesTheVolumeSize() {
        // A Zip 100 disk's volume: a little more incompressible data makes two volumes.
        const qint64 slice = qint64(sqx::mediaVolumeBytes(sqx::kMediaZip100));
        const QString big = tmp_.path() + "/big.bin";
        QVERIFY(writeFile(big, sampleBytes(slice + 300000, 9, false)));
        Recorder rec;
        const QString archive = out_ + "/m.ebk";
        QCOMPARE(addFiles(archive, {big}, options({}, sqx::kMediaZip100), &rec), SQX_OK);
        QFile::remove(big);
        QCOMPARE(QFileInfo(archive + ".001").size(), slice);
        QVERIFY(QFileInfo(archive + ".002").size() > 0);
        QCOMPARE(int(rec.of(SQX_REASON_NEXT_VOLUME).size()), 1);
        QCOMPARE(qint64(rec.of(SQX_REASON_NEXT_VOLUME).front().value), slice);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 5 && args.at(1) == "--write-as-child")
        return TestSqxWrite::writeAsChild(args.mid(2));
    TestSqxWrite test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sqxwrite.moc"
