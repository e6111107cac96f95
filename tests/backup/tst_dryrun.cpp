// Dry runs of a backup: the folders a collector reads, found from its file
// list without calling the archiving library, and the real backup after one.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"
#include "support/clients/OperaSample.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/DataFolders.h"
#include "backup/DryRun.h"

#include <QDirIterator>

using namespace backup;
using testsupport::BackupRig;

namespace {

// Library calls during a run; the entry points below only count them.
int g_libraryCalls = 0;
std::int32_t countList(SqxLibrary::ListHandle*) {
    ++g_libraryCalls;
    return 0;
}
std::int32_t countAdd(const char*, SqxLibrary::ListHandle*) {
    ++g_libraryCalls;
    return 0;
}
std::int32_t countFiles(const char*, SqxLibrary::ListHandle*, void*, SqxLibrary::Callback,
                        std::intptr_t) {
    ++g_libraryCalls;
    return 0;
}

// Every file and folder below a host folder, with its size.
QStringList treeOf(const QString& hostDir) {
    QStringList out;
    QDirIterator it(hostDir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size());
    }
    out.sort();
    return out;
}

QStringList paths(const QList<DataFolder>& folders) {
    QStringList out;
    for (const DataFolder& f : folders)
        out << f.path;
    return out;
}

const ClientDataFolders* find(const QList<ClientDataFolders>& all, int code) {
    for (const ClientDataFolders& c : all) {
        if (c.code == code) return &c;
    }
    return nullptr;
}

} // namespace

class TestDryRun : public QObject {
    Q_OBJECT

    // Outlook Express (registered as a mail client) and Eudora.
    struct Rig : BackupRig {
        support::OutlookExpressInstall oe = support::addOutlookExpress(prefix);
        QString eudora;
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\eudora.ebk")) {
            prefix.addKey(platform::HKEY_LOCAL_MACHINE,
                          QStringLiteral("Software\\Clients\\Mail\\Outlook Express"));
            prefix.save();
            support::addEudora(prefix);
            eudora = support::eudora::dataFolder(prefix);
        }
        BackupRequest eudoraRequest() const {
            return request(clients::kEudora, ticked({QStringLiteral("Default")}),
                           ticked(clients::ClientItems(clients::kEudora)));
        }
    };

private Q_SLOTS:
    void foldersOfTheInstalledClients();
    void eachInstalledVersionRuns();
    void dryRunCallsNoLibraryAndWritesNothing();
    void realBackupAfterADryRun();
    void missingDataFolderIsMarked();
    void foldersOfAList();
    void inspectCommandShowsTheFolders();
};

void TestDryRun::foldersOfTheInstalledClients() {
    Rig rig;
    DryRun dry(*rig.registry, *rig.files, rig.catalogue, rig.ui);
    const QList<ClientDataFolders> all = dry.RunFound();
    QList<int> codes;
    for (const ClientDataFolders& c : all)
        codes << c.code;
    // Favorites counts as installed everywhere.
    QCOMPARE(codes, (QList<int>{clients::kOutlookExpress, clients::kEudora, clients::kFavorites}));

    const ClientDataFolders* oe = find(all, clients::kOutlookExpress);
    QVERIFY2(oe->problem.isEmpty(), qPrintable(oe->problem));
    QStringList expectedOe{rig.oe.annStore, QStringLiteral("C:\\Mail\\Bjorn"), rig.oe.wabFolder,
                           rig.oe.stationery};
    QStringList gotOe = paths(oe->folders);
    std::sort(expectedOe.begin(), expectedOe.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(gotOe, expectedOe);
    for (const DataFolder& f : oe->folders)
        QVERIFY2(f.exists, qPrintable(f.path));

    // Eudora: the data folder, its mail folders (nested, upper case, not ".fol")
    // and the folders of its items; the attachments are not read.
    const ClientDataFolders* eu = find(all, clients::kEudora);
    QVERIFY2(eu->problem.isEmpty(), qPrintable(eu->problem));
    QStringList expectedEu{rig.eudora};
    for (const char* sub : {"Archive", "Filters", "In.fol", "In.fol\\Sub.fol", "Sigs", "Spool",
                            "Stationery", "WORK.FOL"})
        expectedEu << rig.eudora + QLatin1Char('\\') + QLatin1String(sub);
    QCOMPARE(paths(eu->folders), expectedEu);

    // The staging folder's dumps and manifests are the program's, not data.
    for (const ClientDataFolders& c : all) {
        for (const DataFolder& f : c.folders)
            QVERIFY2(!f.path.startsWith(dry.stagingFolder(), Qt::CaseInsensitive),
                     qPrintable(f.path));
    }
}

void TestDryRun::eachInstalledVersionRuns() {
    BackupRig rig;
    support::addOpera(rig.prefix);
    // PocoMail is registered, but no layout of it is installed.
    rig.prefix.addKey(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Poco"));
    rig.prefix.save();
    DryRun dry(*rig.registry, *rig.files, rig.catalogue, rig.ui);
    const QList<ClientDataFolders> all = dry.RunFound();

    const ClientDataFolders* poco = find(all, clients::kPocoMail);
    QVERIFY(poco && poco->folders.isEmpty() && !poco->problem.isEmpty());
    for (int code : {clients::kPocoMail2, clients::kPocoMail3, clients::kPocoMail20})
        QVERIFY(!find(all, code));

    // Opera 7 first, as the catalogue prefers it; each layout reads its own tree.
    QList<int> opera;
    for (const ClientDataFolders& c : all) {
        if (clients::BaseCode(c.code) == clients::kOpera) opera << c.code;
    }
    QCOMPARE(opera, (QList<int>{clients::kOpera7, clients::kOpera6}));
    const ClientDataFolders* seven = find(all, clients::kOpera7);
    const ClientDataFolders* six = find(all, clients::kOpera6);
    QCOMPARE(seven->label, QStringLiteral("7.x"));
    QCOMPARE(six->label, QStringLiteral("6.x"));
    const QString r = support::opera::opera7Folder(rig.prefix);
    QVERIFY(paths(seven->folders).contains(r + QStringLiteral("\\Mail")));
    QVERIFY(paths(six->folders).contains(support::opera::mailFolder()));
    for (const DataFolder& f : seven->folders)
        QVERIFY2(f.path.startsWith(r, Qt::CaseInsensitive), qPrintable(f.path));
    for (const DataFolder& f : six->folders)
        QVERIFY2(!f.path.startsWith(r, Qt::CaseInsensitive), qPrintable(f.path));
    QVERIFY(DataFolderReport({*seven}).first().endsWith(QLatin1String("(7.x):")));
}

void TestDryRun::dryRunCallsNoLibraryAndWritesNothing() {
    Rig rig;
    DryRun dry(*rig.registry, *rig.files, rig.catalogue, rig.ui);
    SqxLibrary::EntryPoints counting;
    counting.initFileList = &countList;
    counting.doneFileList = &countList;
    counting.addFileList = &countAdd;
    counting.addFiles = &countFiles;
    dry.engine().library().setEntryPoints(counting);
    g_libraryCalls = 0;

    const QStringList before = treeOf(rig.prefix.prefixDir());
    const QList<ClientDataFolders> all = dry.RunFound();
    QCOMPARE(g_libraryCalls, 0);
    QVERIFY(!find(all, clients::kEudora)->folders.isEmpty());
    QVERIFY(dry.engine().list().count() > 0);
    // Not a file of the prefix changed; no archive anywhere.
    QCOMPARE(treeOf(rig.prefix.prefixDir()), before);
    QVERIFY(!dry.engine().driver().listOnly());

    // The same engine writes for real again once the dry run is over.
    dry.engine().state().resetForRun();
    dry.engine().RunBackup(rig.eudoraRequest());
    QVERIFY(g_libraryCalls > 0);
}

void TestDryRun::realBackupAfterADryRun() {
    REQUIRE_TOOLS("7z", "bsdtar");
    Rig rig;
    rig.engine->state().resetForRun();
    QVERIFY(!rig.engine->DryRun(rig.eudoraRequest()));
    QVERIFY(!QFileInfo::exists(rig.archive()));
    QVERIFY(!rig.engine->driver().listOnly());
    std::vector<ArchiveEntry> dryList;
    for (int n = 1; n <= rig.list().count(); ++n)
        dryList.push_back(rig.list().entry(n));

    QVERIFY(!rig.run(clients::kEudora, BackupRig::ticked({QStringLiteral("Default")}),
                     BackupRig::ticked(clients::ClientItems(clients::kEudora))));
    QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
    QVERIFY(rig.sevenZipTests());
    // The real run lists what the dry run listed ...
    QCOMPARE(rig.list().count(), int(dryList.size()));
    for (int n = 1; n <= rig.list().count(); ++n) {
        QCOMPARE(rig.list().entry(n).spec, dryList[std::size_t(n - 1)].spec);
        QCOMPARE(rig.list().entry(n).archiveFolder, dryList[std::size_t(n - 1)].archiveFolder);
    }
    // ... and stores what a backup without a dry run before it stores.
    Rig fresh;
    QVERIFY(!fresh.run(clients::kEudora, BackupRig::ticked({QStringLiteral("Default")}),
                       BackupRig::ticked(clients::ClientItems(clients::kEudora))));
    QCOMPARE(rig.names(), fresh.names());
    QVERIFY(rig.names().contains(QStringLiteral("In.fol/Sub.fol/Old.mbx")));
}

void TestDryRun::missingDataFolderIsMarked() {
    Rig rig;
    rig.prefix.setString(platform::HKEY_CLASSES_ROOT, support::eudora::commandLineKey(), QString(),
                         QStringLiteral("C:\\Eudora\\Eudora.exe C:\\Gone\\Eudora "
                                        "C:\\Gone\\Eudora\\Eudora.ini"));
    rig.prefix.save();
    DryRun dry(*rig.registry, *rig.files, rig.catalogue, rig.ui);
    const ClientDataFolders eu = dry.Run(clients::kEudora);
    QCOMPARE(eu.folders.size(), 1);
    QCOMPARE(eu.folders[0].path, QStringLiteral("C:\\Gone\\Eudora"));
    QVERIFY(!eu.folders[0].exists);
    const QStringList report = DataFolderReport({eu});
    QCOMPARE(report.value(0), QStringLiteral("data folders of code 3 \"Eudora\":"));
    QCOMPARE(report.value(1), QStringLiteral("  C:\\Gone\\Eudora  (missing)"));

    // A client without a collector, and a request beyond the arrays, say why.
    QVERIFY(!dry.Run(clients::kPocoMail).problem.isEmpty());
    for (int i = 0; i < 21; ++i)
        rig.prefix.setString(platform::HKEY_CURRENT_USER, QStringLiteral("identities\\{%1}").arg(i),
                             QStringLiteral("Username"), QStringLiteral("user %1").arg(i));
    rig.prefix.save();
    const ClientDataFolders many = dry.Run(clients::kOutlookExpress);
    QVERIFY2(many.problem.contains(QLatin1String("at most 20")), qPrintable(many.problem));
    QVERIFY(DataFolderReport({many}).last().startsWith(QLatin1String("  note: ")));
}

void TestDryRun::foldersOfAList() {
    testsupport::MiniPrefix p;
    p.write(QStringLiteral("C:\\Mail\\Inbox.mbx"), 10);
    p.write(QStringLiteral("C:\\Mail\\Sub\\Old.mbx"), 10);
    p.write(QStringLiteral("C:\\stage\\dump.reg"), 10);
    p.write(QStringLiteral("C:\\stage2\\keep.ini"), 10);
    p.write(QStringLiteral("C:\\boot.ini"), 10);
    ArchiveList list(*p.files);
    list.AddArchiveEntry(QStringLiteral("C:\\Mail\\Inbox.mbx"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\MAIL\\inbox.mbx"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\Mail\\Sub"), QString(), QString()); // a folder
    list.AddArchiveEntry(QStringLiteral("C:\\Mail\\Sub\\*.mbx"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\Gone\\x.toc"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\stage\\dump.reg"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("c:\\STAGE\\infobak.ini"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\stage2\\keep.ini"), QString(), QString());
    list.AddArchiveEntry(QStringLiteral("C:\\boot.ini"), QString(), QString());
    list.AddArchiveEntry(QString(), QString(), QString());

    const QList<DataFolder> got = DataFoldersOf(list, QStringLiteral("C:\\stage\\"), *p.files);
    QCOMPARE(paths(got),
             (QStringList{"C:\\", "C:\\Gone", "C:\\Mail", "C:\\Mail\\Sub", "C:\\stage2"}));
    QList<bool> exists;
    for (const DataFolder& f : got)
        exists << f.exists;
    QCOMPARE(exists, (QList<bool>{true, false, true, true, true}));
}

void TestDryRun::inspectCommandShowsTheFolders() {
    Rig rig;
    QProcess proc;
    proc.start(qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
                   QStringLiteral("/postora-inspect"),
               {QStringLiteral("clients")});
    QVERIFY(proc.waitForFinished(60000));
    QCOMPARE(proc.exitCode(), 0);
    const QString out = QString::fromUtf8(proc.readAllStandardOutput());
    const QString eudora = QStringLiteral("data folders of code 3 \"Eudora\":\n  ") + rig.eudora +
                           QStringLiteral("\n  ") + rig.eudora + QStringLiteral("\\Archive\n");
    QVERIFY2(out.contains(eudora), qPrintable(out));
    const qsizetype oe =
        out.indexOf(QStringLiteral("data folders of code 1 \"Microsoft Outlook Express\":\n"));
    QVERIFY2(oe >= 0, qPrintable(out));
    QVERIFY(out.indexOf(QStringLiteral("\n  ") + rig.oe.annStore + QLatin1Char('\n'), oe) > oe);
    QVERIFY(!out.contains(QLatin1String("(missing)")));
    QVERIFY(!out.contains(QLatin1String("data folders of code 2 ")));
}

QTEST_GUILESS_MAIN(TestDryRun)
#include "tst_dryrun.moc"
