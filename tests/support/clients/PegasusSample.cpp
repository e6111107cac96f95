#include "support/clients/PegasusSample.h"

#include <QFile>

namespace support {

QString pegasus::mailboxValue() {
    return QStringLiteral("C:\\PMAIL\\MAIL\\");
}

QString pegasus::mailbox() {
    return QStringLiteral("C:\\PMAIL\\MAIL");
}

QStringList pegasus::users() {
    return {QStringLiteral("Jane Doe"), QStringLiteral("Tom"), QStringLiteral("Ann Lee")};
}

QString pegasus::key() {
    return QStringLiteral("SOFTWARE\\Classes\\software\\pegasus mail");
}

namespace {
QByteArray message(const char* subject) {
    return QByteArray("\x1a\r\nFrom: friend@example.com\r\nSubject: ") + subject +
           "\r\n\r\nSee you on Monday.\r\n";
}

void writeUser(SamplePrefix& p, const QString& folder, const char* who) {
    p.writeFile(folder + QStringLiteral("\\FOLDERS.PMJ"), QByteArray(128, 'j'));
    p.writeFile(folder + QStringLiteral("\\PMAIL.INI"),
                QByteArray("Personal name = ") + who + "\r\nSignature = 1\r\n");
    p.writeFile(folder + QStringLiteral("\\INBOX.PMM"), message("Welcome"));
    p.writeFile(folder + QStringLiteral("\\INBOX.PMI"), QByteArray(96, 'i'));
    p.writeFile(folder + QStringLiteral("\\SENT.PMM"), message("Re: Welcome"));
    p.writeFile(folder + QStringLiteral("\\SENT.PMI"), QByteArray(96, 'i'));
    p.writeFile(folder + QStringLiteral("\\1A2B3C4D.CNM"), message("New"));
    p.writeFile(folder + QStringLiteral("\\ADDRESS.PMR"), "friend@example.com\r\n");
    p.writeFile(folder + QStringLiteral("\\SIGS\\SIG1.PML"), QByteArray(who) + "\r\n");
}
} // namespace

void pegasus::makeSingleUser(SamplePrefix& p) {
    p.setString(platform::HKEY_LOCAL_MACHINE, key() + QStringLiteral("\\Username"), QString(),
                QStringLiteral("Single-user mode"));
    p.save();
    QFile::remove(p.hostPath(mailbox() + QStringLiteral("\\PMAIL.USR")));
    writeUser(p, mailbox() + QStringLiteral("\\Mail"), "Default");
}

void addPegasus(SamplePrefix& p) {
    p.setString(platform::HKEY_LOCAL_MACHINE, pegasus::key() + QStringLiteral("\\MailBox"),
                QString(), pegasus::mailboxValue());
    p.setString(platform::HKEY_LOCAL_MACHINE, pegasus::key() + QStringLiteral("\\Username"),
                QString(), QStringLiteral("Multi-user mode"));
    p.setString(platform::HKEY_LOCAL_MACHINE, pegasus::key() + QStringLiteral("\\Program"),
                QString(), QStringLiteral("C:\\PMAIL\\PROGRAMS\\WINPM-32.EXE"));
    p.setString(platform::HKEY_LOCAL_MACHINE,
                QStringLiteral("Software\\Clients\\Mail\\Pegasus Mail"), QString(),
                QStringLiteral("Pegasus Mail"));
    p.save();

    p.writeFile(QStringLiteral("C:\\PMAIL\\PROGRAMS\\WINPM-32.EXE"), QByteArray("MZ"));
    // One line per user: flag, full name, user folder.
    p.writeFile(pegasus::mailbox() + QStringLiteral("\\PMAIL.USR"),
                "Y;Jane Doe;JDOE\r\nN;Tom;TOM\r\nN;Ann Lee;ALEE\r\n");
    writeUser(p, pegasus::mailbox() + QStringLiteral("\\Jane Doe"), "Jane Doe");
    p.writeFile(pegasus::mailbox() + QStringLiteral("\\Jane Doe\\ARCHIVE\\2003.PMM"),
                message("Old news"));
    p.writeFile(pegasus::mailbox() + QStringLiteral("\\Jane Doe\\ARCHIVE\\2003.PMI"),
                QByteArray(96, 'i'));
    // The folder in capitals, the list names "Tom".
    writeUser(p, pegasus::mailbox() + QStringLiteral("\\TOM"), "Tom");
    writeUser(p, pegasus::mailbox() + QStringLiteral("\\Ann Lee"), "Ann Lee");
}

} // namespace support
