// Backups made hostile as an attacker would make them, restored directly into
// the client: each one is refused before anything is written, and nothing
// changes inside the prefix (files and both hives) or outside it (a canary
// beside the prefix, $HOME). A row names the client and how it changes a real
// backup (and, when the attack needs it, the prefix).

#include "support/HostileArchive.h"
#include "support/clients/OutlookExpressSample.h"
#include "support/clients/TheBatSample.h"

#include "platform/Encoding.h"

namespace {

using namespace testsupport::hostile;

struct Row {
    const char* name;
    int client;
    Mutation mutate;
    QString expect; // a part of the refusal: what it must name
};

const QString kAnn = support::OutlookExpressInstall().annKey;
const QString kStartUp = QStringLiteral(
    "C:\\users\\%1\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
const QString kBat = QString::number(support::thebat::users().size() + 1); // a new user

// A key section added to an identity's dump, in the dump's own form.
Mutation dumpAdds(const char* lines) {
    return [lines](testsupport::HostileArchive& a, Scene&) {
        testsupport::HostileArchive::Entry* e = a.find(QStringLiteral("identity2.reg"));
        const QString text = QStringLiteral("\r\n%1\r\n").arg(QLatin1String(lines));
        if (e)
            e->bytes +=
                e->bytes.startsWith("\xFF\xFE") ? platform::utf16LeBytes(text) : text.toLatin1();
        return e != nullptr;
    };
}

// A safety archive's undo record naming what is not the client's: the given
// sections after "[Undo]" with this prefix, beside a file and an export of a
// start-up key it may name; "%HOME%" stands for $HOME on drive Z:.
Mutation undoRecord(const char* sections) {
    return [sections](testsupport::HostileArchive& a, Scene& s) {
        QDir().mkpath(s.prefix.home());
        QFile::link(s.prefix.home(), s.prefix.prefixDir() + QStringLiteral("/drive_c/linked"));
        const QString ini = QStringLiteral("[Undo]\r\nPrefix=%1\r\n%2")
                                .arg(s.prefix.prefixDir(), QLatin1String(sections))
                                .replace(QStringLiteral("%HOME%"), inHome()(s));
        return all({add(QStringLiteral("UndoRestore/undo.ini"), ini.toUtf8()),
                    add(QStringLiteral("UndoRestore/files/1/evil.dll")),
                    add(QStringLiteral("UndoRestore/keys/1.reg"),
                        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                        "CurrentVersion\\RunOnce]\r\n\"x\"=\"evil.exe\"\r\n")})(a, s);
    };
}

const std::vector<Row>& rows() {
    using namespace clients;
    static const std::vector<Row> table = {
        {"store root in $HOME", kOutlookExpress,
         dumpText(QStringLiteral("identity2.reg"), QStringLiteral("Outlook Express"), inHome()),
         QStringLiteral("not on drive C:")},
        {"stationery in the Start-up folder", kOutlookExpress,
         all({ini(QStringLiteral("stationery.ini"), QStringLiteral("Directory"),
                  QStringLiteral("Stationery"), inPrefixUser(kStartUp)),
              addBeside(QStringLiteral("Stationery/Ivy.htm"), QStringLiteral("evil.bat"))}),
         QStringLiteral("Stationery/")},
        {"personal folders in system32", kOutlook,
         all({add(QStringLiteral("Others/Dir1/evil.dll")),
              ini(QStringLiteral("others.ini"), QStringLiteral("Directory"), QStringLiteral("Dir1"),
                  fixed(QStringLiteral("C:\\windows\\system32\\")))}),
         QStringLiteral("Others/Dir1/")},
        {"users folder in $HOME", kPocoMail3,
         ini(QStringLiteral("poco.ini"), QStringLiteral("Program"), QStringLiteral("UsersPath"),
             inHome()),
         QStringLiteral("users/")},
        {"new user in autostart", kTheBat,
         all({add(QStringLiteral("Evil/evil.desktop")),
              ini(QStringLiteral("infobak.ini"), QStringLiteral("Identities"),
                  QStringLiteral("Item") + kBat, fixed(QStringLiteral("Evil"))),
              ini(QStringLiteral("infobak.ini"), QStringLiteral("Directory"),
                  QStringLiteral("Item") + kBat, inHome(QStringLiteral("/.config/autostart/")))}),
         QStringLiteral("Evil/evil.desktop")},
        {"profile folder in $HOME", kNetscape4,
         ini(QStringLiteral("jane/directory.ini"), QStringLiteral("Directory"),
             QStringLiteral("Dir"), inHome(QStringLiteral("/"))),
         QStringLiteral("jane/")},
        {"profile folder of Mozilla in $HOME", kNetscape67,
         ini(QStringLiteral("infobak.ini"), QStringLiteral("Directory"), QStringLiteral("Dir1"),
             inHome()),
         QStringLiteral("prefs.js")},
        {"signature folder in $HOME", kOpera6,
         ini(QStringLiteral("account1/signatures.ini"), QStringLiteral("Directory"),
             QStringLiteral("Dir"), inHome(QStringLiteral("/"))),
         QStringLiteral("ann.sig")},
        {"favorites climbing with slashes", kFavorites,
         all({add(QStringLiteral("Dir2/evil.url")),
              ini(QStringLiteral("directory.ini"), QStringLiteral("Directory"),
                  QStringLiteral("Dir2"),
                  fixed(QStringLiteral("Links/../../../../windows/system32")))}),
         QStringLiteral("Dir2/")},
        {"duplicate entry", kOutlookExpress, duplicate(QStringLiteral("/Inbox.dbx")),
         QStringLiteral("Inbox.dbx")},
        {"same name in another case", kOutlookExpress,
         addBeside(QStringLiteral("/Inbox.dbx"), QStringLiteral("INBOX.DBX")),
         QStringLiteral("INBOX.DBX")},
        {"dot folder", kOutlookExpress,
         rename(QStringLiteral("/Inbox.dbx"), kAnn + QStringLiteral("/./Inbox.dbx")),
         QStringLiteral("./Inbox.dbx")},
        {"colon in a name", kOutlookExpress,
         addBeside(QStringLiteral("/Inbox.dbx"), QStringLiteral("In:box.dbx")),
         QStringLiteral("In:box.dbx")},
        {"5000 characters", kOutlookExpress,
         addBeside(QStringLiteral("/Inbox.dbx"),
                   (QString(200, QLatin1Char('d')) + QLatin1Char('/')).repeated(25) +
                       QStringLiteral("x.dbx")),
         QStringLiteral("x.dbx")},
        {"immutable file in the way", kOutlookExpress,
         immutable(QStringLiteral("C:\\users\\%1\\Local Settings\\Application Data\\Identities\\") +
                   kAnn + QStringLiteral("\\Microsoft\\Outlook Express\\Inbox.dbx")),
         QStringLiteral("immutable")},
        {"no room where the store goes", kOutlookExpress,
         smallDisk(QStringLiteral("C:\\users\\%1\\Local Settings\\Application Data\\Identities\\") +
                       kAnn + QStringLiteral("\\Microsoft\\Outlook Express"),
                   8192),
         QStringLiteral("are free there")},
        {"folder restore through a link", kEudora,
         intoFolderWithLink(QStringLiteral("infobak.ini")),
         QStringLiteral("infobak.ini is a symbolic link")},
        {"dump sets RunOnce", kOutlookExpress,
         dumpAdds("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]"
                  "\r\n\"x\"=\"evil.exe\""),
         QStringLiteral("CurrentVersion\\RunOnce: not one of the client's own keys")},
        {"dump sets Run", kOutlookExpress,
         dumpAdds(
             "[HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\""),
         QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run:")},
        {"dump sets the machine's Run", kOutlookExpress,
         dumpAdds("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"
                  "\r\n\"x\"=\"e\""),
         QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run:")},
        {"dump sets the command of programs", kOutlookExpress,
         dumpAdds("[HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command]\r\n@=\"evil.exe %1\""),
         QStringLiteral("exefile\\shell\\open\\command")},
        {"dump deletes the whole software tree", kOutlookExpress,
         dumpAdds("[-HKEY_CURRENT_USER\\Software]"),
         QStringLiteral("HKEY_CURRENT_USER\\Software: a deletion")},
        {"undo removes a file in $HOME", kEudora,
         undoRecord("[Created Files]\r\n1=%HOME%\\.bashrc"), QStringLiteral("not on drive C:")},
        {"undo places into system32", kEudora,
         undoRecord("[Replaced Files]\r\n1=C:\\windows\\system32\\evil.dll\r\n"
                    "[Replaced Entries]\r\n1=UndoRestore/files/1/evil.dll"),
         QStringLiteral("a folder of Windows itself")},
        {"undo climbs with slashes", kEudora,
         undoRecord("[Created Files]\r\n1=C:\\users/../windows/win.ini"),
         QStringLiteral("a \"..\" name")},
        {"undo removes through a link", kEudora,
         undoRecord("[Created Files]\r\n1=C:\\linked\\.bashrc"), QStringLiteral("a link")},
        {"undo deletes the whole software tree", kOutlookExpress,
         undoRecord("[Created Keys]\r\n1=HKEY_CURRENT_USER\\Software\r\n"
                    "[Created Chains]\r\n1=HKEY_CURRENT_USER\\Software"),
         QStringLiteral("HKEY_CURRENT_USER\\Software: a deletion")},
        {"undo brings back RunOnce", kOutlookExpress,
         undoRecord("[Touched Keys]\r\n1=HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                    "CurrentVersion\\RunOnce\r\n[Touched Exports]\r\n1=UndoRestore/keys/1.reg"),
         QStringLiteral("RunOnce: a deletion")},
        {"undo export beyond its key", kOutlookExpress,
         undoRecord("[Touched Keys]\r\n1=HKEY_CURRENT_USER\\identities\\x\r\n"
                    "[Touched Exports]\r\n1=UndoRestore/keys/1.reg"),
         QStringLiteral("outside HKEY_CURRENT_USER\\identities\\x")},
    };
    return table;
}

// Settings files whose values point the client elsewhere: the restore goes
// on, the value is not placed, and the report names it.
struct SettingsRow {
    const char* name;
    int client;
    Mutation mutate;
    QString setting; // what the report must name
};

Mutation prefsAdds(const char* line) {
    return [line](testsupport::HostileArchive& a, Scene&) {
        testsupport::HostileArchive::Entry* e = a.find(QStringLiteral("prefs.js"));
        if (e) e->bytes += QByteArray(line) + "\r\n";
        return e != nullptr;
    };
}

const std::vector<SettingsRow>& settingsRows() {
    using namespace clients;
    static const std::vector<SettingsRow> table = {
        {"attachments into the Start-up folder", kEudora,
         ini(QStringLiteral("Eudora.ini"), QStringLiteral("Settings"), QStringLiteral("AttachDir"),
             inPrefixUser(kStartUp)),
         QStringLiteral("[Settings] AttachDir")},
        {"mail folder climbing out", kPocoMail3,
         ini(QStringLiteral("poco.ini"), QStringLiteral("Program"), QStringLiteral("MailPath"),
             fixed(QStringLiteral("..\\..\\..\\windows\\"))),
         QStringLiteral("[Program] MailPath")},
        {"mail directory in $HOME", kNetscape67,
         prefsAdds(R"(user_pref("mail.directory", "Z:\\home\\.config\\autostart");)"),
         QStringLiteral("mail.directory")},
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
        const Outcome o = attack(r.client, r.mutate);
        if (!o.skip.isEmpty()) QSKIP(qPrintable(o.skip));
        QVERIFY2(o.setUpError.isEmpty(), qPrintable(o.setUpError));
        QVERIFY2(o.report.kind == restore::RestoreReport::Kind::Refused,
                 qPrintable(QStringLiteral("%1: %2").arg(int(o.report.kind)).arg(o.report.error)));
        QVERIFY2(o.report.error.contains(r.expect), qPrintable(o.report.error));
        QVERIFY(o.report.placed.isEmpty());
        QVERIFY2(o.changed.isEmpty(), qPrintable(o.changed.join(u'\n')));
    }

    void settingsNameOnlyTheClientsFolders_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < settingsRows().size(); ++i)
            QTest::newRow(settingsRows()[i].name) << int(i);
    }
    void settingsNameOnlyTheClientsFolders() {
        QFETCH(int, row);
        const SettingsRow& r = settingsRows()[size_t(row)];
        const Outcome o = attack(r.client, r.mutate);
        QVERIFY2(o.setUpError.isEmpty(), qPrintable(o.setUpError));
        QVERIFY2(o.report.kind == restore::RestoreReport::Kind::Restored,
                 qPrintable(o.report.error));
        QVERIFY2(o.report.rewrites.join(u'\n').contains(r.setting),
                 qPrintable(o.report.rewrites.join(u'\n')));
        // The settings file comes back as the prefix had it; only the safety archive is new.
        for (const QString& c : o.changed)
            QVERIFY2(c.contains(QLatin1String("Backups/Safety")), qPrintable(c));
    }
};

QTEST_GUILESS_MAIN(TestHostileArchive)
#include "tst_hostilearchive.moc"
