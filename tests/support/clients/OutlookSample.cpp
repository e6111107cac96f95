#include "support/clients/OutlookSample.h"

#include "platform/Encoding.h"

namespace support {

namespace outlook {
QString profileKey() {
    return QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                          "Subsystem\\Profiles\\Outlook");
}
QString generalSection() {
    return QStringLiteral("0a0d020000000000c000000000000046");
}
QString mainStoreSection() {
    return QStringLiteral("1e4f7c0a2b3d4e5f60718293a4b5c6d7");
}
QString oldMailSection() {
    return QStringLiteral("2a3b4c5d6e7f8091a2b3c4d5e6f70812");
}
QString archiveSection() {
    return QStringLiteral("3b4c5d6e7f8091a2b3c4d5e6f7081223");
}
QString projectsSection() {
    return QStringLiteral("4c5d6e7f8091a2b3c4d5e6f708122334");
}
QString cyrillicSection() {
    return QStringLiteral("5d6e7f8091a2b3c4d5e6f70812233445");
}
QString familySection() {
    return QStringLiteral("6e7f8091a2b3c4d5e6f7081223344556");
}
QString accountsSection() {
    return QStringLiteral("9375CFF0413111d3B88A00104B2A6676");
}
QString cyrillicFolder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() +
           QStringLiteral("\\Documents\\\u041f\u043e\u0447\u0442\u0430\\");
}
} // namespace outlook

namespace {
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegValue;

// MAPI properties as Outlook keeps them in a profile: bytes with a terminator.
QByteArray ansiProperty(const QString& text) {
    return platform::toAnsi(text) + QByteArray(1, '\0');
}
QByteArray unicodeProperty(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text + QChar(0)) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

void section(SamplePrefix& p, const QString& name, const QString& display) {
    const QString key = outlook::profileKey() + QLatin1Char('\\') + name;
    p.setValue(HKEY_CURRENT_USER, key,
               RegValue::binary(QStringLiteral("001e3001"), ansiProperty(display)));
    p.setValue(HKEY_CURRENT_USER, key,
               RegValue::binary(QStringLiteral("00033009"), QByteArray::fromHex("00000000")));
}

void writeProfile(SamplePrefix& p, const QString& local, const QString& profile) {
    using namespace outlook;
    const QString key = profileKey() + QLatin1Char('\\');
    section(p, generalSection(), QStringLiteral("Outlook"));
    p.setValue(HKEY_CURRENT_USER, key + generalSection(),
               RegValue::binary(QStringLiteral("0102661d"), QByteArray::fromHex("1e4f7c0a2b3d")));

    section(p, mainStoreSection(), QStringLiteral("Personal Folders"));
    p.setValue(HKEY_CURRENT_USER, key + mainStoreSection(),
               RegValue::binary(
                   QStringLiteral("001e6700"),
                   ansiProperty(local + QStringLiteral("\\Microsoft\\Outlook\\Outlook.pst"))));
    section(p, oldMailSection(), QStringLiteral("Old Mail"));
    p.setValue(HKEY_CURRENT_USER, key + oldMailSection(),
               RegValue::binary(QStringLiteral("001e6700"),
                                ansiProperty(local + QStringLiteral("\\Old Mail\\old.pst"))));
    section(p, archiveSection(), QStringLiteral("Archive Folders"));
    p.setValue(HKEY_CURRENT_USER, key + archiveSection(),
               RegValue::binary(QStringLiteral("001f6700"),
                                unicodeProperty(QStringLiteral("C:\\Mail Archive\\archive.pst"))));
    section(p, projectsSection(), QStringLiteral("Projects 2003"));
    p.setString(HKEY_CURRENT_USER, key + projectsSection(), QStringLiteral("001e6700"),
                QStringLiteral("C:\\Mail Archive\\Projects 2003.pst"));
    section(p, cyrillicSection(), QStringLiteral("Personal"));
    p.setValue(HKEY_CURRENT_USER, key + cyrillicSection(),
               RegValue::binary(
                   QStringLiteral("001f6700"),
                   unicodeProperty(cyrillicFolder(p) +
                                   QStringLiteral("\u041b\u0438\u0447\u043d\u043e\u0435.pst"))));
    section(p, familySection(), QStringLiteral("Family"));
    p.setValue(HKEY_CURRENT_USER, key + familySection(),
               RegValue::binary(QStringLiteral("001e6700"),
                                ansiProperty(QStringLiteral("C:\\Mail Archive\\Family.pst"))));

    // The account list: one mail account, its settings in a sub-key.
    const QString accounts = key + accountsSection();
    p.setValue(HKEY_CURRENT_USER, accounts,
               RegValue::binary(QStringLiteral("{ED475418-B0D6-11D2-8C3B-00104B2A6676}"),
                                QByteArray::fromHex("01000000")));
    p.setValue(HKEY_CURRENT_USER, accounts + QStringLiteral("\\00000001"),
               RegValue::binary(QStringLiteral("Account Name"),
                                unicodeProperty(QStringLiteral("Home mail"))));
    p.setValue(HKEY_CURRENT_USER, accounts + QStringLiteral("\\00000001"),
               RegValue::binary(QStringLiteral("POP3 Server"),
                                unicodeProperty(QStringLiteral("pop.example.com"))));
    p.setValue(HKEY_CURRENT_USER, accounts + QStringLiteral("\\00000001"),
               RegValue::binary(QStringLiteral("Email"),
                                unicodeProperty(profile.section(QLatin1Char('\\'), -1) +
                                                QStringLiteral("@example.com"))));
    p.setString(HKEY_CURRENT_USER,
                QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows "
                               "Messaging Subsystem\\Profiles"),
                QStringLiteral("DefaultProfile"), QStringLiteral("Outlook"));
}

void writeOfficeKeys(SamplePrefix& p) {
    const QString office = QStringLiteral("Software\\Microsoft\\Office\\");
    p.setDword(HKEY_CURRENT_USER, office + QStringLiteral("11.0\\Outlook"),
               QStringLiteral("FirstRunDialog"), 0);
    p.setString(HKEY_CURRENT_USER, office + QStringLiteral("11.0\\Outlook\\Preferences"),
                QStringLiteral("PreviewPane"), QStringLiteral("1"));
    p.setDword(HKEY_CURRENT_USER, office + QStringLiteral("11.0\\Outlook\\Options\\Mail"),
               QStringLiteral("Send Mail Immediately"), 1);
    p.setString(HKEY_CURRENT_USER, office + QStringLiteral("11.0\\Common\\General"),
                QStringLiteral("Signatures"), QStringLiteral("Signatures"));
    p.setString(HKEY_CURRENT_USER, office + QStringLiteral("11.0\\Common\\General"),
                QStringLiteral("Templates"), QStringLiteral("Templates"));
    p.setDword(HKEY_CURRENT_USER, office + QStringLiteral("Outlook\\Addins\\Outlook.Junk"),
               QStringLiteral("LoadBehavior"), 3);
    p.setString(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\Microsoft Outlook"),
                QString(), QStringLiteral("Microsoft Outlook"));
    p.setString(HKEY_LOCAL_MACHINE,
                QStringLiteral("Software\\Clients\\Mail\\Microsoft Outlook\\shell\\open\\command"),
                QString(),
                QStringLiteral("\"C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE\""));
}

void writeFiles(SamplePrefix& p, const QString& roaming, const QString& local) {
    // The Outlook folder of the local application-data folder in another
    // letter case than the program writes it, the store in lower case.
    const QString localOutlook = local + QStringLiteral("\\Microsoft\\OUTLOOK\\");
    p.writeFile(localOutlook + QStringLiteral("outlook.pst"), QByteArray(271360, 'p'));
    p.writeFile(localOutlook + QStringLiteral("extend.dat"), QByteArray(1200, 'e'));
    p.writeFile(localOutlook + QStringLiteral("Offline Address Books\\default.oab"),
                QByteArray(500, 'o'));
    p.writeFile(local + QStringLiteral("\\Old Mail\\old.pst"), QByteArray(9000, 'q'));

    const QString appOutlook = roaming + QStringLiteral("\\Microsoft\\Outlook\\");
    p.writeFile(appOutlook + QStringLiteral("outcmd.dat"), QByteArray(800, 'c'));
    p.writeFile(appOutlook + QStringLiteral("Outlook.NK2"), QByteArray(2400, 'n'));
    p.writeFile(appOutlook + QStringLiteral("Outlook.srs"), QByteArray(3000, 's'));
    p.writeFile(appOutlook + QStringLiteral("Forms\\frmcache.dat"), QByteArray(100, 'f'));

    const QString signatures = roaming + QStringLiteral("\\Microsoft\\signatures\\");
    p.writeFile(signatures + QStringLiteral("Work.htm"),
                "<html><body>Ann Lee, Sales</body></html>");
    p.writeFile(signatures + QStringLiteral("Work.txt"), "Ann Lee, Sales\r\n");
    p.writeFile(signatures + QStringLiteral("Work.rtf"), "{\\rtf1 Ann Lee, Sales}");
    p.writeFile(signatures + QStringLiteral("Work_files\\image001.gif"), QByteArray(600, 'g'));

    p.writeFile(QStringLiteral("C:\\Mail Archive\\archive.pst"), QByteArray(20000, 'a'));
    p.writeFile(QStringLiteral("C:\\Mail Archive\\Projects 2003.pst"), QByteArray(15000, 'r'));
    p.writeFile(QStringLiteral("C:\\Mail Archive\\Family.pst"), QByteArray(12000, 'y'));
    p.writeFile(outlook::cyrillicFolder(p) +
                    QStringLiteral("\u041b\u0438\u0447\u043d\u043e\u0435.pst"),
                QByteArray(7000, 'k'));
    p.writeFile(QStringLiteral("C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE"),
                QByteArray("MZ"));
}
} // namespace

void addOutlook(SamplePrefix& p) {
    const QString profile = QStringLiteral("C:\\users\\") + p.userName();
    const QString roaming = profile + QStringLiteral("\\AppData\\Roaming");
    const QString local = profile + QStringLiteral("\\AppData\\Local");
    writeProfile(p, local, profile);
    writeOfficeKeys(p);
    p.save();
    writeFiles(p, roaming, local);
}

} // namespace support
