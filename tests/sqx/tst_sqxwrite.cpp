// Writing archives: content and names as independent tools read them, the callback protocol,
// wildcards and folders, and what is left on disk after an abort or a failing sink.

#include "MediaSizes.h"
#include "SqxTestKit.h"

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
        if (!haveTools()) QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
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
        if (!haveTools()) QFAIL("7z is needed: tools/install-deps.sh installs it");
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
        if (!haveTools()) QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
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

QTEST_GUILESS_MAIN(TestSqxWrite)
#include "tst_sqxwrite.moc"
