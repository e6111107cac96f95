// Names of new backup archives and the thinning out of older ones.

#include "BackupTestSupport.h"

#include "backup/BackupFiles.h"
#include "backup/BackupRequest.h"

#include <QtTest>

using namespace backup;

namespace {
RotateOptions inB(int mode, int keep) {
    RotateOptions o;
    o.backupFolder = QStringLiteral("C:\\b\\");
    o.backupMode = base::BackupMode(mode);
    o.backupKeep = keep;
    return o;
}
} // namespace

class TestBackupFiles : public QObject {
    Q_OBJECT

    // Backup files in C:\b\ with modification times one hour apart, oldest first.
    struct Folder {
        testsupport::MiniPrefix prefix;
        QStringList make(const QStringList& names) {
            QStringList paths;
            QDateTime t = QDateTime::currentDateTimeUtc().addDays(-10);
            for (const QString& n : names) {
                const QString win = QStringLiteral("C:\\b\\") + n;
                prefix.write(win, 10);
                QFile f(prefix.host(win));
                f.open(QIODevice::ReadWrite);
                f.setFileTime(t, QFileDevice::FileModificationTime);
                t = t.addSecs(3600);
                paths << win;
            }
            return paths;
        }
        QStringList left() const {
            QStringList names =
                QDir(prefix.host(QStringLiteral("C:\\b"))).entryList(QDir::Files | QDir::Hidden);
            names.sort();
            return names;
        }
    };

private Q_SLOTS:
    void fileName_data();
    void fileName();
    void fileNameFromTheLocale();
    void rotate_data();
    void rotate();
    void rotateKeepsTheNewFileWhateverItsSpelling();
    void rotateTreatsAVolumeSetAsOneArchive();
    void rotateLeavesFoldersAndOtherClients();
    void requestLimits();
};

void TestBackupFiles::fileName_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    const QDate d(2026, 12, 6);
    QTest::newRow("dots") << 3 << "dd.MM.yyyy"
                          << "EudoraBackup 06-12-2026.ebk";
    QTest::newRow("slashes") << 1 << "M/d/yy"
                             << "ZOzozudoVevezo 12-6-26.ebk";
    QTest::newRow("dashes unchanged") << 10 << "yyyy-MM-dd"
                                      << "FavoritesBackup 2026-12-06.ebk";
    QTest::newRow("blanks and dots") << 2 << "d. M. yyyy"
                                     << "OutlookBackup 6--12--2026.ebk";
    QTest::newRow("month name as number") << 6 << "d MMM yyyy"
                                          << "TheBatBackup 6-12-2026.ebk";
    QTest::newRow("weekday dropped") << 4 << "dddd, d.M.yyyy"
                                     << "IncrediMailBackup --6-12-2026.ebk";
    QTest::newRow("poco variant") << 720 << "dd/MM/yyyy"
                                  << "PocoMailBackup 06-12-2026.ebk";
    QTest::newRow("opera 7") << 87 << "dd/MM/yyyy"
                             << "OperaBackup 06-12-2026.ebk";
    QTest::newRow("netscape 4") << 94 << "dd/MM/yyyy"
                                << "NetscapeBackup 06-12-2026.ebk";
    QTest::newRow("pegasus") << 5 << "dd/MM/yyyy"
                             << "PegasusMailBackup 06-12-2026.ebk";
    QTest::newRow("base code without layout") << 7 << "dd/MM/yyyy"
                                              << "";
    QTest::newRow("none") << 0 << "dd/MM/yyyy"
                          << "";
}

void TestBackupFiles::fileName() {
    QFETCH(int, code);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(BackupFileName(code, QDate(2026, 12, 6), format), expected);
}

void TestBackupFiles::fileNameFromTheLocale() {
    // Whatever the locale, the date part holds digits and dashes only and names
    // the day, the month and the year.
    const QString name = BackupFileName(1);
    QVERIFY(name.startsWith(QLatin1String("ZOzozudoVevezo ")));
    QVERIFY(name.endsWith(QLatin1String(".ebk")));
    const QString date = name.mid(15, name.size() - 15 - 4);
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9-]+$")).match(date).hasMatch(),
             qPrintable(date));
    QVERIFY(date.split(QLatin1Char('-'), Qt::SkipEmptyParts).size() >= 3);
}

void TestBackupFiles::rotate_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QStringList>("existing"); // oldest first; the last is the new file
    QTest::addColumn<QStringList>("left");
    const QStringList five = {"ZOzozudoVevezo 1.ebk", "ZOzozudoVevezo 2.ebk",
                              "ZOzozudoVevezo 3.ebk", "ZOzozudoVevezo 4.ebk",
                              "ZOzozudoVevezo 5.ebk"};
    QTest::newRow("mode 1 deletes the newest other")
        << 1 << 3 << five
        << QStringList{"ZOzozudoVevezo 1.ebk", "ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 3.ebk",
                       "ZOzozudoVevezo 5.ebk"};
    QTest::newRow("mode 1 with only the new file")
        << 1 << 3 << QStringList{"ZOzozudoVevezo 5.ebk"} << QStringList{"ZOzozudoVevezo 5.ebk"};
    QTest::newRow("mode 3 keeps the newest N")
        << 3 << 2 << five
        << QStringList{"ZOzozudoVevezo 3.ebk", "ZOzozudoVevezo 4.ebk", "ZOzozudoVevezo 5.ebk"};
    QTest::newRow("mode 3 keep 0 deletes nothing") << 3 << 0 << five << five;
    QTest::newRow("mode 3 fewer than N") << 3 << 9 << five << five;
    QTest::newRow("mode 2 keeps all") << 2 << 2 << five << five;
    QTest::newRow("mode 2 keep 0") << 2 << 0 << five << five;
}

void TestBackupFiles::rotate() {
    QFETCH(int, mode);
    QFETCH(int, keep);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, left);
    Folder f;
    const QStringList paths = f.make(existing);
    const QStringList deleted = RotateBackups(*f.prefix.files, 1, paths.last(), inB(mode, keep));
    QCOMPARE(f.left(), left);
    QCOMPARE(deleted.size(), existing.size() - left.size());
}

void TestBackupFiles::rotateKeepsTheNewFileWhateverItsSpelling() {
    Folder f;
    f.make({"ZOzozudoVevezo 1.ebk", "zozozudovevezo 2.ebk"});
    // The writer replaced "zozozudovevezo 2.ebk" when asked for this name: it
    // is the new archive, and the other one goes.
    const QString spelled = QStringLiteral("C:\\b\\ZOzozudoVevezo 2.ebk");
    RotateBackups(*f.prefix.files, 1, spelled, inB(1, 3));
    QCOMPARE(f.left(), QStringList{"zozozudovevezo 2.ebk"});
}

void TestBackupFiles::rotateTreatsAVolumeSetAsOneArchive() {
    Folder f;
    const QStringList paths = f.make({"ZOzozudoVevezo 1.ebk.001", "ZOzozudoVevezo 1.ebk.002",
                                      "ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 3.ebk.001",
                                      "ZOzozudoVevezo 3.ebk.002", "ZOzozudoVevezo 3.ebk.003"});
    // Keep 1: the split archive 1 goes whole, 2 stays, and the new split
    // archive 3 (named as the run asked for it) stays whole.
    RotateBackups(*f.prefix.files, 1, QStringLiteral("C:\\b\\ZOzozudoVevezo 3.ebk"), inB(3, 1));
    QCOMPARE(f.left(), (QStringList{"ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 3.ebk.001",
                                    "ZOzozudoVevezo 3.ebk.002", "ZOzozudoVevezo 3.ebk.003"}));
    // Overwrite: the newest other archive goes, a volume set as a whole.
    f.make({"ZOzozudoVevezo 4.ebk"});
    RotateBackups(*f.prefix.files, 1, QStringLiteral("C:\\b\\ZOzozudoVevezo 4.ebk"), inB(1, 1));
    QCOMPARE(f.left(), (QStringList{"ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 4.ebk"}));
}

void TestBackupFiles::rotateLeavesFoldersAndOtherClients() {
    Folder f;
    const QStringList paths = f.make({"EudoraBackup 1.ebk", "ZOzozudoVevezo 1.ebk",
                                      "ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 3.ebk"});
    QDir().mkpath(f.prefix.host(QStringLiteral("C:\\b")) +
                  QStringLiteral("/ZOzozudoVevezo dir.ebk"));
    RotateBackups(*f.prefix.files, 1, paths[3], inB(3, 1));
    QCOMPARE(f.left(),
             (QStringList{"EudoraBackup 1.ebk", "ZOzozudoVevezo 2.ebk", "ZOzozudoVevezo 3.ebk"}));
    QVERIFY(QFileInfo(f.prefix.host(QStringLiteral("C:\\b\\ZOzozudoVevezo dir.ebk"))).isDir());
}

void TestBackupFiles::requestLimits() {
    QStringList twenty;
    for (int i = 0; i < 20; ++i)
        twenty << QStringLiteral("id%1").arg(i);
    auto ok =
        MakeBackupRequest(QStringLiteral("C:\\x.ebk"), 1, AllTicked(twenty), AllTicked({"a"}));
    QVERIFY(ok);
    QCOMPARE(ok->identityCount, 20);
    QCOMPARE(ok->identities[19].name, QStringLiteral("id19"));
    QVERIFY(ok->items[0].ticked);
    QVERIFY(!ok->items[1].ticked);
    auto tooMany = MakeBackupRequest(QStringLiteral("C:\\x.ebk"), 1,
                                     AllTicked(twenty + QStringList{"one more"}), {});
    QVERIFY(!tooMany);
    QVERIFY(tooMany.error().message.contains(QLatin1String("21 identities")));
    auto items = MakeBackupRequest(QStringLiteral("C:\\x.ebk"), 1, {}, AllTicked(twenty + twenty));
    QVERIFY(!items);
    QVERIFY(items.error().message.contains(QLatin1String("40 items")));
}

QTEST_GUILESS_MAIN(TestBackupFiles)
#include "tst_backupfiles.moc"
