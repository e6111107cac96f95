// The Eudora collector over the sample installation: what reaches the archive,
// the folder map of the mail folders, and command lines and trees that are odd.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"

#include "backup/collectors/EudoraCollector.h"
#include "clients/Clients.h"
#include "clients/layouts/EudoraLayout.h"

#include <QRandomGenerator>

using namespace backup;
using testsupport::BackupRig;

namespace {
QByteArray contentOf(const QString& hostPath) {
    QFile f(hostPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestEudora : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        QString d;
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\eudora.ebk")) {
            support::addEudora(prefix);
            d = support::eudora::dataFolder(prefix);
        }
        bool backup(const QList<int>& untickedItems = {}) {
            return run(clients::kEudora, ticked({QStringLiteral("Default")}),
                       ticked(clients::ClientItems(clients::kEudora), untickedItems));
        }
        void setCommandLine(const QString& value) {
            prefix.setString(platform::HKEY_CLASSES_ROOT, support::eudora::commandLineKey(),
                             QString(), value);
            prefix.save();
        }
        void removeFolder(const QString& sub) {
            QDir(prefix.hostPath(d + QLatin1Char('\\') + sub)).removeRecursively();
        }
        QStringList mailMap() {
            return extractedSection(QStringLiteral("directory.ini"), QStringLiteral("Directory"));
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    void everythingTicked() {
        Rig rig;
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QStringList expected{
            // accounts
            "Spool/sp1d3f.tmp", "Eudora.ini",
            // mail folders: the ".pce" folders below D with their mailboxes, ...
            "In.fol/Family.mbx", "In.fol/Family.toc", "In.fol/Friends.mbx", "In.fol/Friends.toc",
            "In.fol/descmap.pce", "In.fol/Sub.fol/Old.mbx", "In.fol/Sub.fol/Old.toc",
            "In.fol/Sub.fol/descmap.pce", "WORK.FOL/PROJECTS.MBX", "WORK.FOL/PROJECTS.TOC",
            "WORK.FOL/DESCMAP.PCE", "Archive/2003.mbx", "Archive/2003.toc", "Archive/descmap.pce",
            // ... the mailboxes of D itself under "Mail", the map and the stationery
            "Mail/In.mbx", "Mail/In.toc", "Mail/Out.mbx", "Mail/Out.toc", "Mail/Trash.mbx",
            "Mail/Trash.toc", "Mail/Junk.mbx", "Mail/Junk.toc", "Mail/descmap.pce",
            "Mail/Filters.pce", "Mail/nndbase.toc", "directory.ini", "Stationery/Thank You.sta",
            // filters, signatures, address book, manifest
            "Filters/filters.bak", "Filters.pce", "Sigs/Standard.txt", "Sigs/Alternate.txt",
            "nndbase.toc", "NNdbase.txt", "infobak.ini"};
        expected.sort();
        QCOMPARE(rig.names(), expected);
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), clients::ClientItems(clients::kEudora));
        // The manifest files follow the last task.
        QCOMPARE(rig.list().task(rig.list().tasksClosed()).last, rig.list().count() - 1);

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Eudora"));
        QCOMPARE(info.keyNames("Identities"), QStringList{"Item1"});
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Default"));
        QCOMPARE(info.keyNames("Items").size(), 5);
        QCOMPARE(info.readString("Items", "Item5"), QStringLiteral("Address Book"));

        // Only ".fol" folders are mapped; a folder before the folders inside it.
        const QStringList map = rig.mailMap();
        QCOMPARE(map.size(), 3);
        QStringList values;
        for (const QString& line : map)
            values << line.section(QLatin1Char('='), 1);
        QVERIFY(values.contains(QStringLiteral("WORK.FOL")));
        QVERIFY(values.indexOf(QStringLiteral("In.fol")) >= 0);
        QVERIFY(values.indexOf(QStringLiteral("In.fol")) <
                values.indexOf(QStringLiteral("In.fol\\Sub.fol")));
    }

    void nestedFoldersAndRootMailboxes() {
        Rig rig;
        rig.removeFolder(QStringLiteral("WORK.FOL"));
        rig.removeFolder(QStringLiteral("Archive"));
        QVERIFY(!rig.backup());
        QCOMPARE(rig.mailMap(), (QStringList{"Dir1=In.fol", "Dir2=In.fol\\Sub.fol"}));
        const QStringList names = rig.names();
        QVERIFY(names.contains(QStringLiteral("In.fol/Sub.fol/Old.mbx")));
        QVERIFY(names.contains(QStringLiteral("Mail/In.mbx")));
        QVERIFY(!names.contains(QStringLiteral("In.mbx")));
        QVERIFY(!names.contains(QStringLiteral("In.fol/Sub.fol/notes.txt")));
    }

    void signaturesAlone() {
        Rig rig;
        QVERIFY(!rig.backup({0, 1, 2, 4}));
        QCOMPARE(rig.names(),
                 (QStringList{"Sigs/Alternate.txt", "Sigs/Standard.txt", "infobak.ini"}));
        QCOMPARE(rig.taskNames(), QStringList{"Signatures"});
        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.keyNames("Items"), QStringList{"Item1"});
        QCOMPARE(info.readString("Items", "Item1"), QStringLiteral("Signatures"));
    }

    // A folder holding two ".pce" files is found twice; it is backed up and mapped once.
    void folderFoundTwice() {
        Rig rig;
        rig.removeFolder(QStringLiteral("WORK.FOL"));
        rig.removeFolder(QStringLiteral("Archive"));
        rig.prefix.writeFile(rig.d + QStringLiteral("\\In.fol\\filters.pce"), "rule x\r\n");
        QVERIFY(!rig.backup({0, 2, 3, 4}));
        const QStringList names = rig.names();
        QCOMPARE(names.count(QStringLiteral("In.fol/Family.mbx")), 1);
        QCOMPARE(int(std::count_if(names.begin(), names.end(),
                                   [](const QString& n) { return n.startsWith("In.fol/"); })),
                 9);
        QCOMPARE(rig.mailMap(), (QStringList{"Dir1=In.fol", "Dir2=In.fol\\Sub.fol"}));
        int entries = 0;
        for (int n = 1; n <= rig.list().count(); ++n)
            entries += rig.list().entry(n).spec.endsWith(QLatin1String("\\Family.mbx"));
        QCOMPARE(entries, 1);
    }

    // Two mail folders whose names differ in letter case only (copied in from
    // the host) are two folders: both are backed up and mapped.
    void foldersDifferingInCase() {
        Rig rig;
        const QString d = rig.prefix.hostPath(rig.d);
        for (const char* file : {"/Extra.fol/descmap.pce", "/Extra.fol/one.mbx",
                                 "/EXTRA.FOL/descmap.pce", "/EXTRA.FOL/two.mbx"}) {
            QVERIFY(QDir().mkpath(QFileInfo(d + QLatin1String(file)).path()));
            QFile f(d + QLatin1String(file));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }
        QVERIFY(!rig.backup({0, 2, 3, 4}));
        const QStringList names = rig.names();
        QVERIFY(names.contains(QStringLiteral("Extra.fol/one.mbx")));
        QVERIFY(names.contains(QStringLiteral("EXTRA.FOL/two.mbx")));
        QStringList mapped;
        for (const QString& line : rig.mailMap())
            mapped << line.section(QLatin1Char('='), 1);
        QVERIFY(mapped.contains(QStringLiteral("Extra.fol")));
        QVERIFY(mapped.contains(QStringLiteral("EXTRA.FOL")));
    }

    void commandLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("folder");
        QTest::newRow("three parts") << "C:\\EUDORA\\Eudora.exe C:\\EUDORA C:\\EUDORA\\eudora.ini"
                                     << "C:\\EUDORA";
        QTest::newRow("trailing backslash") << "C:\\E\\Eudora.exe C:\\EUDORA\\ x.ini"
                                            << "C:\\EUDORA";
        QTest::newRow("one blank") << "C:\\EUDORA\\Eudora.exe C:\\EUDORA"
                                   << "C:\\EUDORA";
        QTest::newRow("no blank") << "C:\\EUDORA"
                                  << "C:\\EUDORA";
        QTest::newRow("blanks in the program path")
            << "C:\\Program Files\\Eudora\\Eudora.exe C:\\EUDORA C:\\EUDORA\\eudora.ini"
            << "C:\\EUDORA";
        QTest::newRow("quoted folder with blanks")
            << "\"C:\\Program Files\\Eudora\\Eudora.exe\" \"C:\\My Mail\" \"C:\\My Mail\\x.ini\""
            << "C:\\My Mail";
        // Nothing names a folder: the plain cut, which the backup then finds empty.
        QTest::newRow("missing folder") << "C:\\E.exe C:\\Gone C:\\Gone\\x.ini"
                                        << "C:\\Gone";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks only") << "   "
                                     << "";
    }

    void commandLines() {
        QFETCH(QString, line);
        QFETCH(QString, folder);
        testsupport::MiniPrefix mini;
        mini.write(QStringLiteral("C:\\EUDORA\\In.mbx"), 1);
        mini.write(QStringLiteral("C:\\My Mail\\In.mbx"), 1);
        QCOMPARE(clients::EudoraLayout::dataFolderOf(line, *mini.files), folder);
    }

    void relativeFolders() {
        QCOMPARE(EudoraCollector::RelativeFolder("C:\\E\\In.fol\\Sub.fol\\", "C:\\E"),
                 QStringLiteral("In.fol\\Sub.fol"));
        QCOMPARE(EudoraCollector::RelativeFolder("c:\\e\\In.fol\\", "C:\\E"),
                 QStringLiteral("In.fol"));
        QCOMPARE(EudoraCollector::RelativeFolder("C:\\E\\", "C:\\E"), QString());
        QCOMPARE(EudoraCollector::RelativeFolder("C:\\Else\\x.fol\\", "C:\\E"), QString());
    }

    // No command line, or one without a drive: an archive with the empty sections.
    void unusableCommandLine_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("missing") << QString();
        QTest::newRow("relative") << "Eudora.exe Mail Mail\\eudora.ini";
        QTest::newRow("root") << "x \\ y";
    }

    void unusableCommandLine() {
        QFETCH(QString, line);
        Rig rig;
        if (line.isNull())
            rig.prefix.removeValue(platform::HKEY_CLASSES_ROOT, support::eudora::commandLineKey(),
                                   QString());
        else
            rig.setCommandLine(line);
        rig.prefix.save();
        QVERIFY(!rig.backup());
        QCOMPARE(rig.names(), (QStringList{"directory.ini", "infobak.ini"}));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames().size(), 5);
    }

    // More mail folders than the found-folder list holds: the backup says that
    // some would be left out, and the archive of the last run stays as it was.
    void moreFoldersThanTheListHolds() {
        Rig rig;
        QVERIFY(!rig.backup({0, 2, 3, 4}));
        const QByteArray before = contentOf(rig.archive());
        for (int i = 0; i < 1005; ++i)
            rig.prefix.writeFile(
                rig.d + QStringLiteral("\\Many.fol\\Box%1.fol\\descmap.pce").arg(i), "x");
        QVERIFY(rig.backup({0, 2, 3, 4}));
        QVERIFY(rig.state().BackupFailed);
        QVERIFY2(rig.state().BackupErrorText.contains(QLatin1String("left out")),
                 qPrintable(rig.state().BackupErrorText));
        QCOMPARE(contentOf(rig.archive()), before);
    }

    // A folder the collector must read but cannot (here: mode 000 for this
    // process) fails the run naming it and why, as an unreadable file does,
    // and the archive of the last run stays as it was: a mail folder found by
    // the search, and a folder whose files are added.
    void unreadableFolderFailsTheRun_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("mail folder") << QStringLiteral("In.fol");
        QTest::newRow("spool folder") << QStringLiteral("Spool");
    }
    void unreadableFolderFailsTheRun() {
        QFETCH(QString, folder);
        Rig rig;
        QVERIFY(!rig.backup());
        const QByteArray before = contentOf(rig.archive());
        QVERIFY(!before.isEmpty());
        const QString unreadable = rig.d + QLatin1Char('\\') + folder;
        testsupport::UnreadableFolder locked(rig.prefix.hostPath(unreadable));
        if (!locked.active()) QSKIP("the folder stays readable for this process");
        QVERIFY(rig.backup());
        const QString text = rig.state().BackupErrorText;
        QVERIFY2(text.contains(unreadable + QLatin1Char('\\')), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("Permission denied")), qPrintable(text));
        QCOMPARE(contentOf(rig.archive()), before);
    }

    // A ';' in the data folder's name is part of the folder, not a mask
    // separator: its mail folders are searched and backed up.
    void semicolonInTheDataFolder() {
        Rig rig;
        const QString odd = QStringLiteral("C:\\Mail;Old");
        rig.prefix.writeFile(odd + QStringLiteral("\\In.fol\\descmap.pce"), "x");
        rig.prefix.writeFile(odd + QStringLiteral("\\In.fol\\In.mbx"), "x");
        rig.prefix.writeFile(odd + QStringLiteral("\\Sigs\\Standard.txt"), "Ann");
        rig.setCommandLine(QStringLiteral("C:\\E\\Eudora.exe ") + odd + QStringLiteral(" x.ini"));
        QVERIFY(!rig.backup({0, 2, 4}));
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.names(), (QStringList{"In.fol/In.mbx", "In.fol/descmap.pce",
                                           "Sigs/Standard.txt", "directory.ini", "infobak.ini"}));
        QCOMPARE(rig.mailMap(), QStringList{"Dir1=In.fol"});
    }

    void randomCommandLines() {
        testsupport::MiniPrefix mini;
        mini.write(QStringLiteral("C:\\EUDORA\\In.mbx"), 1);
        QRandomGenerator gen(20030210);
        const QString alphabet = QStringLiteral("C:\\ \"abE.;?*\t\u00e9");
        for (int round = 0; round < 3000; ++round) {
            QString line;
            const int length = int(gen.bounded(120));
            for (int i = 0; i < length; ++i)
                line += alphabet.at(int(gen.bounded(alphabet.size())));
            const QString d = clients::EudoraLayout::dataFolderOf(line, *mini.files);
            QVERIFY(d.size() <= line.size());
        }
        // A hostile line with many blanks is cut, not searched at length.
        const QString blanks = QString(5000, QLatin1Char(' ')) + QStringLiteral("C:\\EUDORA");
        QCOMPARE(clients::EudoraLayout::dataFolderOf(blanks, *mini.files), QString());
    }
};

QTEST_GUILESS_MAIN(TestEudora)
#include "tst_eudora.moc"
