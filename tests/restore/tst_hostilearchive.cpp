// Backups made hostile as an attacker would make them, restored directly into
// the client: each one is refused before anything is written, and nothing
// changes inside the prefix (files and both hives) or outside it (a canary
// beside the prefix, $HOME). A row names the client and how it changes a real
// backup (and, when the attack needs it, the prefix).

#include "support/HostileArchive.h"
#include "support/clients/EveryClient.h"
#include "support/clients/OutlookExpressSample.h"
#include "support/clients/TheBatSample.h"

#include "platform/Encoding.h"

#include <QScopeGuard>

using testsupport::HostileArchive;

namespace {

struct Scene {
    support::SamplePrefix& prefix;
    QString beside; // a folder beside the prefix, holding the canary
    QString folder; // non-empty: restore below this host folder instead (/p:)
    QString skip;   // why the row cannot run here
    std::vector<std::function<void()>> undo;
};
using Mutation = std::function<bool(HostileArchive&, Scene&)>;

struct Row {
    const char* name;
    int client;
    Mutation mutate;
    QString expect; // a part of the refusal: what it must name
};

const QString kAnnKey = support::OutlookExpressInstall().annKey;

QString startUp(const support::SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() +
           QStringLiteral("\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
}

// An entry added beside the one named `like` (same folder), with new bytes.
bool addBeside(HostileArchive& a, const QString& like, const QString& name) {
    const HostileArchive::Entry* e = a.find(like);
    if (!e) return false;
    const QString folder = e->name.section(QLatin1Char('/'), 0, -2);
    a.entries().push_back({folder + QLatin1Char('/') + name, "evil"});
    return true;
}

bool renameEntry(HostileArchive& a, const QString& tail, const QString& name) {
    HostileArchive::Entry* e = a.find(tail);
    if (!e) return false;
    e->name = name;
    return true;
}

// A key section added to an identity's dump, in the dump's own form.
Mutation dumpAdds(const char* lines) {
    return [lines](HostileArchive& a, Scene&) {
        HostileArchive::Entry* e = a.find(QStringLiteral("identity2.reg"));
        const QString text = QStringLiteral("\r\n%1\r\n").arg(QLatin1String(lines));
        if (e)
            e->bytes +=
                e->bytes.startsWith("\xFF\xFE") ? platform::utf16LeBytes(text) : text.toLatin1();
        return e != nullptr;
    };
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"store root in $HOME", clients::kOutlookExpress,
         [](HostileArchive& a, Scene& s) {
             return a.rewriteDump(QStringLiteral("identity2.reg"), [&s](const QString& t) {
                 return t.contains(QLatin1String("Outlook Express"))
                            ? testsupport::zPath(s.prefix.home())
                            : t;
             });
         },
         QStringLiteral("not on drive C:")},
        {"stationery in the Start-up folder", clients::kOutlookExpress,
         [](HostileArchive& a, Scene& s) {
             return a.setIniValue(QStringLiteral("stationery.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Stationery"), startUp(s.prefix)) &&
                    addBeside(a, QStringLiteral("Stationery/Ivy.htm"), QStringLiteral("evil.bat"));
         },
         QStringLiteral("Stationery/")},
        {"personal folders in system32", clients::kOutlook,
         [](HostileArchive& a, Scene&) {
             a.entries().push_back({QStringLiteral("Others/Dir1/evil.dll"), "MZ"});
             return a.setIniValue(QStringLiteral("others.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Dir1"),
                                  QStringLiteral("C:\\windows\\system32\\"));
         },
         QStringLiteral("Others/Dir1/")},
        {"users folder in $HOME", clients::kPocoMail3,
         [](HostileArchive& a, Scene& s) {
             return a.setIniValue(QStringLiteral("poco.ini"), QStringLiteral("Program"),
                                  QStringLiteral("UsersPath"), testsupport::zPath(s.prefix.home()));
         },
         QStringLiteral("users/")},
        {"new user in autostart", clients::kTheBat,
         [](HostileArchive& a, Scene& s) {
             a.entries().push_back({QStringLiteral("Evil/evil.desktop"), "[Desktop Entry]\n"});
             const QString n = QString::number(support::thebat::users().size() + 1);
             return a.setIniValue(QStringLiteral("infobak.ini"), QStringLiteral("Identities"),
                                  QStringLiteral("Item") + n, QStringLiteral("Evil")) &&
                    a.setIniValue(QStringLiteral("infobak.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Item") + n,
                                  testsupport::zPath(s.prefix.home() +
                                                     QStringLiteral("/.config/autostart/")));
         },
         QStringLiteral("Evil/evil.desktop")},
        {"profile folder in $HOME", clients::kNetscape4,
         [](HostileArchive& a, Scene& s) {
             return a.setIniValue(QStringLiteral("jane/directory.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Dir"),
                                  testsupport::zPath(s.prefix.home()) + QLatin1Char('\\'));
         },
         QStringLiteral("jane/")},
        {"profile folder of Mozilla in $HOME", clients::kNetscape67,
         [](HostileArchive& a, Scene& s) {
             return a.setIniValue(QStringLiteral("infobak.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Dir1"), testsupport::zPath(s.prefix.home()));
         },
         QStringLiteral("prefs.js")},
        {"signature folder in $HOME", clients::kOpera6,
         [](HostileArchive& a, Scene& s) {
             return a.setIniValue(QStringLiteral("account1/signatures.ini"),
                                  QStringLiteral("Directory"), QStringLiteral("Dir"),
                                  testsupport::zPath(s.prefix.home()) + QLatin1Char('\\'));
         },
         QStringLiteral("ann.sig")},
        {"favorites climbing with slashes", clients::kFavorites,
         [](HostileArchive& a, Scene&) {
             a.entries().push_back({QStringLiteral("Dir2/evil.url"), "[InternetShortcut]\r\n"});
             return a.setIniValue(QStringLiteral("directory.ini"), QStringLiteral("Directory"),
                                  QStringLiteral("Dir2"),
                                  QStringLiteral("Links/../../../../windows/system32"));
         },
         QStringLiteral("Dir2/")},
        {"duplicate entry", clients::kOutlookExpress,
         [](HostileArchive& a, Scene&) {
             const HostileArchive::Entry* e = a.find(QStringLiteral("/Inbox.dbx"));
             if (!e) return false;
             a.entries().push_back({e->name, "second"});
             return true;
         },
         QStringLiteral("Inbox.dbx")},
        {"same name in another case", clients::kOutlookExpress,
         [](HostileArchive& a, Scene&) {
             return addBeside(a, QStringLiteral("/Inbox.dbx"), QStringLiteral("INBOX.DBX"));
         },
         QStringLiteral("INBOX.DBX")},
        {"dot folder", clients::kOutlookExpress,
         [](HostileArchive& a, Scene&) {
             return renameEntry(a, QStringLiteral("/Inbox.dbx"),
                                kAnnKey + QStringLiteral("/./Inbox.dbx"));
         },
         QStringLiteral("./Inbox.dbx")},
        {"colon in a name", clients::kOutlookExpress,
         [](HostileArchive& a, Scene&) {
             return addBeside(a, QStringLiteral("/Inbox.dbx"), QStringLiteral("In:box.dbx"));
         },
         QStringLiteral("In:box.dbx")},
        {"5000 characters", clients::kOutlookExpress,
         [](HostileArchive& a, Scene&) {
             QString deep;
             while (deep.size() < 5000)
                 deep += QString(200, QLatin1Char('d')) + QLatin1Char('/');
             return addBeside(a, QStringLiteral("/Inbox.dbx"), deep + QStringLiteral("x.dbx"));
         },
         QStringLiteral("x.dbx")},
        {"immutable file in the way", clients::kOutlookExpress,
         [](HostileArchive&, Scene& s) {
             const QString file = s.prefix.hostPath(
                 QStringLiteral("C:\\users\\") + s.prefix.userName() +
                 QStringLiteral("\\Local Settings\\Application Data\\Identities\\") + kAnnKey +
                 QStringLiteral("\\Microsoft\\Outlook Express\\Inbox.dbx"));
             const auto chattr =
                 testsupport::runTool(QStringLiteral("chattr"), {QStringLiteral("+i"), file});
             if (chattr.exitCode != 0) {
                 s.skip = QStringLiteral("chattr +i does not work here: ") + chattr.output;
                 return true;
             }
             s.undo.push_back([file] {
                 testsupport::runTool(QStringLiteral("chattr"), {QStringLiteral("-i"), file});
             });
             return true;
         },
         QStringLiteral("immutable")},
        {"folder restore through a link", clients::kEudora,
         [](HostileArchive&, Scene& s) {
             s.folder = s.beside + QStringLiteral("/restored");
             return QDir().mkpath(s.folder) &&
                    QFile::link(s.beside + QStringLiteral("/canary.txt"),
                                s.folder + QStringLiteral("/infobak.ini"));
         },
         QStringLiteral("infobak.ini is a symbolic link")},
        {"dump sets RunOnce", clients::kOutlookExpress,
         dumpAdds("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]"
                  "\r\n\"x\"=\"evil.exe\""),
         QStringLiteral("CurrentVersion\\RunOnce: not one of the client's own keys")},
        {"dump sets Run", clients::kOutlookExpress,
         dumpAdds(
             "[HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\""),
         QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run:")},
        {"dump sets the machine's Run", clients::kOutlookExpress,
         dumpAdds("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"
                  "\r\n\"x\"=\"e\""),
         QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run:")},
        {"dump sets the command of programs", clients::kOutlookExpress,
         dumpAdds("[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\r\n@=\"evil.exe %1\""),
         QStringLiteral("exefile\\shell\\open\\command")},
        {"dump deletes the whole software tree", clients::kOutlookExpress,
         dumpAdds("[-HKEY_CURRENT_USER\\Software]"),
         QStringLiteral("HKEY_CURRENT_USER\\Software: a deletion")},
    };
    return table;
}

} // namespace

class TestHostileArchive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusedWithNothingChanged_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < rows().size(); ++i)
            QTest::newRow(rows()[i].name) << int(i);
    }
    void refusedWithNothingChanged() {
        QFETCH(int, row);
        const Row& r = rows()[size_t(row)];
        testsupport::RestoringRig rig;
        support::addEveryClient(rig.prefix);
        QVERIFY2(rig.backUp(r.client), qPrintable(rig.state().BackupErrorText));
        HostileArchive archive(rig.archive());
        QVERIFY(archive.ok());

        Scene scene{rig.prefix, rig.prefix.root() + QStringLiteral("/beside"), {}, {}, {}};
        QVERIFY(QDir().mkpath(scene.beside));
        for (const QString& canary : {scene.beside + QStringLiteral("/canary.txt"),
                                      rig.prefix.home() + QStringLiteral("/.bashrc")}) {
            QFile f(canary);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("mine\n") == 5);
        }
        const bool mutated = r.mutate(archive, scene);
        const auto cleanup = qScopeGuard([&scene] {
            for (const auto& u : scene.undo)
                u();
        });
        if (!scene.skip.isEmpty()) QSKIP(qPrintable(scene.skip));
        QVERIFY(mutated);
        QVERIFY(archive.write(rig.archive()));

        const QStringList watched = {rig.prefix.prefixDir(), rig.prefix.home(), scene.beside};
        std::vector<std::map<QString, QByteArray>> before;
        for (const QString& w : watched)
            before.push_back(testsupport::treeSnapshot(w));

        restore::RestoreReport report;
        if (scene.folder.isEmpty()) {
            report = rig.restoreDirectly();
        } else {
            restore::RestoreRequest request;
            request.archive = rig.archive();
            request.destination = restore::RestoreRequest::Destination::Folder;
            request.folder = scene.folder;
            report = rig.job.Run(request);
        }
        QVERIFY2(report.kind == restore::RestoreReport::Kind::Refused,
                 qPrintable(QStringLiteral("%1: %2").arg(int(report.kind)).arg(report.error)));
        QVERIFY2(report.error.contains(r.expect), qPrintable(report.error));
        QVERIFY(report.placed.isEmpty());
        for (qsizetype i = 0; i < watched.size(); ++i) {
            const QStringList diff = testsupport::treeDifferences(
                before[size_t(i)], testsupport::treeSnapshot(watched[i]));
            QVERIFY2(diff.isEmpty(), qPrintable(watched[i] + QLatin1Char(':') + diff.join(u'\n')));
        }
    }
};

QTEST_GUILESS_MAIN(TestHostileArchive)
#include "tst_hostilearchive.moc"
