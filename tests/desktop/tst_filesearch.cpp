// The recursive file search over sample folder trees on the prefix's C: drive.

#include "backup/BackupTestSupport.h"
#include "base/Interaction.h"
#include "desktop/FileSearch.h"
#include "support/FakeInteraction.h"
#include "support/SamplePrefix.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using desktop::FileSearch;
using desktop::FoundFolderList;
using platform::FindData;

namespace {

const auto kIgnore = [](const QString&, const FindData&) {};

} // namespace

class TstFileSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> prefix_;
    std::unique_ptr<platform::Files> fs_;

    void files(const QStringList& winPaths) {
        for (const QString& p : winPaths)
            prefix_->writeFile(p, "data");
    }
    // One search the way the collectors run it: the found folders.
    QStringList foldersFor(const QString& spec, int level = 0, FoundFolderList* list = nullptr) {
        FoundFolderList own;
        FoundFolderList& found = list ? *list : own;
        FileSearch search(*fs_);
        search.Level = level;
        found.clear();
        found.attach(search);
        search.setSearchFile(spec);
        search.Execute();
        return found.folders();
    }

private Q_SLOTS:
    void initTestCase() {
        prefix_ = std::make_unique<support::SamplePrefix>();
        fs_ = prefix_->files();
        files({"C:\\Eudora\\descmap.pce", "C:\\Eudora\\In.fol\\descmap.pce",
               "C:\\Eudora\\In.fol\\Sub.fol\\descmap.pce", "C:\\Eudora\\In.fol\\Sub.fol\\x.toc",
               "C:\\Eudora\\In.fol\\Sub.fol\\Deep\\descmap.pce", "C:\\Two\\a.pce", "C:\\Two\\b.pce",
               "C:\\Two\\c.txt", "C:\\Two\\Sub\\d.pce", "C:\\Two\\Sub\\e.txt"});
    }
    void cleanupTestCase() {
        fs_.reset();
        prefix_.reset();
    }

    void walkOrderAndDepth() {
        const QStringList all{"C:\\Eudora\\", "C:\\Eudora\\In.fol\\",
                              "C:\\Eudora\\In.fol\\Sub.fol\\",
                              "C:\\Eudora\\In.fol\\Sub.fol\\Deep\\"};
        QCOMPARE(foldersFor("C:\\Eudora\\*.pce"), all);
        QCOMPARE(foldersFor("C:\\Eudora\\*.pce", 1), all.mid(0, 1));
        QCOMPARE(foldersFor("C:\\Eudora\\*.pce", 2), all.mid(0, 2));
        QCOMPARE(foldersFor("C:\\Eudora\\*.pce", 4), all);
        // A folder holding two matches is listed twice.
        QCOMPARE(foldersFor("C:\\Two\\*.pce"),
                 (QStringList{"C:\\Two\\", "C:\\Two\\", "C:\\Two\\Sub\\"}));

        FileSearch flat(*fs_);
        flat.RecurseSubFolders = false;
        flat.OnFileFind = kIgnore;
        flat.setSearchFile("C:\\Eudora\\*.pce");
        flat.Execute();
        QCOMPARE(flat.FilesFound(), QStringList{"C:\\Eudora\\descmap.pce"});
    }

    void eventsMasksAndFolderMatches() {
        FileSearch search(*fs_);
        QStringList log;
        search.OnChangeFolder = [&](const QString& f, const FindData& r) {
            log << f + "|" + r.name;
        };
        search.OnFileFind = [&](const QString& f, const FindData& r) {
            log << f + r.name + ((r.attributes & platform::FA_DIRECTORY) ? "\\" : "");
        };
        search.OnFinish = [&](FileSearch& sender) {
            QVERIFY(&sender == &search && sender.busy());
            log << "finish";
        };
        // *.fol matches folders, which are still entered; a further mask shares the
        // folder; a trailing ";" adds nothing.
        search.setSearchFile("C:\\Eudora\\*.fol;*.toc;");
        search.Execute();
        QVERIFY(!search.busy());
        QCOMPARE(log, (QStringList{"C:\\Eudora\\|Eudora", "C:\\Eudora\\In.fol\\",
                                   "C:\\Eudora\\In.fol\\|In.fol", "C:\\Eudora\\In.fol\\Sub.fol\\",
                                   "C:\\Eudora\\In.fol\\Sub.fol\\|Sub.fol",
                                   "C:\\Eudora\\In.fol\\Sub.fol\\Deep\\|Deep",
                                   "C:\\Eudora\\|Eudora", "C:\\Eudora\\In.fol\\|In.fol",
                                   "C:\\Eudora\\In.fol\\Sub.fol\\|Sub.fol",
                                   "C:\\Eudora\\In.fol\\Sub.fol\\x.toc",
                                   "C:\\Eudora\\In.fol\\Sub.fol\\Deep\\|Deep", "finish"}));
        QCOMPARE(search.FilesFound(),
                 (QStringList{"C:\\Eudora\\In.fol", "C:\\Eudora\\In.fol\\Sub.fol",
                              "C:\\Eudora\\In.fol\\Sub.fol\\x.toc"}));
    }

    void hiddenEntriesAndOtherLetterCase() {
        files({"C:\\Case\\.hidden.pce", "C:\\Case\\.dir\\inside.PCE", "C:\\Case\\V\\DESCMAP.Pce"});
        QStringList found = foldersFor("C:\\CASE\\*.pce");
        QCOMPARE(found.takeFirst(), QStringLiteral("C:\\CASE\\"));
        found.sort();
        QCOMPARE(found, (QStringList{"C:\\CASE\\.dir\\", "C:\\CASE\\V\\"}));
    }

    // A ';' in a folder name belongs to the folder; only the masks after the
    // folder's last '\\' are separated by ';'.
    void semicolonsInFolderNames() {
        files({"C:\\Fav;orites\\a.url", "C:\\Fav;orites\\b.lnk", "C:\\Fav;orites\\In;x\\c.url"});
        QCOMPARE(foldersFor("C:\\Fav;orites\\*.url"),
                 (QStringList{"C:\\Fav;orites\\", "C:\\Fav;orites\\In;x\\"}));
        QCOMPARE(foldersFor("C:\\Fav;orites\\*.lnk;*.url"),
                 (QStringList{"C:\\Fav;orites\\", "C:\\Fav;orites\\", "C:\\Fav;orites\\In;x\\"}));
    }

    void missingFoldersAndNoHandler() {
        FileSearch search(*fs_);
        int finished = 0;
        search.OnFinish = [&](FileSearch&) { ++finished; };
        search.OnFileFind = kIgnore;
        for (const char* spec : {"C:\\Nowhere\\*.pce", "Q:\\NoDrive\\*.*", "*.pce", ""}) {
            search.setSearchFile(spec);
            search.Execute();
            QVERIFY2(search.FilesFound().isEmpty(), spec);
        }
        QCOMPARE(finished, 4);
        // Without OnFileFind nothing is reported, though matches exist.
        search.OnFileFind = nullptr;
        search.setSearchFile("C:\\Two\\*.pce");
        search.Execute();
        QVERIFY(search.FilesFound().isEmpty());
    }

    void stopAndReentry() {
        testsupport::FakeInteraction ui;
        FileSearch search(*fs_, &ui);
        int finished = 0;
        search.OnFinish = [&](FileSearch&) { ++finished; };
        search.OnFileFind = [&](const QString&, const FindData&) {
            search.Stop = search.FilesFound().size() == 1; // the second match stops it
            search.Execute();                              // refused while running
        };
        search.setSearchFile("C:\\Eudora\\*.pce;*.toc");
        search.Execute();
        QCOMPARE(search.FilesFound().size(), 2);
        QCOMPARE(finished, 1);

        // The Abort button, pressed while messages are processed.
        search.OnFileFind = kIgnore;
        ui.onEvents = [&] { search.Stop = true; };
        search.Execute();
        QCOMPARE(search.FilesFound(), QStringList{"C:\\Eudora\\descmap.pce"});
        QCOMPARE(finished, 2);
        const int callsWhenStopped = ui.events;

        ui.onEvents = nullptr;
        search.Execute(); // clears Stop
        QCOMPARE(search.FilesFound().size(), 5);
        QVERIFY(ui.events > callsWhenStopped + 5);
    }

    void searchFileIsCutTo255Characters() {
        FileSearch search(*fs_);
        search.setSearchFile(QString(300, u'x'));
        QCOMPARE(search.SearchFile().size(), 255);
        search.setSearchFile(QString(254, u'x') + QStringLiteral("\U0001F600"));
        QCOMPARE(search.SearchFile(), QString(254, u'x'));
    }

    void theFoundListKeepsItsFirstThousand() {
        QStringList many;
        for (int i = 0; i < 600; ++i)
            many << QStringLiteral("C:\\Big\\m%1.pce").arg(i);
        for (int i = 0; i < 405; ++i)
            many << QStringLiteral("C:\\Big\\Sub\\m%1.pce").arg(i);
        files(many);
        FoundFolderList found;
        found.append("stale");
        const QStringList folders = foldersFor("C:\\Big\\*.pce", 0, &found);
        QCOMPARE(folders.size(), FoundFolderList::Capacity);
        QCOMPARE(folders.count("C:\\Big\\"), 600);
        QCOMPARE(folders.count("C:\\Big\\Sub\\"), 400);
        QVERIFY(found.overflowed());
        QCOMPARE(found.dropped(), 5);
        found.clear();
        QVERIFY(found.count() == 0 && !found.overflowed());
    }

    void folderLinksBackToAnAncestorEnd() {
        files({"C:\\Loop\\m.pce", "C:\\Loop\\Sub\\m.pce"});
        const QString sub = prefix_->hostPath("C:\\Loop\\Sub");
        QVERIFY(QFile::link(prefix_->hostPath("C:\\Loop"), sub + "/back"));
        QVERIFY(QFile::link(sub, sub + "/self"));
        QCOMPARE(foldersFor("C:\\Loop\\*.pce"), (QStringList{"C:\\Loop\\", "C:\\Loop\\Sub\\"}));
    }

    // A folder that is there but cannot be listed is no empty folder: it is
    // told to OnFolderError with why, and its siblings are still searched.
    void unreadableFolderIsReported() {
        files({"C:\\Locked\\a.pce", "C:\\Locked\\In.fol\\b.pce", "C:\\Locked\\Out.fol\\c.pce"});
        testsupport::UnreadableFolder locked(prefix_->hostPath("C:\\Locked\\In.fol"));
        if (!locked.active()) QSKIP("the folder stays readable for this process");
        FoundFolderList found;
        FileSearch search(*fs_);
        found.attach(search);
        QStringList failed;
        search.OnFolderError = [&](const QString& folder, const QString& reason) {
            failed << folder;
            QVERIFY2(reason.contains(QLatin1String("Permission denied")), qPrintable(reason));
        };
        search.setSearchFile("C:\\Locked\\*.pce");
        search.Execute();
        QCOMPARE(failed, QStringList{"C:\\Locked\\In.fol\\"});
        QCOMPARE(found.folders(), (QStringList{"C:\\Locked\\", "C:\\Locked\\Out.fol\\"}));
    }

    void randomSearchTextsFinish() {
        const QString alphabet = QStringLiteral("C:\\Two*?.;abcde ");
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 100; ++i) {
            QString spec = QStringLiteral("C:\\");
            for (int k = rng->bounded(20); k > 0; --k)
                spec += alphabet.at(rng->bounded(alphabet.size()));
            FoundFolderList found;
            FileSearch search(*fs_);
            found.attach(search);
            search.setSearchFile(spec);
            search.Execute();
            QCOMPARE(found.count() + found.dropped(), int(search.FilesFound().size()));
        }
    }
};

QTEST_GUILESS_MAIN(TstFileSearch)
#include "tst_filesearch.moc"
