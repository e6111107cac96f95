// Reading archives back: passwords, damaged and hostile archives, extraction choices, and the
// argument checks of every entry point.

#include "SqxTestKit.h"
#include "support/RequireTools.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace sqxtest;

namespace {

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}
void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

// A minimal stored ZIP with the names exactly as given, as another program might write it.
QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>>& entries, quint16 flags) {
    QByteArray out;
    QByteArray central;
    for (const auto& [name, data] : entries) {
        const auto offset = quint32(out.size());
        const quint32 crc = crc32(data);
        put32(out, 0x04034b50), put16(out, 20), put16(out, flags), put16(out, 0);
        put32(out, 0), put32(out, crc), put32(out, quint32(data.size()));
        put32(out, quint32(data.size())), put16(out, quint16(name.size())), put16(out, 0);
        out += name;
        out += data;
        put32(central, 0x02014b50), put16(central, 20), put16(central, 20);
        put16(central, flags), put16(central, 0), put32(central, 0), put32(central, crc);
        put32(central, quint32(data.size())), put32(central, quint32(data.size()));
        put16(central, quint16(name.size())), put16(central, 0), put16(central, 0);
        put16(central, 0), put16(central, 0), put32(central, 0), put32(central, offset);
        central += name;
    }
    const auto centralOffset = quint32(out.size());
    out += central;
    put32(out, 0x06054b50), put16(out, 0), put16(out, 0);
    put16(out, quint16(entries.size())), put16(out, quint16(entries.size()));
    put32(out, quint32(central.size())), put32(out, centralOffset), put16(out, 0);
    return out;
}

const std::set<int32_t> kReadFailures{SQX_E_BAD_ARCHIVE, SQX_E_BAD_DATA, SQX_E_BAD_PASSWORD,
                                      SQX_E_PASSWORD_NEEDED, SQX_E_IO};

} // namespace

class TestSqxRead : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString src_;
    QString plain_;
    QString encrypted_;
    QString out_;

    int32_t test(const QString& archive, const QByteArray& password, Recorder* rec = nullptr) {
        const SqxOptions o = options(password);
        return SqxTestFiles(archive.toUtf8().constData(), nullptr, &o,
                            rec ? &Recorder::callback : nullptr, rec ? rec->user() : 0);
    }

    int32_t extract(const QString& archive, const QByteArray& password, const QString& folder,
                    Recorder* rec = nullptr, const QStringList& masks = {}) {
        SqxOptions o = options(password);
        std::strcpy(o.tempFolder, folder.toUtf8().constData());
        void* list = nullptr;
        SqxInitFileList(&list);
        for (const auto& m : masks)
            SqxAddFileList(m.toUtf8().constData(), &list);
        const int32_t r =
            SqxExtractFiles(archive.toUtf8().constData(), &list, &o,
                            rec ? &Recorder::callback : nullptr, rec ? rec->user() : 0);
        SqxDoneFileList(&list);
        return r;
    }

    // Every file below `folder`, relative.
    static QStringList filesBelow(const QString& folder) {
        QStringList out;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(folder).relativeFilePath(it.next());
        out.sort();
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        src_ = tmp_.path() + "/src";
        QVERIFY(writeFile(src_ + "/a.txt", sampleBytes(20000, 1, true)));
        QVERIFY(writeFile(src_ + "/big.bin", sampleBytes(300000, 2, false)));
        QVERIFY(writeFile(src_ + "/Mail/in.dbx", sampleBytes(40000, 3, true)));
        QVERIFY(writeFile(src_ + "/Mail/empty.dbx", {}));
        Recorder rename;
        rename.answer = [this](SqxCallbackRecord& r) {
            if (r.reason == SQX_REASON_NEXT_FILE)
                setName(r, "Store\\" + QByteArray(r.name).mid(src_.toUtf8().size() + 1));
            return 1;
        };
        const QStringList specs{src_ + "/a.txt", src_ + "/big.bin", src_ + "/Mail"};
        plain_ = tmp_.path() + "/plain.ebk";
        encrypted_ = tmp_.path() + "/encrypted.ebk";
        QCOMPARE(addFiles(plain_, specs, options(), &rename), SQX_OK);
        QCOMPARE(addFiles(encrypted_, specs, options("right"), &rename), SQX_OK);
    }

    void init() {
        out_ = tmp_.path() + "/out-" + QString::fromLatin1(QTest::currentTestFunction()) + "-" +
               QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(out_));
    }

    void testReportsEveryEntry() {
        Recorder rec;
        QCOMPARE(test(plain_, {}, &rec), SQX_OK);
        QStringList names;
        for (const auto& c : rec.of(SQX_REASON_NEXT_FILE))
            names << QString::fromUtf8(c.name);
        names.sort();
        QCOMPARE(names, QStringList({"Store/Mail/", "Store/Mail/empty.dbx", "Store/Mail/in.dbx",
                                     "Store/a.txt", "Store/big.bin"}));
        QCOMPARE(rec.of(SQX_REASON_PROGRESS).back().value, 100);
    }

    void passwords_data() {
        QTest::addColumn<QByteArray>("inOptions");
        QTest::addColumn<QByteArray>("answered"); // "STOP" answers 0
        QTest::addColumn<bool>("withCallback");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("asked");
        QTest::newRow("options right") << QByteArray("right") << QByteArray() << true << 0 << 0;
        QTest::newRow("options wrong")
            << QByteArray("wrong") << QByteArray("right") << true << int(SQX_E_BAD_PASSWORD) << 0;
        QTest::newRow("none, no callback")
            << QByteArray() << QByteArray() << false << int(SQX_E_PASSWORD_NEEDED) << 0;
        QTest::newRow("asked right") << QByteArray() << QByteArray("right") << true << 0 << 1;
        QTest::newRow("asked wrong")
            << QByteArray() << QByteArray("wrong") << true << int(SQX_E_BAD_PASSWORD) << 1;
        QTest::newRow("asked empty")
            << QByteArray() << QByteArray() << true << int(SQX_E_PASSWORD_NEEDED) << 1;
        QTest::newRow("asked, stopped")
            << QByteArray() << QByteArray("STOP") << true << int(SQX_E_ABORTED) << 1;
    }

    void passwords() {
        QFETCH(QByteArray, inOptions);
        QFETCH(QByteArray, answered);
        QFETCH(bool, withCallback);
        QFETCH(int, result);
        QFETCH(int, asked);
        for (const bool extracting : {false, true}) {
            Recorder rec;
            rec.answer = [answered](SqxCallbackRecord& r) {
                if (r.reason != SQX_REASON_PASSWORD) return 1;
                if (answered == "STOP") return 0;
                std::memcpy(r.path, answered.constData(), size_t(answered.size()) + 1);
                return 1;
            };
            Recorder* used = withCallback ? &rec : nullptr;
            const QString folder = out_ + (extracting ? "/x" : "/t");
            const int32_t r = extracting ? extract(encrypted_, inOptions, folder, used)
                                         : test(encrypted_, inOptions, used);
            QCOMPARE(r, result);
            QCOMPARE(int(rec.of(SQX_REASON_PASSWORD).size()), asked);
            if (extracting && result != SQX_OK)
                for (const auto& f : filesBelow(folder))
                    QVERIFY2(f.endsWith("empty.dbx"), qPrintable(f)); // only unencrypted entries
        }
    }

    void truncatedArchivesAreErrors() {
        for (const QString& archive : {plain_, encrypted_}) {
            const QByteArray whole = readFile(archive);
            for (qsizetype cut :
                 {qsizetype(0), qsizetype(1), qsizetype(21), qsizetype(22), whole.size() / 3,
                  whole.size() / 2, whole.size() - 23, whole.size() - 1}) {
                const QString damaged = out_ + "/cut.ebk";
                QVERIFY(writeFile(damaged, whole.left(cut)));
                const Listed listed = listArchive(damaged);
                QVERIFY2(kReadFailures.count(listed.result), qPrintable(QString::number(cut)));
                QVERIFY(listed.names.isEmpty());
                QVERIFY(kReadFailures.count(test(damaged, "right")));
            }
        }
    }

    void flippedDataBytesAreFound() {
        // Bytes inside the big entry's data: a CRC (plain) or the authentication code (AES)
        // must notice every one of them.
        for (const QString& archive : {plain_, encrypted_}) {
            const QByteArray whole = readFile(archive);
            const qsizetype start = whole.indexOf("big.bin") + 7 + 100;
            for (int i = 0; i < 12; ++i) {
                QByteArray damaged = whole;
                const qsizetype at = start + i * 20011;
                damaged[at] = char(damaged[at] ^ 0x5A);
                const QString path = out_ + "/flip.ebk";
                QVERIFY(writeFile(path, damaged));
                QCOMPARE(test(path, "right"), SQX_E_BAD_DATA);
                QCOMPARE(extract(path, "right", out_ + "/x"), SQX_E_BAD_DATA);
                QVERIFY(!QFile::exists(out_ + "/x/Store/big.bin"));
                for (const auto& f : filesBelow(out_ + "/x"))
                    QVERIFY(!f.contains(".sqxpart"));
            }
        }
    }

    void randomDamageNeverCrashes() {
        QRandomGenerator random(20240601);
        const QByteArray sources[] = {readFile(plain_), readFile(encrypted_)};
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = sources[round % 2];
            const int flips = 1 + int(random.bounded(4));
            for (int k = 0; k < flips; ++k) {
                const auto at = qsizetype(random.bounded(quint32(damaged.size())));
                damaged[at] = char(random.bounded(256));
            }
            if (round % 5 == 0)
                damaged.truncate(qsizetype(random.bounded(quint32(damaged.size()))));
            const QString path = out_ + "/random.ebk";
            QVERIFY(writeFile(path, damaged));
            const int32_t r1 = listArchive(path).result;
            const int32_t r2 = test(path, "right");
            const int32_t r3 = extract(path, "right", out_ + "/x" + QString::number(round));
            for (const int32_t r : {r1, r2, r3})
                QVERIFY2(r == SQX_OK || kReadFailures.count(r), qPrintable(QString::number(r)));
        }
        QByteArray garbage = sampleBytes(5000, 77, false);
        for (const QByteArray& bad : {QByteArray(), QByteArray("PK"), garbage,
                                      QByteArray("PK\x05\x06", 4) + garbage.left(30)}) {
            QVERIFY(writeFile(out_ + "/garbage.ebk", bad));
            QCOMPARE(listArchive(out_ + "/garbage.ebk").result, SQX_E_BAD_ARCHIVE);
            QCOMPARE(test(out_ + "/garbage.ebk", {}), SQX_E_BAD_ARCHIVE);
        }
    }

    void hostileNamesAreRefused() {
        // Names that climb out or start at a root are neither written nor bent to fit inside;
        // each is announced, gets no destination, and the call says that some were refused.
        const QString archive = out_ + "/hostile.zip";
        QVERIFY(writeFile(archive, storedZip({{"../../evil.txt", "1"},
                                              {"/abs/x.txt", "2"},
                                              {"a/../../b.txt", "3"},
                                              {"..\\win\\c.txt", "4"},
                                              {"caf\xe9.txt", "5"}},
                                             0)));
        const Listed listed = listArchive(archive);
        QCOMPARE(listed.result, SQX_OK);
        QCOMPARE(listed.names.size(), 5);
        QVERIFY(listed.names.contains("café.txt"));
        const QString inside = out_ + "/in";
        Recorder rec;
        QCOMPARE(extract(archive, {}, inside, &rec), SQX_E_REFUSED_ENTRY);
        QCOMPARE(filesBelow(out_), QStringList({"hostile.zip", "in/café.txt"}));
        QCOMPARE(int(rec.of(SQX_REASON_NEXT_FILE).size()), 5);
        const auto destinations = rec.of(SQX_REASON_DESTINATION);
        QCOMPARE(int(destinations.size()), 1);
        QCOMPARE(QString::fromUtf8(destinations.front().path), inside + "/café.txt");

        // A link, then a file through it: the link is refused, so the file lands in a real
        // folder inside.
        SKIP_WITHOUT_TOOLS("7z", "bsdtar");
        const QString tree = out_ + "/tree";
        QVERIFY(QDir().mkpath(tree + "/link"));
        QVERIFY(writeFile(tree + "/link/x.txt", "through"));
        const QString linked = out_ + "/linked.zip";
        QCOMPARE(runTool("bsdtar", {"--format", "zip", "-cf", linked, "-C", tree, "link/x.txt"})
                     .exitCode,
                 0);
        QVERIFY(QDir(tree + "/link").removeRecursively());
        QVERIFY(QFile::link(out_ + "/outside", tree + "/link"));
        const QString withLink = out_ + "/withlink.zip";
        QCOMPARE(runTool("bsdtar",
                         {"--format", "zip", "-cf", withLink, "-C", tree, "link", "@" + linked})
                     .exitCode,
                 0);
        QCOMPARE(extract(withLink, {}, out_ + "/in2"), SQX_E_REFUSED_ENTRY);
        QVERIFY(!QFileInfo(out_ + "/in2/link").isSymLink());
        QCOMPARE(readFile(out_ + "/in2/link/x.txt"), QByteArray("through"));
        QVERIFY(!QFileInfo::exists(out_ + "/outside"));
    }

    void linksAlreadyInTheFolderAreNotFollowed() {
        // A link already in the target folder (left there by someone else) is never written
        // through: an entry below it is refused, and one at its place replaces the link itself.
        const QString archive = out_ + "/mail.zip";
        QVERIFY(writeFile(archive, storedZip({{"Mail/in.mbx", "mail"},
                                              {"Deep/Sub/x.txt", "x"},
                                              {"note.txt", "note"},
                                              {"Deep/y.txt", "y"}},
                                             0)));
        const QString inside = out_ + "/in";
        const QString outside = out_ + "/outside";
        QVERIFY(QDir().mkpath(inside + "/Deep"));
        QVERIFY(writeFile(outside + "/note.txt", "theirs"));
        QVERIFY(QFile::link(outside, inside + "/Mail"));
        QVERIFY(QFile::link(outside, inside + "/Deep/Sub"));
        QVERIFY(QFile::link(outside + "/note.txt", inside + "/note.txt"));
        Recorder rec;
        rec.answer = [](SqxCallbackRecord& r) {
            return r.reason == SQX_REASON_OVERWRITE ? int32_t(SQX_ANSWER_REPLACE) : 1;
        };
        QCOMPARE(extract(archive, {}, inside, &rec), SQX_E_REFUSED_ENTRY);
        QCOMPARE(filesBelow(outside), QStringList{"note.txt"});
        QCOMPARE(readFile(outside + "/note.txt"), QByteArray("theirs"));
        QVERIFY(!QFileInfo(inside + "/note.txt").isSymLink());
        QCOMPARE(readFile(inside + "/note.txt"), QByteArray("note"));
        QCOMPARE(readFile(inside + "/Deep/y.txt"), QByteArray("y"));
        // The refused entries were announced and got no destination.
        QCOMPARE(int(rec.of(SQX_REASON_NEXT_FILE).size()), 4);
        QCOMPARE(int(rec.of(SQX_REASON_DESTINATION).size()), 2);
    }

    void namesAsLongAsTheFileSystemAllowsExtract() {
        // A name of 255 bytes, the most a file system takes, and the entries after it.
        const QByteArray longName(255, 'n');
        const QString archive = out_ + "/long.zip";
        QVERIFY(writeFile(
            archive, storedZip({{"Mail/" + longName, "long"}, {"Mail/after.txt", "after"}}, 0)));
        const QString inside = out_ + "/in";
        QCOMPARE(extract(archive, {}, inside), SQX_OK);
        QCOMPARE(filesBelow(inside), QStringList({"Mail/after.txt", "Mail/" + QString(longName)}));
        QCOMPARE(readFile(inside + "/Mail/" + longName), QByteArray("long"));
    }

    void extractChoices() {
        // Masks select entries; a folder's name selects what is below it.
        QCOMPARE(extract(plain_, {}, out_ + "/sel", nullptr, {"store/mail", "*.TXT"}), SQX_OK);
        QCOMPARE(filesBelow(out_ + "/sel"),
                 QStringList({"Store/Mail/empty.dbx", "Store/Mail/in.dbx", "Store/a.txt"}));

        // The destination may be rewritten; an existing file is kept or replaced as answered.
        QVERIFY(writeFile(out_ + "/moved/a.txt", "mine"));
        for (const int answer : {1, 2}) {
            Recorder rec;
            rec.answer = [this, answer](SqxCallbackRecord& r) {
                if (r.reason == SQX_REASON_DESTINATION) {
                    const QByteArray path = QByteArray(r.path).replace("/all/Store/", "/moved/");
                    std::memcpy(r.path, path.constData(), size_t(path.size()) + 1);
                }
                return r.reason == SQX_REASON_OVERWRITE ? answer : 1;
            };
            QCOMPARE(extract(plain_, {}, out_ + "/all", &rec, {"Store/a.txt"}), SQX_OK);
            QCOMPARE(int(rec.of(SQX_REASON_OVERWRITE).size()), 1);
            QCOMPARE(QString::fromUtf8(rec.of(SQX_REASON_OVERWRITE).front().path),
                     out_ + "/moved/a.txt");
            QCOMPARE(readFile(out_ + "/moved/a.txt"),
                     answer == 1 ? QByteArray("mine") : readFile(src_ + "/a.txt"));
        }
        QVERIFY(!QFile::exists(out_ + "/all/Store/a.txt"));
    }

    void argumentsAreChecked() {
        SqxOptions o = options();
        void* list = nullptr;
        QCOMPARE(SqxInitFileList(nullptr), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxInitFileList(&list), SQX_OK);
        QCOMPARE(SqxAddFileList(nullptr, &list), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxAddFiles(nullptr, &list, &o, nullptr, 0), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxAddFiles("x.ebk", &list, nullptr, nullptr, 0), SQX_E_BAD_ARGUMENT);
        SqxOptions small = o;
        small.size = 1000;
        QCOMPARE(SqxAddFiles("x.ebk", &list, &small, nullptr, 0), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxAddFiles((out_ + "/x.ebk").toUtf8().constData(), nullptr, &o, nullptr, 0),
                 SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxDoneFileList(&list), SQX_OK);
        QVERIFY(list == nullptr);
        QCOMPARE(SqxDoneFileList(&list), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxAddFileList("x", &list), SQX_E_BAD_ARGUMENT);
        QVERIFY(folderEntries(out_).isEmpty());

        QCOMPARE(test(out_ + "/missing.ebk", {}), SQX_E_NOT_FOUND);
        QCOMPARE(test(out_, {}), SQX_E_BAD_ARGUMENT);
        QCOMPARE(SqxExtractFiles(plain_.toUtf8().constData(), nullptr, &o, nullptr, 0),
                 SQX_E_BAD_ARGUMENT); // no folder to extract into
        QCOMPARE(SqxListFiles(plain_.toUtf8().constData(), nullptr, nullptr, nullptr, 0),
                 SQX_E_BAD_ARGUMENT);

        QCOMPARE(SqxAddArchiveComment(plain_.toUtf8().constData(), "c"), SQX_E_NOT_SUPPORTED);
        QCOMPARE(SqxAddFileComments(plain_.toUtf8().constData(), nullptr, "c"),
                 SQX_E_NOT_SUPPORTED);
        QCOMPARE(SqxDeleteFiles(plain_.toUtf8().constData(), nullptr, &o, nullptr, 0),
                 SQX_E_NOT_SUPPORTED);
        QCOMPARE(SqxRepairFiles(plain_.toUtf8().constData(), &o, nullptr, 0), SQX_E_NOT_SUPPORTED);
    }
};

QTEST_GUILESS_MAIN(TestSqxRead)
#include "tst_sqxread.moc"
