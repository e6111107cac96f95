#include "support/clients/IncrediMailSample.h"

namespace support {

namespace incredimail {
QString homeKey() {
    return QStringLiteral("{2E7AC2D1-6D83-4F3B-9C41-0A1B2C3D4E01}");
}
QString unnamedKey() {
    return QStringLiteral("{5B9F0E22-1A44-4C6D-8E12-0A1B2C3D4E02}");
}
QString oldKey() {
    return QStringLiteral("{8C01D733-2B55-4D7E-9F23-0A1B2C3D4E03}");
}
QString workKey() {
    return QStringLiteral("{B4E2F844-3C66-4E8F-A034-0A1B2C3D4E04}");
}
QString applicationFolder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() + QStringLiteral("\\AppData\\Local\\IM");
}
QString contentFolder() {
    return QStringLiteral("C:\\ProgramData\\IncrediMail\\Content");
}

void addIdentity(SamplePrefix& p, platform::HKEY root, const QString& key, const QString& name,
                 int isValid) {
    const QString id = QStringLiteral("Software\\IncrediMail\\Identities\\") + key;
    p.setString(root, id, QStringLiteral("Identity"), name);
    if (isValid >= 0) p.setDword(root, id, QStringLiteral("IsValid"), quint32(isValid));
    p.setString(root, id, QStringLiteral("IdentityFolder"), key);
    const QString label = name.isEmpty() ? QStringLiteral("user") : name.toLower();
    p.setString(root, id + QStringLiteral("\\Accounts\\00000001"), QStringLiteral("Email"),
                label + QStringLiteral("@example.com"));
    p.setString(root, id + QStringLiteral("\\Accounts\\00000001"), QStringLiteral("POP3Server"),
                QStringLiteral("pop.example.com"));
    p.setDword(root, id + QStringLiteral("\\Accounts\\00000001"), QStringLiteral("POP3Port"), 110);
    p.setString(root, id + QStringLiteral("\\Rules\\Rule1"), QStringLiteral("Name"),
                QStringLiteral("Newsletters of ") + label);

    const QString folder =
        applicationFolder(p) + QStringLiteral("\\Identities\\") + key + QLatin1Char('\\');
    const QByteArray mail = "Subject: for " + label.toUtf8() + "\r\n\r\nHello.\r\n";
    p.writeFile(folder + QStringLiteral("Message Store\\Inbox.imm"), mail + mail);
    p.writeFile(folder + QStringLiteral("Message Store\\Inbox.imh"), QByteArray(200, 'h'));
    p.writeFile(folder + QStringLiteral("Message Store\\Sent Items.imm"), mail);
    p.writeFile(folder + QStringLiteral("Message Store\\Sent Items.imh"), QByteArray(100, 'h'));
    p.writeFile(folder + QStringLiteral("Message Store\\Attachments\\report ") + label +
                    QStringLiteral(".doc"),
                QByteArray(3000, 'd'));
    p.writeFile(folder + QStringLiteral("RuleOrder.dat"), QByteArray("Rule1\r\n"));
    p.writeFile(folder + QStringLiteral("AddressBook\\AddressBook.db"), QByteArray(1500, 'b'));
}
} // namespace incredimail

void addIncrediMail(SamplePrefix& p) {
    using namespace incredimail;
    using platform::HKEY_CURRENT_USER;
    using platform::HKEY_LOCAL_MACHINE;
    const QString base = QStringLiteral("Software\\IncrediMail");
    p.setString(HKEY_CURRENT_USER, base, QStringLiteral("ApplicationPath"), applicationFolder(p));
    p.setString(HKEY_CURRENT_USER, base, QStringLiteral("Version"), QStringLiteral("5.0.0.1897"));
    // The content folder as the installer writes it, with a trailing backslash.
    p.setString(HKEY_LOCAL_MACHINE, base, QStringLiteral("CommonDataPath"),
                contentFolder() + QLatin1Char('\\'));
    p.setString(HKEY_LOCAL_MACHINE, base, QStringLiteral("InstallDir"),
                QStringLiteral("C:\\Program Files\\IncrediMail\\Bin"));
    p.setString(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\IncrediMail"),
                QString(), QStringLiteral("IncrediMail"));
    p.setString(HKEY_CURRENT_USER, base + QStringLiteral("\\Content\\Letter"),
                QStringLiteral("Default"), QStringLiteral("Summer Breeze"));
    p.setString(HKEY_CURRENT_USER, base + QStringLiteral("\\Content\\Notifier"),
                QStringLiteral("Default"), QStringLiteral("Parrot"));

    addIdentity(p, HKEY_CURRENT_USER, homeKey(), QStringLiteral("Home"), 1);
    addIdentity(p, HKEY_CURRENT_USER, unnamedKey(), QString(), -1);
    addIdentity(p, HKEY_CURRENT_USER, oldKey(), QStringLiteral("Old"), 0);
    addIdentity(p, HKEY_CURRENT_USER, workKey(), QStringLiteral("Work"), 1);
    p.save();

    const QString t = contentFolder() + QLatin1Char('\\');
    p.writeFile(t + QStringLiteral("Animation\\Dancing Bear.swf"), QByteArray(5000, 'a'));
    // The program writes this kind in another letter case.
    p.writeFile(t + QStringLiteral("Ecard\\Birthday.ima"), QByteArray(4000, 'e'));
    p.writeFile(t + QStringLiteral("Emoticon\\smile.gif"), QByteArray(300, 'm'));
    p.writeFile(t + QStringLiteral("Letter\\Summer Breeze\\Letter.ima"), QByteArray(2000, 'l'));
    p.writeFile(t + QStringLiteral("Letter\\Summer Breeze\\bg.jpg"), QByteArray(2500, 'j'));
    p.writeFile(t + QStringLiteral("Notifier\\Parrot.imn"), QByteArray(1800, 'n'));
    p.writeFile(t + QStringLiteral("Skin\\Classic.ims"), QByteArray(1700, 's'));
    p.writeFile(t + QStringLiteral("Sound\\Ding.wav"), QByteArray(1600, 'w'));
    p.writeFile(t + QStringLiteral("Image\\Sky.jpg"), QByteArray(1500, 'i'));
    p.writeFile(QStringLiteral("C:\\Program Files\\IncrediMail\\Bin\\IncMail.exe"),
                QByteArray("MZ"));
}

} // namespace support
