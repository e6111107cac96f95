// Writing on several threads: entries cut into pieces come out as one archive that every tool
// reads, the same bytes whatever the thread count, and a failure anywhere leaves no archive,
// no temporary file and no thread behind.

#include "SqxTestKit.h"
#include "support/RequireTools.h"

#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>
#include <sys/stat.h>

using namespace sqxtest;

namespace {

int threadsOfThisProcess() {
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Runs with SQX_THREADS and the fixed salt set for this call only.
int32_t addWithThreads(const QString& archive, const QStringList& specs, const SqxOptions& o,
                       int threads, Recorder* rec = nullptr) {
    Recorder plain;
    if (rec == nullptr) rec = &plain;
    if (!rec->answer) // files under their own names, folders' contents at the top
        rec->answer = [](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) setName(r, {});
            return 1;
        };
    qputenv("SQX_THREADS", QByteArray::number(threads));
    qputenv("SQX_FIXED_SALT", "test");
    const int32_t r = addFiles(archive, specs, o, rec);
    qunsetenv("SQX_THREADS");
    qunsetenv("SQX_FIXED_SALT");
    return r;
}

} // namespace

class TestSqxParallel : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString src_;
    QString out_;
    // Stored names (below "src/") of the sample files.
    const QStringList files_{"big.txt",         "random.bin",  "empty.txt",
                             "Ünïcødé €.txt",   "Mail/m1.eml", "Mail/m2.eml",
                             "Mail/Sub/m3.eml", "edge.txt",    "photo.jpg"};

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        src_ = tmp_.path() + "/src";
        // Text of several pieces with one short last piece; incompressible data of several
        // pieces and of one (stored); a file of exactly one piece; small files in folders.
        QVERIFY(writeFile(src_ + "/big.txt", sampleBytes(5 * 1024 * 1024 + 12345, 1, true)));
        QVERIFY(writeFile(src_ + "/random.bin", sampleBytes(3 * 1024 * 1024 + 7, 2, false)));
        QVERIFY(writeFile(src_ + "/empty.txt", QByteArray()));
        QVERIFY(writeFile(src_ + "/Ünïcødé €.txt", sampleBytes(3000, 3, true)));
        QVERIFY(writeFile(src_ + "/Mail/m1.eml", sampleBytes(700, 4, true)));
        QVERIFY(writeFile(src_ + "/Mail/m2.eml", sampleBytes(90000, 5, true)));
        QVERIFY(writeFile(src_ + "/Mail/Sub/m3.eml", sampleBytes(1, 6, true)));
        QVERIFY(writeFile(src_ + "/edge.txt", sampleBytes(1024 * 1024, 7, true)));
        QVERIFY(writeFile(src_ + "/photo.jpg", sampleBytes(600000, 8, false))); // stored, one piece
        QVERIFY(QDir().mkpath(src_ + "/Mail/Empty"));
    }

    void init() {
        out_ = tmp_.path() + "/out-" + QString::fromLatin1(QTest::currentTestFunction()) + "-" +
               QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(out_));
    }

    void everyToolReadsTheSameBytesWhateverTheThreads_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("plain") << QByteArray();
        QTest::newRow("aes") << QByteArray("pässword");
        // Longer than a hash block in UTF-8, so the key is hashed first (7z takes at most 99
        // bytes).
        QTest::newRow("aes, long password") << QString(33, QChar(0x00E4)).toUtf8();
    }

    void everyToolReadsTheSameBytesWhateverTheThreads() {
        QFETCH(QByteArray, password);
        REQUIRE_TOOLS("7z", "bsdtar");
        const QStringList specs{src_};
        QByteArray first;
        std::vector<int> reasons;
        for (const int threads : {1, 2, 8}) {
            const QString archive = out_ + QString("/t%1.ebk").arg(threads);
            Recorder rec;
            QCOMPARE(addWithThreads(archive, specs, options(password), threads, &rec), SQX_OK);
            const QByteArray bytes = readFile(archive);
            std::vector<int> seen;
            for (const auto& c : rec.of(SQX_REASON_NEXT_FILE))
                seen.push_back(c.index);
            if (threads == 1) {
                first = bytes;
                reasons = seen;
                continue;
            }
            QVERIFY2(bytes == first, qPrintable(QString("%1 threads differ").arg(threads)));
            QCOMPARE(seen.size(), reasons.size());
        }
        const QString archive = out_ + "/t1.ebk";
        const ToolRun t = sevenZipTest(archive, password);
        QVERIFY2(t.exitCode == 0, t.output.constData());
        // Extracted by both tools, every file comes back as it was.
        const QString by7z = out_ + "/7z", byBsdtar = out_ + "/bsdtar";
        QVERIFY(QDir().mkpath(byBsdtar));
        const ToolRun x7 =
            runTool("7z", {"x", "-y", "-o" + by7z, "-p" + QString::fromUtf8(password), archive});
        QVERIFY2(x7.exitCode == 0, x7.output.constData());
        QStringList bsdArgs{"-xf", archive, "-C", byBsdtar};
        if (!password.isEmpty()) bsdArgs << "--passphrase" << QString::fromUtf8(password);
        const ToolRun xb = runTool("bsdtar", bsdArgs);
        QVERIFY2(xb.exitCode == 0, xb.output.constData());
        for (const QString& rel : files_) {
            const QByteArray original = readFile(src_ + "/" + rel);
            QVERIFY2(readFile(by7z + "/" + rel) == original, qPrintable("7z: " + rel));
            QVERIFY2(readFile(byBsdtar + "/" + rel) == original, qPrintable("bsdtar: " + rel));
        }
        QVERIFY(QFileInfo(by7z + "/Mail/Empty").isDir());
        if (password.isEmpty()) {
            // A third reader, with its own idea of ZIP: CRCs, sizes and names.
            SKIP_WITHOUT_TOOLS("python3");
            const ToolRun py =
                runTool("python3", {"-c",
                                    "import sys, zipfile\n"
                                    "z = zipfile.ZipFile(sys.argv[1])\n"
                                    "assert z.testzip() is None\n"
                                    "for i in z.infolist():\n"
                                    "    assert i.flag_bits & 0x800 or i.filename.isascii()\n"
                                    "    print(i.filename, i.file_size)\n",
                                    archive});
            QVERIFY2(py.exitCode == 0, py.output.constData());
            QVERIFY(py.output.contains(QString("Ünïcødé €.txt 3000").toUtf8()));
            QVERIFY(py.output.contains("big.txt 5255225"));
        }
    }

    void failuresLeaveNothingBehind_data() {
        QTest::addColumn<QByteArray>("fault"); // NAME=value of the environment, or a callback
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("damaged"); // the end of the entry named as damaged
        QTest::newRow("damaged in memory, piece of several")
            << QByteArray("SQX_FAULT_DAMAGE=big.txt") << int(SQX_E_BAD_DATA) << "big.txt";
        QTest::newRow("damaged in memory, one piece")
            << QByteArray("SQX_FAULT_DAMAGE=m2.eml") << int(SQX_E_BAD_DATA) << "Mail/m2.eml";
        QTest::newRow("damaged on the disk")
            << QByteArray("SQX_FAULT_CORRUPT=big.txt") << int(SQX_E_BAD_DATA) << "big.txt";
        QTest::newRow("shrinks") << QByteArray("shrink") << int(SQX_E_SOURCE_CHANGED) << QString();
        QTest::newRow("grows") << QByteArray("grow") << int(SQX_E_SOURCE_CHANGED) << QString();
        QTest::newRow("disk full")
            << QByteArray("SQX_FAULT_WRITE=ENOSPC@3000000") << int(SQX_E_DISK_FULL) << QString();
        QTest::newRow("worker fails")
            << QByteArray("SQX_FAULT_COMPRESS=big.txt") << int(SQX_E_INTERNAL) << QString();
        QTest::newRow("unreadable")
            << QByteArray("SQX_FAULT_READ=EACCES@m2") << int(SQX_E_ACCESS) << QString();
        QTest::newRow("read error half-way")
            << QByteArray("SQX_FAULT_READ_DATA=EIO@changing") << int(SQX_E_IO) << QString();
        QTest::newRow("abort") << QByteArray("abort") << int(SQX_E_ABORTED) << QString();
    }

    void failuresLeaveNothingBehind() {
        QFETCH(QByteArray, fault);
        QFETCH(int, result);
        QFETCH(QString, damaged);
        const QString changing = out_ + "/in/changing.txt";
        QVERIFY(writeFile(changing, sampleBytes(6 * 1024 * 1024, 9, true)));
        const QString archive = out_ + "/x.ebk";
        QVERIFY(writeFile(archive, "previous backup"));
        Recorder rec;
        int progress = 0;
        rec.answer = [&](SqxCallbackRecord& r) {
            // At the changing file's second report, pieces of it and of the files before it
            // are in the workers' hands.
            if (r.reason == SQX_REASON_PROGRESS && r.entryIndex == 2 && ++progress == 2) {
                if (fault == "shrink") QFile::resize(changing, 2500000);
                if (fault == "grow") QFile::resize(changing, 9000000);
                if (fault == "abort") return 0;
            }
            return 1;
        };
        const int before = threadsOfThisProcess();
        const QList<QByteArray> env = fault.split('=');
        if (env.size() == 2) qputenv(env[0].constData(), env[1]);
        const int32_t r =
            addWithThreads(archive, {src_, changing, src_ + "/Mail"}, options("pw"), 2, &rec);
        if (env.size() == 2) qunsetenv(env[0].constData());
        QCOMPARE(r, result);
        char name[256] = {};
        SqxLastFailedEntry(name, sizeof name);
        const QString named = QString::fromUtf8(name);
        QVERIFY2(damaged.isEmpty() ? named.isEmpty() : named.endsWith("src/" + damaged),
                 qPrintable(named));
        QCOMPARE(readFile(archive), QByteArray("previous backup"));
        QCOMPARE(folderEntries(out_), QStringList({"in", "x.ebk"}));
        // A joined thread may stay listed for a moment while the kernel finishes its exit (here
        // or in the count before).
        QTRY_VERIFY_WITH_TIMEOUT(threadsOfThisProcess() <= before, 5000);
        if (fault == "abort") QCOMPARE(rec.calls.back().reason, int(SQX_REASON_PROGRESS));
    }

    void onlyTheTestsLibraryTakesAFixedSalt() {
        // A fixed salt makes two archives with one password share their keys: the library that
        // is installed draws every salt at random, whatever the environment says. The tests'
        // variant, linked here, takes it, so that runs can be compared byte for byte.
        const QStringList specs{src_ + "/Mail"};
        const SqxOptions o = options("one password");
        const QString seams1 = out_ + "/seams1.ebk", seams2 = out_ + "/seams2.ebk";
        QCOMPARE(addWithThreads(seams1, specs, o, 1), SQX_OK);
        QCOMPARE(addWithThreads(seams2, specs, o, 1), SQX_OK);
        QCOMPARE(readFile(seams1), readFile(seams2));

        void* shipping = dlopen(POSTORA_SHIPPING_BIN_DIR "/libSqx.so", RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(shipping != nullptr, dlerror());
        const auto init =
            reinterpret_cast<decltype(&SqxInitFileList)>(dlsym(shipping, "SqxInitFileList"));
        const auto add =
            reinterpret_cast<decltype(&SqxAddFileList)>(dlsym(shipping, "SqxAddFileList"));
        const auto write = reinterpret_cast<decltype(&SqxAddFiles)>(dlsym(shipping, "SqxAddFiles"));
        const auto done =
            reinterpret_cast<decltype(&SqxDoneFileList)>(dlsym(shipping, "SqxDoneFileList"));
        QVERIFY(init && add && write && done && write != &SqxAddFiles);
        QByteArray written[2];
        for (QByteArray& bytes : written) {
            const QString archive = out_ + "/shipping.ebk";
            void* list = nullptr;
            init(&list);
            add((src_ + "/Mail").toUtf8().constData(), &list);
            qputenv("SQX_FIXED_SALT", "test");
            const int32_t r = write(archive.toUtf8().constData(), &list, &o, nullptr, 0);
            qunsetenv("SQX_FIXED_SALT");
            done(&list);
            QCOMPARE(r, SQX_OK);
            bytes = readFile(archive);
        }
        dlclose(shipping);
        QCOMPARE(written[0].size(), written[1].size());
        QVERIFY(written[0] != written[1]);
    }

    void fileRemovedWhileReadIsStoredWhole() {
        // Its data stays readable through the open file until the last piece is read.
        const QString going = out_ + "/in/going.txt";
        const QByteArray data = sampleBytes(4 * 1024 * 1024, 11, true);
        QVERIFY(writeFile(going, data));
        Recorder rec;
        rec.answer = [&](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE) setName(r, {});
            if (r.reason == SQX_REASON_PROGRESS) QFile::remove(going);
            return 1;
        };
        const QString archive = out_ + "/g.ebk";
        QCOMPARE(addWithThreads(archive, {going}, options(), 2, &rec), SQX_OK);
        SqxOptions o = options();
        std::strcpy(o.tempFolder, (out_ + "/back").toUtf8().constData());
        QCOMPARE(SqxExtractFiles(archive.toUtf8().constData(), nullptr, &o, nullptr, 0), SQX_OK);
        QVERIFY(readFile(out_ + "/back/going.txt") == data);
    }

    void entryOver4GiB_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("plain") << QByteArray();
        QTest::newRow("aes") << QByteArray("pw");
    }

    void entryOver4GiB() {
        QFETCH(QByteArray, password);
        REQUIRE_TOOLS("7z", "bsdtar");
        // Sparse: the holes read as zeros and take no disk. Marks at the start, across the
        // 4 GiB line and at the end catch a size or offset cut to 32 bits.
        const QString huge = out_ + "/in/huge.img";
        QVERIFY(QDir().mkpath(out_ + "/in"));
        const qint64 size = (qint64(1) << 32) + 1024 * 1024 + 17;
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(size));
            for (const qint64 at : {qint64(0), (qint64(1) << 32) - 3, size - 5})
                QVERIFY(f.seek(at) && f.write("MARKS", 5) == 5);
        }
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(huge).constData(), &st), 0);
        if (st.st_blocks * 512 > 64 * 1024 * 1024) {
            QFile::remove(huge);
            QSKIP("this file system keeps no holes: 4 GiB would be written");
        }
        const QString archive = out_ + "/huge.ebk";
        QCOMPARE(addWithThreads(archive, {huge}, options(password), 2), SQX_OK);
        // Extracting checks what a test would (CRC and authentication code), and more.
        const QString pw = QString::fromUtf8(password);
        const QString by7z = "7z x -so -p\"${3:-x}\" \"$1\" | cmp - \"$2\"";
        const QString byBsdtar = password.isEmpty()
                                     ? "bsdtar -xOf \"$1\" | cmp - \"$2\""
                                     : "bsdtar -xOf \"$1\" --passphrase \"$3\" | cmp - \"$2\"";
        for (const QString& command : {by7z, byBsdtar}) {
            const ToolRun x = runTool("sh", {"-c", command, "sh", archive, huge, pw});
            QVERIFY2(x.exitCode == 0, qPrintable(command + ": " + x.output));
        }
        if (password.isEmpty() && !QStandardPaths::findExecutable("python3").isEmpty()) {
            const ToolRun py = runTool("python3", {"-c",
                                                   "import sys, zipfile\n"
                                                   "z = zipfile.ZipFile(sys.argv[1])\n"
                                                   "assert z.testzip() is None\n"
                                                   "print(z.infolist()[0].file_size)\n",
                                                   archive});
            QVERIFY2(py.exitCode == 0, py.output.constData());
            QCOMPARE(py.output.trimmed(), QByteArray::number(size));
        }
        QFile::remove(huge);
    }
};

QTEST_GUILESS_MAIN(TestSqxParallel)
#include "tst_sqxparallel.moc"
