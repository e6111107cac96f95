#include "support/clients/TheBatSample.h"

namespace support {

QString thebat::workingFolder() {
    return QStringLiteral("C:\\Program Files\\The Bat!");
}

QStringList thebat::users() {
    return {QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Carol")};
}

QString thebat::userFolder(int position) {
    switch (position) {
    case 0:
        return workingFolder() + QStringLiteral("\\Ann");
    case 1:
        return QStringLiteral("C:\\Mail\\Bat\\Bob");
    default:
        return QStringLiteral("C:\\Mail\\Bat\\Carol");
    }
}

QStringList thebat::mailFolders(int position) {
    const QString f = userFolder(position) + QLatin1Char('\\');
    if (position == 0)
        return {f + QStringLiteral("Inbox\\"), f + QStringLiteral("Inbox\\Lists\\"),
                f + QStringLiteral("outbox\\"), f + QStringLiteral("Sent\\"),
                f + QStringLiteral("Trash\\")};
    return {f + QStringLiteral("Inbox\\"), f + QStringLiteral("Sent\\")};
}

QString thebat::usersKey() {
    return QStringLiteral("Software\\RIT\\The Bat!\\Users Depot");
}

namespace {
void writeBase(SamplePrefix& p, const QString& folder, bool lowerCase, int size) {
    p.writeFile(folder +
                    (lowerCase ? QStringLiteral("messages.tbi") : QStringLiteral("Messages.tbi")),
                QByteArray(64, 'i'));
    p.writeFile(folder +
                    (lowerCase ? QStringLiteral("messages.tbb") : QStringLiteral("Messages.tbb")),
                QByteArray(size, 'b'));
}

void writeUser(SamplePrefix& p, int position, const char* who) {
    const QString f = thebat::userFolder(position) + QLatin1Char('\\');
    for (const char* ext : {"cfg", "vcf", "srx", "flx", "m_d", "m_r", "pfx", "sce"})
        p.writeFile(f + QStringLiteral("account.") + QLatin1String(ext),
                    QByteArray(who) + " " + ext + "\r\n");
    // No quick templates yet: account.qtn is missing.
    for (const QString& g : thebat::mailFolders(position))
        writeBase(p, g, g.endsWith(QLatin1String("outbox\\")), 2000);
    // A second message base in the inbox: the folder is found twice.
    p.writeFile(f + QStringLiteral("Inbox\\Old.tbi"), QByteArray(32, 'o'));
    // Files that are no message base stay out.
    p.writeFile(f + QStringLiteral("Inbox\\Messages.tbn"), QByteArray(16, 'n'));
    p.writeFile(f + QStringLiteral("Attach\\invoice.pdf"), QByteArray(300, 'p'));
}
} // namespace

void addTheBat(SamplePrefix& p) {
    const QString w = thebat::workingFolder();
    p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\RIT\\The Bat!"),
                QStringLiteral("Working Directory"), w + QLatin1Char('\\'));
    p.setString(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\RIT\\The Bat!"),
                QStringLiteral("Program Directory"), w + QLatin1Char('\\'));
    const QString depot = thebat::usersKey();
    p.setDword(platform::HKEY_CURRENT_USER, depot, QStringLiteral("Count"), 3);
    const QStringList users = thebat::users();
    for (int i = 0; i < users.size(); ++i) {
        p.setString(platform::HKEY_CURRENT_USER, depot, QStringLiteral("User #%1").arg(i + 1),
                    users[i]);
        // Ann's folder is the default one below the working folder.
        p.setString(platform::HKEY_CURRENT_USER, depot, QStringLiteral("Dir #%1").arg(i + 1),
                    i == 0 ? QString() : thebat::userFolder(i));
    }
    p.setString(platform::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\The Bat!"),
                QString(), QStringLiteral("The Bat!"));
    p.save();

    p.writeFile(w + QStringLiteral("\\thebat.exe"), QByteArray("MZ"));
    p.writeFile(w + QStringLiteral("\\Addrbook.abd"), QByteArray(500, 'a'));
    p.writeFile(w + QStringLiteral("\\WORK.ABD"), QByteArray(200, 'w'));
    p.writeFile(w + QStringLiteral("\\Groups.cfg"), "Friends\r\n");
    p.writeFile(w + QStringLiteral("\\ADDRBOOK.INI"), "[Books]\r\nCount=2\r\n");
    writeUser(p, 0, "Ann");
    writeUser(p, 1, "Bob");
    writeUser(p, 2, "Carol");
}

} // namespace support
