#include "platform/Files.h"
#include "platform/HostTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace platform;

namespace {

void writeHost(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QStringList names(const std::vector<FindData>& list) {
    QStringList out;
    for (const FindData& d : list)
        out << d.name;
    return out;
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

} // namespace

class TestFs : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString c_; // host root of C:
    std::unique_ptr<Files> fs_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString prefix = tmp_.path() + "/prefix";
        c_ = prefix + "/drive_c";
        QDir().mkpath(prefix + "/dosdevices");
        QDir().mkpath(c_);
        QVERIFY(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
        // A mail folder as Eudora leaves it.
        const QString m = c_ + "/Mail";
        writeHost(m + "/descmap.pce", "x");
        writeHost(m + "/In.mbx", "hello");
        writeHost(m + "/In.toc", "");
        writeHost(m + "/NOTES.PCE", "yy");
        writeHost(m + "/README", "no dot");
        writeHost(m + "/.hidden.pce", "h");
        writeHost(m + "/In.fol/descmap.pce", "z");
        QDir().mkpath(m + "/Empty");
        QDir().mkpath(m + "/.cache");
        fs_ = std::make_unique<Files>(DriveMap::fromPrefix(prefix));
    }

    void wildcard_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("star-dot-star, dotted") << "*.*"
                                               << "a.txt" << true;
        QTest::newRow("star-dot-star, no dot") << "*.*"
                                               << "README" << true;
        QTest::newRow("star") << "*"
                              << "a.b.c" << true;
        QTest::newRow("star-dot, no dot") << "*."
                                          << "README" << true;
        QTest::newRow("star-dot, dotted") << "*."
                                          << "a.txt" << false;
        QTest::newRow("extension") << "*.pce"
                                   << "descmap.pce" << true;
        QTest::newRow("extension, case") << "*.pce"
                                         << "NOTES.PCE" << true;
        QTest::newRow("extension, longer") << "*.pce"
                                           << "a.pcex" << false;
        QTest::newRow("extension, prefix") << "*.pce"
                                           << "pce" << false;
        QTest::newRow("two dots") << "*.toc"
                                  << "a.b.toc" << true;
        QTest::newRow("question") << "In.?bx"
                                  << "In.mbx" << true;
        QTest::newRow("question needs one") << "In?.mbx"
                                            << "In.mbx" << false;
        QTest::newRow("name star-dot-star, no extension") << "abc.*"
                                                          << "abc" << true;
        QTest::newRow("name star-dot-star, other") << "abc.*"
                                                   << "abcd" << false;
        QTest::newRow("inner star") << "a*b*c"
                                    << "axxbyyc" << true;
        QTest::newRow("inner star, fail") << "a*b*c"
                                          << "axxbyy" << false;
        QTest::newRow("backtracking") << "*ab"
                                      << "aab" << true;
        QTest::newRow("plain") << "Inbox.MBX"
                               << "inbox.mbx" << true;
        QTest::newRow("non-ASCII case") << "ÄRGER.*"
                                        << "ärger.txt" << true;
        QTest::newRow("empty mask") << ""
                                    << "a" << false;
        QTest::newRow("dot entry, star-dot") << "*."
                                             << ".." << true;
        QTest::newRow("dot entry, extension") << "*.pce"
                                              << "." << false;
    }
    void wildcard() {
        QFETCH(QString, mask);
        QFETCH(QString, name);
        QFETCH(bool, match);
        QCOMPARE(wildcardMatch(mask, name), match);
    }

    void findMasks_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<quint32>("attr");
        QTest::addColumn<QStringList>("expected");
        const quint32 all = FA_ANYFILE;
        QTest::newRow("*.* all") << "C:\\Mail\\*.*" << all
                                 << QStringList{".",         "..",     ".cache",     ".hidden.pce",
                                                "Empty",     "In.fol", "In.mbx",     "In.toc",
                                                "NOTES.PCE", "README", "descmap.pce"};
        QTest::newRow("*.* plain files")
            << "C:\\Mail\\*.*" << quint32(0)
            << QStringList{"In.mbx", "In.toc", "NOTES.PCE", "README", "descmap.pce"};
        QTest::newRow("*. no dot")
            << "C:\\Mail\\*." << all << QStringList{".", "..", "Empty", "README"};
        QTest::newRow("*.pce") << "C:\\Mail\\*.pce" << all
                               << QStringList{".hidden.pce", "NOTES.PCE", "descmap.pce"};
        QTest::newRow("*.pce not hidden") << "C:\\mail\\*.pce" << quint32(FA_DIRECTORY)
                                          << QStringList{"NOTES.PCE", "descmap.pce"};
        QTest::newRow("*.fol folder")
            << "C:\\Mail\\*.fol" << quint32(FA_DIRECTORY) << QStringList{"In.fol"};
        QTest::newRow("folders, hidden too")
            << "C:\\Mail\\*" << quint32(FA_DIRECTORY | FA_HIDDEN)
            << QStringList{".",      "..",     ".cache",    ".hidden.pce", "Empty",      "In.fol",
                           "In.mbx", "In.toc", "NOTES.PCE", "README",      "descmap.pce"};
        QTest::newRow("plain name is the entry itself")
            << "C:\\MAIL" << quint32(FA_DIRECTORY) << QStringList{"Mail"};
        QTest::newRow("plain file name, other case")
            << "C:\\Mail\\in.MBX" << quint32(0) << QStringList{"In.mbx"};
        QTest::newRow("drive root has no dot entries") << "C:\\*.*" << all << QStringList{"Mail"};
    }
    void findMasks() {
        QFETCH(QString, pattern);
        QFETCH(quint32, attr);
        QFETCH(QStringList, expected);
        const auto r = fs_->find(pattern, attr);
        QVERIFY2(r.isOk(), qPrintable(r.error().message));
        const QStringList got = names(*r);
        // "." and ".." come first; the rest is in the file system's order.
        const bool dots = expected.contains(".");
        if (dots) QCOMPARE(got.mid(0, 2), QStringList({".", ".."}));
        QCOMPARE(sorted(got), sorted(expected));
    }

    void findRecords() {
        const auto r = fs_->find("C:\\Mail\\*", FA_ANYFILE);
        QVERIFY(r.isOk());
        for (const FindData& d : *r) {
            if (d.name == "In.mbx") {
                QCOMPARE(d.attributes, quint32(FA_ARCHIVE));
                QCOMPARE(d.size, qint64(5));
                QVERIFY(qAbs(d.modified.secsTo(QDateTime::currentDateTimeUtc())) < 3600);
                QCOMPARE(d.modified.timeSpec(), Qt::UTC);
            } else if (d.name == "In.fol" || d.name == "Empty" || d.name == "." || d.name == "..") {
                QCOMPARE(d.attributes, quint32(FA_DIRECTORY));
                QCOMPARE(d.size, qint64(0));
            } else if (d.name == ".cache") {
                QCOMPARE(d.attributes, quint32(FA_DIRECTORY | FA_HIDDEN));
            } else if (d.name == ".hidden.pce") {
                QCOMPARE(d.attributes, quint32(FA_ARCHIVE | FA_HIDDEN));
            }
        }
        writeHost(c_ + "/ro/locked.txt", "r");
        QVERIFY(QFile::setPermissions(c_ + "/ro/locked.txt", QFile::ReadOwner));
        const auto ro = fs_->find("C:\\ro\\locked.txt", 0);
        QVERIFY(ro.isOk());
        QCOMPARE(ro->front().attributes, quint32(FA_ARCHIVE | FA_READONLY));
    }

    void findFailures() {
        QCOMPARE(fs_->find("C:\\Mail\\*.xyz", FA_ANYFILE).code(), int(kFileNotFound));
        QCOMPARE(fs_->find("C:\\Nowhere\\*.*", FA_ANYFILE).code(), int(kPathNotFound));
        QCOMPARE(fs_->find("C:\\Mail\\In.mbx\\*.*", FA_ANYFILE).code(), int(kPathNotFound));
        QCOMPARE(fs_->find("C:\\Mail\\", FA_ANYFILE).code(), int(kFileNotFound));
        QCOMPARE(fs_->find("Q:\\*.*", FA_ANYFILE).code(), int(kPathNotFound));
        // A folder matching by name is filtered out when folders are not asked for.
        QCOMPARE(fs_->find("C:\\Mail\\*.fol", 0).code(), int(kFileNotFound));
    }

    void queries() {
        QVERIFY(fs_->exists("C:\\mail\\in.mbx"));
        QVERIFY(fs_->exists("C:\\MAIL"));
        QVERIFY(fs_->fileExists("C:\\mail\\in.mbx"));
        QVERIFY(!fs_->fileExists("C:\\mail"));
        QVERIFY(fs_->directoryExists("C:\\mail\\IN.FOL"));
        QVERIFY(fs_->directoryExists("C:\\"));
        QVERIFY(!fs_->directoryExists("C:\\mail\\in.mbx"));
        QVERIFY(!fs_->exists("C:\\mail\\nothing"));
        QVERIFY(!fs_->exists("no drive"));
        QCOMPARE(*fs_->size("C:\\Mail\\In.mbx"), qint64(5));
        QCOMPARE(*fs_->size("C:\\Mail"), qint64(0));
        QCOMPARE(fs_->size("C:\\Mail\\none").code(), int(kFileNotFound));
        QCOMPARE(fs_->size("C:\\none\\none").code(), int(kPathNotFound));
        const QDateTime t = QDateTime(QDate(2004, 5, 6), QTime(7, 8, 9), Qt::UTC);
        QFile f(c_ + "/Mail/In.toc");
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(t, QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(*fs_->modified("C:\\mail\\in.toc"), t);
    }

    void removeAndCreate() {
        writeHost(c_ + "/Del/gone.txt", "x");
        QVERIFY(fs_->removeFile("C:\\DEL\\GONE.TXT").isOk());
        QVERIFY(!QFileInfo::exists(c_ + "/Del/gone.txt"));
        QCOMPARE(fs_->removeFile("C:\\Del\\gone.txt").code(), int(kFileNotFound));
        QCOMPARE(fs_->removeFile("C:\\Gone\\gone.txt").code(), int(kPathNotFound));
        QCOMPARE(fs_->removeFile("C:\\Del").code(), int(kAccessDenied));
        QVERIFY(QFileInfo(c_ + "/Del").isDir());

        // Existing parents are found without regard to case; the rest is made.
        QVERIFY(fs_->createDirectories("C:\\del\\One\\Two\\Three").isOk());
        QVERIFY(QFileInfo(c_ + "/Del/One/Two/Three").isDir());
        QVERIFY(fs_->createDirectories("C:\\DEL\\one").isOk()); // already there
        QVERIFY(!QFileInfo::exists(c_ + "/DEL"));
        QCOMPARE(fs_->createDirectories("C:\\Mail\\In.mbx\\sub").code(), int(kAlreadyExists));
    }

    void readAndWrite() {
        const QByteArray data("line one\r\nline two\0with NUL", 27);
        QVERIFY(fs_->writeAll("C:\\Out\\..\\Mail\\new.ini", data).isOk());
        QCOMPARE(*fs_->readAll("C:\\mail\\NEW.INI"), data);
        // Rewriting keeps the file's mode and leaves no temporary file behind.
        QVERIFY(QFile::setPermissions(c_ + "/Mail/new.ini", QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(fs_->writeAll("C:\\Mail\\new.ini", "second").isOk());
        QCOMPARE(*fs_->readAll("C:\\Mail\\new.ini"), QByteArray("second"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(c_ + "/Mail/new.ini").constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        const QStringList left =
            QDir(c_ + "/Mail").entryList({"new.ini*"}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{"new.ini"});
        QVERIFY(fs_->writeAll("C:\\Mail\\empty.bin", QByteArray()).isOk());
        QCOMPARE(*fs_->readAll("C:\\Mail\\empty.bin"), QByteArray());

        QCOMPARE(fs_->readAll("C:\\Mail\\none").code(), int(kFileNotFound));
        QCOMPARE(fs_->readAll("C:\\Mail").code(), int(kAccessDenied));
        QCOMPARE(fs_->writeAll("C:\\NoFolder\\x.ini", "x").code(), int(kPathNotFound));
        QCOMPARE(fs_->writeAll("C:\\Mail", "x").code(), int(kAccessDenied));
    }

    void writeThroughLink() {
        writeHost(c_ + "/real.txt", "old");
        QVERIFY(QFile::link(c_ + "/real.txt", c_ + "/link.txt"));
        QVERIFY(fs_->writeAll("C:\\link.txt", "new").isOk());
        QVERIFY(QFileInfo(c_ + "/link.txt").isSymLink());
        QCOMPARE(*fs_->readAll("C:\\real.txt"), QByteArray("new"));
    }

    void drives() {
        QCOMPARE(fs_->driveType(u'C'), int(DRIVE_FIXED));
        QCOMPARE(fs_->driveType(u'z'), int(DRIVE_FIXED));
        QCOMPARE(fs_->driveType(u'Q'), int(DRIVE_NO_ROOT_DIR));
        const auto free = fs_->freeSpace(u'c');
        QVERIFY(free.isOk());
        QVERIFY(*free > 0);
        QCOMPARE(fs_->freeSpace(u'Q').code(), int(kPathNotFound));
    }

    void driveTypeFromMounts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::newRow("root file system") << "/home/ann/.wine/drive_c" << int(DRIVE_FIXED);
        QTest::newRow("cd-rom") << "/media/cdrom" << int(DRIVE_CDROM);
        QTest::newRow("inside the cd-rom") << "/media/cdrom/setup" << int(DRIVE_CDROM);
        QTest::newRow("dvd, udf, escaped blank") << "/run/media/ann/My Disc/x" << int(DRIVE_CDROM);
        QTest::newRow("usb stick") << "/media/ann/STICK" << int(DRIVE_REMOVABLE);
        QTest::newRow("disc mounted over") << "/media/ann/OVER" << int(DRIVE_REMOVABLE);
        QTest::newRow("name only starts alike") << "/media/cdrom2" << int(DRIVE_FIXED);
        QTest::newRow("tmpfs") << "/tmp/x" << int(DRIVE_FIXED);
    }
    void driveTypeFromMounts() {
        QFETCH(QString, path);
        QFETCH(int, type);
        const QByteArray info =
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            "30 22 0:26 / /tmp rw,nosuid shared:5 - tmpfs tmpfs rw\n"
            "41 22 11:0 / /media/cdrom ro,relatime shared:20 - iso9660 /dev/sr0 ro\n"
            "42 22 11:1 / /run/media/ann/My\\040Disc ro - udf /dev/sr1 ro\n"
            "43 22 8:17 / /media/ann/STICK rw,relatime - vfat /dev/sdb1 rw\n"
            "44 22 11:3 / /media/ann/OVER ro - iso9660 /dev/sr3 ro\n"
            "45 22 8:18 / /media/ann/OVER rw - vfat /dev/sdc1 rw\n"
            "garbage line without fields\n"
            "46 22 8:18 / relative rw - iso9660 /dev/sr2 ro\n";
        QCOMPARE(driveTypeFromMountInfo(info, path), type);
    }

    void driveTypeFromDamagedMounts() {
        // Cut and scrambled tables never fail; the answer is one of the three types.
        const QByteArray info = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                "41 22 11:0 / /media/c\\04 ro - iso9660 /dev/sr0 ro\n";
        QRandomGenerator rng(3);
        for (int i = 0; i < 2000; ++i) {
            QByteArray b = info.left(rng.bounded(info.size() + 1));
            for (int k = 0; k < 4 && !b.isEmpty(); ++k)
                b[rng.bounded(int(b.size()))] = char(rng.bounded(256));
            const int t = driveTypeFromMountInfo(b, "/media/c\\04/x");
            QVERIFY(t == DRIVE_FIXED || t == DRIVE_REMOVABLE || t == DRIVE_CDROM);
        }
    }
};

QTEST_GUILESS_MAIN(TestFs)
#include "tst_fs.moc"
