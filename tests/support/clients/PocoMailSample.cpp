#include "support/clients/PocoMailSample.h"

namespace support {

QString pocomail::folder() {
    return QStringLiteral("C:\\Program Files\\PocoMail");
}

QStringList pocomail::users() {
    return {QStringLiteral("Ann"), QStringLiteral("Bob")};
}

QString pocomail::settingsFile() {
    return folder() + QStringLiteral("\\Poco.ini");
}

void pocomail::addLayout(SamplePrefix& p, int code) {
    if (code == 72)
        p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Poco\\Mail"),
                    QStringLiteral("Path"), folder());
    else
        p.setString(
            platform::HKEY_LOCAL_MACHINE,
            QStringLiteral(
                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2moe_is1"),
            QStringLiteral("Inno Setup: App Path"), folder() + QLatin1Char('\\'));
    p.save();
}

namespace {
QByteArray mailbox(const char* subject) {
    return QByteArray("From - Mon Feb 10 09:12:44 2003\r\nSubject: ") + subject +
           "\r\n\r\nHello.\r\n\r\n";
}

// The settings of a further user: folders relative to the user's own folder.
const char* kUserSettings = "[Program]\r\nMailPath=Mail\\\r\nAddressPath=Address\\\r\n"
                            "SigPath=Signatures\\\r\nScriptPath=Scripts\\\r\n"
                            "TemplatePath=Templates\\\r\n[Mail]\r\nAttachPath=Attach\\\r\n";

void writeUser(SamplePrefix& p, const QString& name) {
    const QString u = pocomail::folder() + QStringLiteral("\\Users\\") + name + QLatin1Char('\\');
    p.writeFile(u + QStringLiteral("poco.ini"), kUserSettings);
    p.writeFile(u + QStringLiteral("accounts.ini"),
                "[Account1]\r\nName=" + name.toUtf8() + "\r\nPOP=pop.example.com\r\n");
    p.writeFile(u + QStringLiteral("Filters.ini"), "[Filter1]\r\nName=Lists\r\n");
    p.writeFile(u + QStringLiteral("Mail\\Inbox.mbx"), mailbox("Hi"));
    p.writeFile(u + QStringLiteral("Mail\\Inbox.itx"), QByteArray(48, 'x'));
    p.writeFile(u + QStringLiteral("Mail\\Private\\Letters.mbx"), mailbox("Letters"));
    p.writeFile(u + QStringLiteral("Attach\\photo.jpg"), QByteArray(700, 'j'));
    p.writeFile(u + QStringLiteral("Templates\\Reply.txt"), "Thanks!\r\n");
    p.writeFile(u + QStringLiteral("Signatures\\") + name + QStringLiteral(".sig"),
                name.toUtf8() + "\r\n");
    p.writeFile(u + QStringLiteral("Address\\") + name + QStringLiteral(".pab"),
                QByteArray(120, 'a'));
    p.writeFile(u + QStringLiteral("Scripts\\Tidy.pms"), "// tidy\r\n");
}
} // namespace

void addPocoMail(SamplePrefix& p) {
    const QString f = pocomail::folder();
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Poco Systems Inc\\PocoMail 3"), QStringLiteral("Path"),
                f);
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Poco Systems Inc\\PocoMail 3"), QStringLiteral("Version"),
                QStringLiteral("3.0.1"));
    p.setString(platform::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\PocoMail"),
                QString(), QStringLiteral("PocoMail"));
    p.save();

    const QString d = f + QLatin1Char('\\');
    p.writeFile(d + QStringLiteral("PocoMail.exe"), QByteArray("MZ"));
    p.writeFile(pocomail::settingsFile(),
                "[Program]\r\nMailPath=Mail\\\r\nAddressPath=Address\\\r\nScriptPath=Scripts\\\r\n"
                "SigPath=Signatures\\\r\nTemplatePath=Templates\\\r\nUsersPath=" +
                    f.toUtf8() + "\\Users\\\r\n[Mail]\r\nAttachPath=Attach\\\r\nCheckEvery=10\r\n");
    p.writeFile(d + QStringLiteral("accounts.ini"),
                "[Account1]\r\nName=Home\r\nPOP=pop.example.com\r\n");
    p.writeFile(d + QStringLiteral("Filters.ini"), "[Filter1]\r\nName=Newsletters\r\n");
    for (const char* box : {"Inbox", "Outbox", "Sent", "Deleted"}) {
        p.writeFile(d + QStringLiteral("Mail\\") + QLatin1String(box) + QStringLiteral(".mbx"),
                    mailbox(box));
        p.writeFile(d + QStringLiteral("Mail\\") + QLatin1String(box) + QStringLiteral(".itx"),
                    QByteArray(48, 'x'));
    }
    p.writeFile(d + QStringLiteral("Mail\\folders.dat"), QByteArray(32, 'd'));
    // Work holds two mailboxes: the search finds it twice.
    p.writeFile(d + QStringLiteral("Mail\\Work\\Projects.mbx"), mailbox("Projects"));
    p.writeFile(d + QStringLiteral("Mail\\Work\\Projects.itx"), QByteArray(48, 'x'));
    p.writeFile(d + QStringLiteral("Mail\\Work\\Clients.mbx"), mailbox("Clients"));
    p.writeFile(d + QStringLiteral("Mail\\Work\\index.dat"), QByteArray(16, 'd'));
    p.writeFile(d + QStringLiteral("Mail\\Work\\notes.txt"), "not a mailbox\r\n");
    // Written by an older version in capitals.
    p.writeFile(d + QStringLiteral("Mail\\Work\\Old\\2003.MBX"), mailbox("2003"));
    p.writeFile(d + QStringLiteral("Mail\\Work\\Old\\2003.ITX"), QByteArray(48, 'x'));
    p.writeFile(d + QStringLiteral("Attach\\invoice.pdf"), QByteArray(900, 'i'));
    p.writeFile(d + QStringLiteral("Templates\\Thank you.txt"), "Thank you!\r\n");
    p.writeFile(d + QStringLiteral("Signatures\\Default.sig"), "Regards\r\n");
    p.writeFile(d + QStringLiteral("Address\\Addresses.pab"), QByteArray(256, 'a'));
    p.writeFile(d + QStringLiteral("Scripts\\Cleanup.pms"), "// clean up\r\n");
    for (const QString& user : pocomail::users())
        writeUser(p, user);
}

} // namespace support
