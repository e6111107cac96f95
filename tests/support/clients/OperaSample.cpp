#include "support/clients/OperaSample.h"

namespace support {

QString opera::programFolder() {
    return QStringLiteral("C:\\Program Files\\Opera\\");
}

QString opera::mailFolder() {
    return programFolder() + QStringLiteral("Mail");
}

QString opera::signatureFile() {
    return programFolder() + QStringLiteral("Signatures\\ann.sig");
}

QString opera::opera7Folder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() +
           QStringLiteral("\\AppData\\Roaming\\Opera\\Opera7");
}

QStringList opera::accounts() {
    return {QStringLiteral("account1"), QStringLiteral("account2"), QStringLiteral("account3")};
}

namespace {
QByteArray mailbox(const char* subject) {
    return QByteArray("From: bob@example.com\r\nSubject: ") + subject + "\r\n\r\nHello.\r\n";
}

QByteArray accountIni(const char* user, const QString& signature) {
    return QByteArray("[INCOMING]\r\nServerName=pop.example.com\r\nUserName=") + user +
           "\r\n[OUTGOING]\r\nServerName=smtp.example.com\r\nSignatureFile=" +
           signature.toLatin1() + "\r\n";
}

void addOpera6(SamplePrefix& p) {
    const QString o = opera::programFolder();
    const QString m = opera::mailFolder();
    p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                QStringLiteral("Last CommandLine"), o + QStringLiteral("Opera.exe"));
    p.writeFile(o + QStringLiteral("Opera.exe"), QByteArray("MZ"));
    p.writeFile(
        o + QStringLiteral("Contacts.adr"),
        "Opera Hotlist version 2.0\r\n#CONTACT\r\n\tNAME=Bob\r\n\tMAIL=bob@example.com\r\n");
    p.writeFile(o + QStringLiteral("Opera6.ini"), "[User Prefs]\r\nLanguage=en\r\n");
    p.writeFile(opera::signatureFile(), "-- \r\nAnn Lee\r\n");
    // Written by Opera in lower case; the account lines end in their flags.
    p.writeFile(m + QStringLiteral("\\accounts.ini"),
                "[Accounts]\r\nAccount1=POP?account1,1\r\nAccount2=POP?account2,0\r\n"
                "Account3=IMAP?account3,0\r\n[Settings]\r\nCount=3\r\nDefault=1\r\n");

    const QString a1 = m + QStringLiteral("\\account1");
    p.writeFile(a1 + QStringLiteral("\\Account.ini"), accountIni("ann", opera::signatureFile()));
    p.writeFile(a1 + QStringLiteral("\\filters.dat"), QByteArray(40, 'f'));
    p.writeFile(a1 + QStringLiteral("\\Folder.ini"), "[Folder]\r\nName=account1\r\n");
    p.writeFile(a1 + QStringLiteral("\\Outbox.mbs"), mailbox("Outbox"));
    p.writeFile(a1 + QStringLiteral("\\Outbox.idx"), QByteArray(32, 'i'));
    p.writeFile(a1 + QStringLiteral("\\notes.txt"), "not a mailbox\r\n");
    p.writeFile(a1 + QStringLiteral("\\Inbox\\Inbox.mbs"), mailbox("Inbox"));
    p.writeFile(a1 + QStringLiteral("\\Inbox\\Inbox.idx"), QByteArray(32, 'i'));
    p.writeFile(a1 + QStringLiteral("\\Inbox\\folder.ini"), "[Folder]\r\nName=Inbox\r\n");
    p.writeFile(a1 + QStringLiteral("\\Inbox\\Old\\Old.mbs"), mailbox("Old"));
    p.writeFile(a1 + QStringLiteral("\\Inbox\\Old\\Old.idx"), QByteArray(32, 'i'));
    p.writeFile(a1 + QStringLiteral("\\Inbox\\Old\\folder.ini"), "[Folder]\r\nName=Old\r\n");
    p.writeFile(a1 + QStringLiteral("\\Sent\\Sent.mbs"), mailbox("Sent"));
    p.writeFile(a1 + QStringLiteral("\\Sent\\Sent 2002.mbs"), mailbox("Sent 2002"));
    p.writeFile(a1 + QStringLiteral("\\Sent\\Sent.idx"), QByteArray(32, 'i'));
    p.writeFile(a1 + QStringLiteral("\\Sent\\folder.ini"), "[Folder]\r\nName=Sent\r\n");

    // Folders and files in capitals, no signature file.
    const QString a2 = m + QStringLiteral("\\account2");
    p.writeFile(a2 + QStringLiteral("\\ACCOUNT.INI"), accountIni("ann.work", QString()));
    p.writeFile(a2 + QStringLiteral("\\FILTERS.DAT"), QByteArray(20, 'f'));
    p.writeFile(a2 + QStringLiteral("\\FOLDER.INI"), "[Folder]\r\nName=account2\r\n");
    p.writeFile(a2 + QStringLiteral("\\WORK.MBS"), mailbox("Work"));
    p.writeFile(a2 + QStringLiteral("\\INBOX\\INBOX.MBS"), mailbox("Work inbox"));
    p.writeFile(a2 + QStringLiteral("\\INBOX\\INBOX.IDX"), QByteArray(32, 'i'));
    p.writeFile(a2 + QStringLiteral("\\INBOX\\FOLDER.INI"), "[Folder]\r\nName=INBOX\r\n");

    const QString a3 = m + QStringLiteral("\\account3");
    p.writeFile(a3 + QStringLiteral("\\Account.ini"), accountIni("ann.lists", QString()));
    p.writeFile(a3 + QStringLiteral("\\Lists\\Lists.mbs"), mailbox("Lists"));
    p.writeFile(a3 + QStringLiteral("\\Lists\\folder.ini"), "[Folder]\r\nName=Lists\r\n");
}

void addOpera7(SamplePrefix& p) {
    const QString r = opera::opera7Folder(p);
    const QString program = QStringLiteral("C:\\Program Files\\Opera7\\");
    p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                QStringLiteral("Last CommandLine v2"), program + QStringLiteral("Opera.exe"));
    p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Opera Software"),
                QStringLiteral("Last Directory3"), program);
    p.writeFile(program + QStringLiteral("Opera.exe"), QByteArray("MZ"));
    p.writeFile(r + QStringLiteral("\\Mail\\accounts.ini"),
                "[Accounts]\r\nCount=1\r\n[Account1]\r\nIncoming Servername=pop.example.com\r\n");
    p.writeFile(r + QStringLiteral("\\Mail\\index.ini"), "[Indexes]\r\nCount=2\r\n");
    p.writeFile(r + QStringLiteral("\\Mail\\Cache\\0000001.mbs"), mailbox("Cached"));
    p.writeFile(r + QStringLiteral("\\Mail\\index\\0000.idx"), QByteArray(48, 'i'));
    p.writeFile(r + QStringLiteral("\\Mail\\index\\0001.idx"), QByteArray(48, 'i'));
    p.writeFile(r + QStringLiteral("\\Mail\\storage\\signature1.txt"), "-- \r\nAnn\r\n");
    p.writeFile(r + QStringLiteral("\\Mail\\store\\account1\\2003\\02\\10\\0001.mbs"),
                mailbox("Stored"));
    p.writeFile(r + QStringLiteral("\\profile\\contacts.adr"),
                "Opera Hotlist version 2.0\r\n#CONTACT\r\n\tNAME=Bob\r\n");
    p.writeFile(r + QStringLiteral("\\profile\\opera6.ini"), "[User Prefs]\r\n");
}
} // namespace

void addOpera(SamplePrefix& p) {
    addOpera6(p);
    addOpera7(p);
    p.save();
}

} // namespace support
