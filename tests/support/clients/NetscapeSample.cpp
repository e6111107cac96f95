#include "support/clients/NetscapeSample.h"

namespace support {

QString netscape::usersKey() {
    return QStringLiteral("Software\\Netscape\\Netscape Navigator\\biff\\users");
}

QString netscape::usersFolder() {
    return QStringLiteral("C:\\Program Files\\Netscape\\Users\\");
}

QStringList netscape::users() {
    return {QStringLiteral("guest"), QStringLiteral("jane"), QStringLiteral("tom")};
}

QString netscape::mozillaFolder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() +
           QStringLiteral("\\AppData\\Roaming\\Mozilla");
}

QStringList netscape::profilePaths(const SamplePrefix& p) {
    const QString profiles = mozillaFolder(p) + QStringLiteral("\\Profiles\\");
    return {profiles + QStringLiteral("default\\k3l9x2ab.slt"),
            profiles + QStringLiteral("work\\a1b2c3d4.slt"),
            profiles + QStringLiteral("test\\zz9y8x7w.slt")};
}

void netscape::writeProfileRegistry(SamplePrefix& p, const QStringList& profileFolders) {
    // The registry's own binary records; each profile's folder follows the
    // name "directory" and one type byte, ended by a zero byte.
    QByteArray dat("REGISTRY\x76\x44\x01\x00", 12);
    int n = 0;
    for (const QString& folder : profileFolders) {
        dat += QByteArray("ProfileName") + '\0' + QByteArray::number(++n) + '\0';
        dat += QByteArray("directory") + '\x07' + folder.toLatin1() + '\0';
        dat += QByteArray("\x10\x00\x00\x00NCHelper\x00", 13);
    }
    p.writeFile(mozillaFolder(p) + QStringLiteral("\\registry.dat"), dat);
}

namespace {
QByteArray mbox(const char* subject) {
    return QByteArray("From - Mon Feb 10 09:12:44 2003\r\nSubject: ") + subject +
           "\r\n\r\nHello.\r\n\r\n";
}

// A Netscape 4 user: the biff key with its servers and the profile folder.
void addUser(SamplePrefix& p, const QString& user, const QStringList& servers) {
    const QString key = netscape::usersKey() + QLatin1Char('\\') + user;
    const QString profile = netscape::usersFolder() + user + QLatin1Char('\\');
    p.setDword(platform::HKEY_CURRENT_USER, key, QStringLiteral("checkFrequency"), 10);
    for (int i = 0; i < servers.size(); ++i) {
        const QString server = key + QStringLiteral("\\servers\\") + servers[i];
        p.setString(platform::HKEY_CURRENT_USER, server, QStringLiteral("popstatePath"),
                    i == 0 ? profile + QStringLiteral("mail\\popstate.dat") : QString());
        p.setDword(platform::HKEY_CURRENT_USER, server, QStringLiteral("biffState"), 1);
    }
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users\\") + user,
                QStringLiteral("DirRoot"), profile.chopped(1));
    p.writeFile(profile + QStringLiteral("prefs.js"),
                "user_pref(\"mail.pop_name\", \"" + user.toLatin1() + "\");\r\n");
    p.writeFile(profile + QStringLiteral("liprefs.js"), "// roaming\r\n");
    p.writeFile(profile + QStringLiteral("pab.na2"), QByteArray(80, 'a'));
    p.writeFile(profile + QStringLiteral("cert7.db"), QByteArray(64, 'c'));
}

void addNetscape4(SamplePrefix& p) {
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Netscape\\Netscape Navigator\\Main"),
                QStringLiteral("Install Directory"),
                QStringLiteral("C:\\Program Files\\Netscape\\Communicator\\Program"));
    p.writeFile(QStringLiteral("C:\\windows\\nsreg.dat"), QByteArray(120, 'r'));
    addUser(p, QStringLiteral("guest"), {});
    addUser(p, QStringLiteral("jane"),
            {QStringLiteral("pop.example.com"), QStringLiteral("smtp.example.com")});
    addUser(p, QStringLiteral("tom"), {QStringLiteral("mail.work.example")});

    const QString jane = netscape::usersFolder() + QStringLiteral("jane\\");
    p.writeFile(jane + QStringLiteral("abook.na2"), QByteArray(60, 'b'));
    // Netscape writes the mail folder in lower case.
    const QString m = jane + QStringLiteral("mail\\");
    p.writeFile(m + QStringLiteral("popstate.dat"), "# POP3 State File\r\n");
    for (const char* box : {"Inbox", "Sent", "Trash"}) {
        p.writeFile(m + QLatin1String(box), mbox(box));
        p.writeFile(m + QLatin1String(box) + QStringLiteral(".snm"), QByteArray(50, 's'));
    }
    p.writeFile(m + QStringLiteral("Inbox.sbd\\Family"), mbox("Family"));
    p.writeFile(m + QStringLiteral("Inbox.sbd\\Family.snm"), QByteArray(50, 's'));
    p.writeFile(m + QStringLiteral("Inbox.sbd\\Lists"), mbox("Lists"));
    p.writeFile(m + QStringLiteral("Inbox.sbd\\Lists.sbd\\Debian"), mbox("Debian"));
    p.writeFile(m + QStringLiteral("Inbox.sbd\\Lists.sbd\\Debian.snm"), QByteArray(50, 's'));

    const QString tom = netscape::usersFolder() + QStringLiteral("tom\\");
    p.writeFile(tom + QStringLiteral("MAIL\\INBOX"), mbox("Work"));
    p.writeFile(tom + QStringLiteral("MAIL\\INBOX.SNM"), QByteArray(50, 's'));
    p.writeFile(tom + QStringLiteral("MAIL\\PROJECTS.SBD\\ALPHA"), mbox("Alpha"));
}

void addProfile(SamplePrefix& p, const QString& pp, const QString& server,
                const QStringList& boxes) {
    p.writeFile(pp + QStringLiteral("\\prefs.js"),
                "user_pref(\"mail.server.server1.hostname\", \"" + server.toLatin1() + "\");\r\n");
    for (const char* file : {"abook.mab", "history.mab", "panacea.dat", "xul.mfl", "localstore.rdf",
                             "bookmarks.html", "cookies.txt"})
        p.writeFile(pp + QLatin1Char('\\') + QLatin1String(file), QByteArray(70, 'p'));
    p.writeFile(pp + QStringLiteral("\\Mail\\accounts.ini"), "[Accounts]\r\nCount=1\r\n");
    for (const QString& box : boxes) {
        p.writeFile(pp + QStringLiteral("\\Mail\\") + server + QLatin1Char('\\') + box,
                    mbox("Mozilla"));
        p.writeFile(pp + QStringLiteral("\\Mail\\") + server + QLatin1Char('\\') + box +
                        QStringLiteral(".msf"),
                    QByteArray(90, 'm'));
    }
    for (const char* box : {"Drafts", "Unsent Messages", "Templates"})
        p.writeFile(pp + QStringLiteral("\\Mail\\Local Folders\\") + QLatin1String(box),
                    QByteArray());
}

void addNetscape67(SamplePrefix& p) {
    const QStringList paths = netscape::profilePaths(p);
    netscape::writeProfileRegistry(p, paths);
    addProfile(p, paths[0], QStringLiteral("pop.example.com"),
               {QStringLiteral("Inbox"), QStringLiteral("Sent"), QStringLiteral("Trash")});
    p.writeFile(paths[0] + QStringLiteral("\\panels.rdf"), QByteArray(30, 'r'));
    p.writeFile(paths[0] + QStringLiteral("\\Mail\\pop.example.com\\Inbox.sbd\\Lists"),
                mbox("Lists"));
    p.writeFile(paths[0] + QStringLiteral("\\Mail\\pop.example.com\\Inbox.sbd\\Lists.msf"),
                QByteArray(90, 'm'));
    // Written by an older build in capitals.
    addProfile(p, paths[1], QStringLiteral("MAIL.WORK.EXAMPLE"), {QStringLiteral("INBOX")});
    addProfile(p, paths[2], QStringLiteral("localhost"), {QStringLiteral("Inbox")});
}
} // namespace

void addNetscape(SamplePrefix& p) {
    addNetscape4(p);
    addNetscape67(p);
    // Registered as a mail client, as its setup leaves it.
    p.setString(platform::HKEY_LOCAL_MACHINE,
                QStringLiteral("Software\\Clients\\Mail\\Netscape Messenger"), QString(),
                QStringLiteral("Netscape Messenger"));
    p.save();
}

} // namespace support
