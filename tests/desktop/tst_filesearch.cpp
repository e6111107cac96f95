// The recursive file search over sample folder trees on the prefix's C: drive.

#include "app/Interaction.h"
#include "desktop/TFileSearch.h"
#include "platform/fs.h"
#include "support/SamplePrefix.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using desktop::FoundFolderList;
using desktop::TFileSearch;

namespace {

// Counts the "let pending messages run" calls and can act on them, as a
// button handler would while the search lets messages through.
class CountingInteraction : public app::Interaction {
public:
    int calls = 0;
    std::function<void()> onProcessEvents;
    void showError(const QString&) override {}
    void showWarning(const QString&) override {}
    bool confirm(const QString&, bool) override { return false; }
    QString askPassword() override { return {}; }
    bool askRunningClient(int, const QStringList&) override { return true; }
    void processEvents() override {
        ++calls;
        if (onProcessEvents) onProcessEvents();
    }
};

} // namespace

class TstFileSearch : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<support::SamplePrefix> prefix_;
    std::unique_ptr<platform::Files> fs_;

    void file(const QString& winPath) { prefix_->writeFile(winPath, "data"); }
    // Runs one search the way the collectors do and returns the found folders.
    QStringList foldersFor(const QString& spec, int level = 0, FoundFolderList* list = nullptr) {
        FoundFolderList own;
        FoundFolderList& found = list ? *list : own;
        TFileSearch search(*fs_);
        search.Level = level;
        found.clear();
        found.attach(search);
        search.setSearchFile(spec);
        search.Execute();
        return found.folders();
    }

private Q_SLOTS:
    void init() {
        prefix_ = std::make_unique<support::SamplePrefix>();
        fs_ = prefix_->files();
    }
    void cleanup() {
        fs_.reset();
        prefix_.reset();
    }

    void newComponentState() {
        TFileSearch search(*fs_);
        QCOMPARE(search.Level, 0);
        QVERIFY(search.RecurseSubFolders);
        QVERIFY(!search.Stop);
        QVERIFY(search.SearchFile().isEmpty());
        QVERIFY(search.FilesFound().isEmpty());
        QVERIFY(!search.busy());
    }

    void nestedFoldersAreReportedTopDown() {
        file("C:\\Eudora\\descmap.pce");
        file("C:\\Eudora\\In.fol\\descmap.pce");
        file("C:\\Eudora\\In.fol\\Sub.fol\\descmap.pce");
        file("C:\\Eudora\\In.fol\\Sub.fol\\other.toc");
        QCOMPARE(
            foldersFor("C:\\Eudora\\*.pce"),
            (QStringList{"C:\\Eudora\\", "C:\\Eudora\\In.fol\\", "C:\\Eudora\\In.fol\\Sub.fol\\"}));
    }

    void matchesOfAFolderComeBeforeItsSubFolders() {
        file("C:\\T\\a.pce");
        file("C:\\T\\Sub\\b.pce");
        file("C:\\T\\Sub\\Inner\\c.pce");
        file("C:\\T\\z.pce");
        TFileSearch search(*fs_);
        QStringList changed;
        search.OnChangeFolder = [&](const QString& folder, const platform::FindData& rec) {
            changed << folder + u'|' + rec.name;
        };
        search.OnFileFind = [](const QString&, const platform::FindData&) {};
        search.setSearchFile("C:\\T\\*.pce");
        search.Execute();
        // Siblings come in the file system's order; levels in this one.
        QStringList found = search.FilesFound();
        QCOMPARE(found.size(), 4);
        QStringList top = found.mid(0, 2);
        top.sort();
        QCOMPARE(top, (QStringList{"C:\\T\\a.pce", "C:\\T\\z.pce"}));
        QCOMPARE(found.mid(2), (QStringList{"C:\\T\\Sub\\b.pce", "C:\\T\\Sub\\Inner\\c.pce"}));
        // Each folder is announced once, with its own record, before its matches.
        QCOMPARE(changed,
                 (QStringList{"C:\\T\\|T", "C:\\T\\Sub\\|Sub", "C:\\T\\Sub\\Inner\\|Inner"}));
    }

    void levelLimitsTheDepth() {
        file("C:\\L\\m.pce");
        file("C:\\L\\One\\m.pce");
        file("C:\\L\\One\\Two\\m.pce");
        file("C:\\L\\One\\Two\\Three\\m.pce");
        QCOMPARE(foldersFor("C:\\L\\*.pce", 1), QStringList{"C:\\L\\"});
        QCOMPARE(foldersFor("C:\\L\\*.pce", 2), (QStringList{"C:\\L\\", "C:\\L\\One\\"}));
        QCOMPARE(foldersFor("C:\\L\\*.pce", 3).size(), 3);
        QCOMPARE(foldersFor("C:\\L\\*.pce", 0).size(), 4);

        TFileSearch flat(*fs_);
        flat.RecurseSubFolders = false;
        flat.OnFileFind = [](const QString&, const platform::FindData&) {};
        flat.setSearchFile("C:\\L\\*.pce");
        flat.Execute();
        QCOMPARE(flat.FilesFound(), QStringList{"C:\\L\\m.pce"});
    }

    void aFolderIsListedOncePerMatch() {
        file("C:\\Two\\first.pce");
        file("C:\\Two\\second.pce");
        file("C:\\Two\\third.txt");
        QCOMPARE(foldersFor("C:\\Two\\*.pce"), (QStringList{"C:\\Two\\", "C:\\Two\\"}));
    }

    void foldersMatchingTheMaskAreMatchesAndAreEntered() {
        prefix_->makeDir("C:\\M\\Inbox.fol");
        file("C:\\M\\Inbox.fol\\Deeper.fol\\x.txt");
        file("C:\\M\\notes.txt");
        TFileSearch search(*fs_);
        QList<quint32> attrs;
        search.OnFileFind = [&](const QString&, const platform::FindData& rec) {
            attrs << rec.attributes;
        };
        search.setSearchFile("C:\\M\\*.fol");
        search.Execute();
        QCOMPARE(search.FilesFound(),
                 (QStringList{"C:\\M\\Inbox.fol", "C:\\M\\Inbox.fol\\Deeper.fol"}));
        QCOMPARE(attrs.size(), 2);
        for (quint32 a : attrs)
            QVERIFY(a & platform::FA_DIRECTORY);
    }

    void severalMasksShareTheFolder() {
        file("C:\\Mail\\a.mbx");
        file("C:\\Mail\\a.toc");
        file("C:\\Mail\\Sub\\b.mbx");
        file("C:\\Mail\\Sub\\b.toc");
        file("C:\\Mail\\Sub\\b.txt");
        TFileSearch search(*fs_);
        int finished = 0;
        search.OnFileFind = [](const QString&, const platform::FindData&) {};
        search.OnFinish = [&](TFileSearch& sender) {
            QCOMPARE(&sender, &search);
            QVERIFY(sender.busy());
            ++finished;
        };
        search.setSearchFile("C:\\Mail\\*.mbx;*.toc;");
        search.Execute();
        QCOMPARE(search.FilesFound(), (QStringList{"C:\\Mail\\a.mbx", "C:\\Mail\\Sub\\b.mbx",
                                                   "C:\\Mail\\a.toc", "C:\\Mail\\Sub\\b.toc"}));
        QCOMPARE(finished, 1);
        QVERIFY(!search.busy());
    }

    void hiddenEntriesAndOtherLetterCase() {
        file("C:\\Case\\.hidden.pce");
        file("C:\\Case\\.dir\\inside.PCE");
        file("C:\\Case\\Visible\\DESCMAP.Pce");
        TFileSearch search(*fs_);
        search.OnFileFind = [](const QString&, const platform::FindData&) {};
        search.setSearchFile("C:\\CASE\\*.pce");
        search.Execute();
        QStringList found = search.FilesFound();
        QCOMPARE(found.size(), 3);
        // The folder is reported as it was asked for, the entries as they are named.
        QVERIFY(found.contains("C:\\CASE\\.hidden.pce"));
        QVERIFY(found.contains("C:\\CASE\\.dir\\inside.PCE"));
        QVERIFY(found.contains("C:\\CASE\\Visible\\DESCMAP.Pce"));
        QCOMPARE(found.first(), QStringLiteral("C:\\CASE\\.hidden.pce"));
    }

    void missingFoldersAndNoHandler() {
        TFileSearch search(*fs_);
        int finished = 0;
        search.OnFinish = [&](TFileSearch&) { ++finished; };
        search.OnFileFind = [](const QString&, const platform::FindData&) {};
        for (const char* spec : {"C:\\Nowhere\\*.pce", "Q:\\NoDrive\\*.*", "*.pce", ""}) {
            search.setSearchFile(spec);
            search.Execute();
            QVERIFY2(search.FilesFound().isEmpty(), spec);
        }
        QCOMPARE(finished, 4);

        // Without OnFileFind nothing is reported, though matches exist.
        file("C:\\Has\\x.pce");
        TFileSearch silent(*fs_);
        silent.setSearchFile("C:\\Has\\*.pce");
        silent.Execute();
        QVERIFY(silent.FilesFound().isEmpty());
    }

    void stopEndsTheSearchAndANewOneStartsAfresh() {
        for (int i = 0; i < 5; ++i)
            file(QStringLiteral("C:\\S\\F%1\\m%1.pce").arg(i));
        CountingInteraction ui;
        TFileSearch search(*fs_, &ui);
        int finished = 0;
        search.OnFinish = [&](TFileSearch&) { ++finished; };
        search.OnFileFind = [&](const QString&, const platform::FindData&) {
            if (search.FilesFound().size() == 1) search.Stop = true; // the second match stops it
        };
        search.setSearchFile("C:\\S\\*.pce;*.none");
        search.Execute();
        QCOMPARE(search.FilesFound().size(), 2);
        QCOMPARE(finished, 1);
        QVERIFY(search.Stop);

        // An Abort button pressed while messages are processed.
        search.OnFileFind = [](const QString&, const platform::FindData&) {};
        ui.calls = 0;
        ui.onProcessEvents = [&] { search.Stop = true; };
        search.Execute();
        QVERIFY(search.FilesFound().isEmpty());
        QCOMPARE(finished, 2);
        const int callsWhenStopped = ui.calls;

        ui.onProcessEvents = nullptr;
        search.Execute();
        QCOMPARE(search.FilesFound().size(), 5);
        QVERIFY(ui.calls > callsWhenStopped + 5);
    }

    void aSearchStartedDuringASearchIsRefused() {
        file("C:\\R\\a.pce");
        file("C:\\R\\b.pce");
        TFileSearch search(*fs_);
        search.OnFileFind = [&](const QString&, const platform::FindData&) {
            search.setSearchFile("C:\\R\\b.pce");
            search.Execute();
        };
        search.setSearchFile("C:\\R\\*.pce");
        search.Execute();
        QStringList found = search.FilesFound();
        found.sort();
        QCOMPARE(found, (QStringList{"C:\\R\\a.pce", "C:\\R\\b.pce"}));
        QCOMPARE(search.SearchFile(), QStringLiteral("C:\\R\\b.pce"));
    }

    void searchFileIsCutTo255Characters() {
        TFileSearch search(*fs_);
        search.setSearchFile(QString(300, u'x'));
        QCOMPARE(search.SearchFile().size(), 255);
        search.setSearchFile(QString(254, u'x') + QStringLiteral("\U0001F600"));
        QCOMPARE(search.SearchFile(), QString(254, u'x'));
        search.setSearchFile(QStringLiteral("C:\\a\\*.pce"));
        QCOMPARE(search.SearchFile(), QStringLiteral("C:\\a\\*.pce"));
    }

    void theFoundListKeepsItsFirstThousand() {
        // 600 matches in the start folder and 405 below: 1005 in all.
        for (int i = 0; i < 600; ++i)
            file(QStringLiteral("C:\\Big\\m%1.pce").arg(i));
        for (int i = 0; i < 405; ++i)
            file(QStringLiteral("C:\\Big\\Sub\\m%1.pce").arg(i));
        FoundFolderList found;
        found.append("stale");
        const QStringList folders = foldersFor("C:\\Big\\*.pce", 0, &found);
        QCOMPARE(folders.size(), FoundFolderList::Capacity);
        QCOMPARE(found.count(), 1000);
        QVERIFY(found.overflowed());
        QCOMPARE(found.dropped(), 5);
        QCOMPARE(folders.count("C:\\Big\\"), 600);
        QCOMPARE(folders.count("C:\\Big\\Sub\\"), 400);
        QCOMPARE(found.at(999), QStringLiteral("C:\\Big\\Sub\\"));
        QVERIFY(!found.append("more"));

        found.clear();
        QCOMPARE(found.count(), 0);
        QVERIFY(!found.overflowed());
    }

    void folderLinksBackToAnAncestorEnd() {
        file("C:\\Loop\\m.pce");
        file("C:\\Loop\\Sub\\m.pce");
        const QString sub = prefix_->hostPath("C:\\Loop\\Sub");
        QVERIFY(QFile::link(prefix_->hostPath("C:\\Loop"), sub + "/back"));
        QVERIFY(QFile::link(sub, sub + "/self"));
        QCOMPARE(foldersFor("C:\\Loop\\*.pce"), (QStringList{"C:\\Loop\\", "C:\\Loop\\Sub\\"}));
    }

    void randomSearchTextsFinish() {
        file("C:\\Z\\a.b");
        file("C:\\Z\\c\\d.e");
        const QString alphabet = QStringLiteral("C:\\Z*?.;abcde ");
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 100; ++i) {
            QString spec = QStringLiteral("C:\\");
            const int n = rng->bounded(20);
            for (int k = 0; k < n; ++k)
                spec += alphabet.at(rng->bounded(alphabet.size()));
            FoundFolderList found;
            TFileSearch search(*fs_);
            found.attach(search);
            search.setSearchFile(spec);
            search.Execute();
            QCOMPARE(found.count(), int(search.FilesFound().size()));
        }
    }
};

QTEST_GUILESS_MAIN(TstFileSearch)
#include "tst_filesearch.moc"
