#include "support/clients/EudoraSample.h"

namespace support {

QString eudora::dataFolder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() +
           QStringLiteral("\\AppData\\Roaming\\Qualcomm\\Eudora");
}

QString eudora::commandLineKey() {
    return QStringLiteral("SOFTWARE\\Qualcomm\\Eudora\\CommandLine\\Current");
}

namespace {
QByteArray mailbox(const char* subject) {
    return QByteArray("From ???@??? Mon Feb 10 09:12:44 2003\r\nSubject: ") + subject +
           "\r\n\r\nHello.\r\n\r\n";
}
} // namespace

void addEudora(SamplePrefix& p) {
    const QString d = eudora::dataFolder(p);
    const QString program = QStringLiteral("C:\\Program Files\\Qualcomm\\Eudora");
    // Eudora writes the program path in its short form: three blank-separated parts.
    p.setString(platform::HKEY_CLASSES_ROOT, eudora::commandLineKey(), QString(),
                QStringLiteral("C:\\PROGRA~1\\QUALCO~1\\Eudora\\Eudora.exe ") + d +
                    QLatin1Char(' ') + d + QStringLiteral("\\Eudora.ini"));
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Qualcomm\\Eudora\\CommandLine"),
                QStringLiteral("current"),
                QStringLiteral("C:\\PROGRA~1\\QUALCO~1\\Eudora\\Eudora.exe ") + d +
                    QLatin1Char(' ') + d + QStringLiteral("\\Eudora.ini"));
    p.setString(platform::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\Eudora"),
                QString(), QStringLiteral("Eudora"));
    p.setString(platform::HKEY_LOCAL_MACHINE,
                QStringLiteral("Software\\Clients\\Mail\\Eudora\\shell\\open\\command"), QString(),
                program + QStringLiteral("\\Eudora.exe"));
    p.save();

    p.writeFile(program + QStringLiteral("\\Eudora.exe"), QByteArray("MZ"));
    p.writeFile(d + QStringLiteral("\\Eudora.ini"),
                "[Settings]\r\nPOPAccount=ann@pop.example.com\r\nRealName=Ann Lee\r\n");
    for (const char* box : {"In", "Out", "Trash", "Junk"}) {
        p.writeFile(d + QLatin1Char('\\') + QLatin1String(box) + QStringLiteral(".mbx"),
                    mailbox(box));
        p.writeFile(d + QLatin1Char('\\') + QLatin1String(box) + QStringLiteral(".toc"),
                    QByteArray(104, 't'));
    }
    p.writeFile(d + QStringLiteral("\\descmap.pce"),
                "In=In.mbx,S,N\r\nOut=Out.mbx,S,N\r\nInbox folders=In.fol,F,N\r\n");
    p.writeFile(d + QStringLiteral("\\Filters.pce"), "rule Lists\r\nheader From:\r\n");
    p.writeFile(d + QStringLiteral("\\NNdbase.txt"), "alias bob bob@example.com\r\n");
    p.writeFile(d + QStringLiteral("\\nndbase.toc"), QByteArray(64, 'n'));
    p.writeFile(d + QStringLiteral("\\Spool\\sp1d3f.tmp"), QByteArray(300, 's'));
    p.writeFile(d + QStringLiteral("\\Filters\\filters.bak"), "rule Old\r\n");
    p.writeFile(d + QStringLiteral("\\Sigs\\Standard.txt"), "Ann Lee\r\n");
    p.writeFile(d + QStringLiteral("\\Sigs\\Alternate.txt"), "A.\r\n");
    p.writeFile(d + QStringLiteral("\\Stationery\\Thank You.sta"), "Thank you!\r\n");
    p.writeFile(d + QStringLiteral("\\Attach\\invoice.pdf"), QByteArray(900, 'i'));

    p.writeFile(d + QStringLiteral("\\In.fol\\descmap.pce"), "Family=Family.mbx,S,N\r\n");
    p.writeFile(d + QStringLiteral("\\In.fol\\Family.mbx"), mailbox("Family"));
    p.writeFile(d + QStringLiteral("\\In.fol\\Family.toc"), QByteArray(104, 't'));
    p.writeFile(d + QStringLiteral("\\In.fol\\Friends.mbx"), mailbox("Friends"));
    p.writeFile(d + QStringLiteral("\\In.fol\\Friends.toc"), QByteArray(104, 't'));
    p.writeFile(d + QStringLiteral("\\In.fol\\Sub.fol\\descmap.pce"), "Old=Old.mbx,S,N\r\n");
    p.writeFile(d + QStringLiteral("\\In.fol\\Sub.fol\\Old.mbx"), mailbox("Old"));
    p.writeFile(d + QStringLiteral("\\In.fol\\Sub.fol\\Old.toc"), QByteArray(104, 't'));
    p.writeFile(d + QStringLiteral("\\In.fol\\Sub.fol\\notes.txt"), "not a mailbox\r\n");
    // Written by an older version in capitals.
    p.writeFile(d + QStringLiteral("\\WORK.FOL\\DESCMAP.PCE"), "PROJECTS=PROJECTS.MBX,S,N\r\n");
    p.writeFile(d + QStringLiteral("\\WORK.FOL\\PROJECTS.MBX"), mailbox("Projects"));
    p.writeFile(d + QStringLiteral("\\WORK.FOL\\PROJECTS.TOC"), QByteArray(104, 't'));
    // A folder of mailboxes that is no mail folder of Eudora's own.
    p.writeFile(d + QStringLiteral("\\Archive\\descmap.pce"), "2003=2003.mbx,S,N\r\n");
    p.writeFile(d + QStringLiteral("\\Archive\\2003.mbx"), mailbox("2003"));
    p.writeFile(d + QStringLiteral("\\Archive\\2003.toc"), QByteArray(104, 't'));
}

} // namespace support
