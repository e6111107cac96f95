// postora-sample-prefix <dir>: writes the bundled sample Wine prefix into
// <dir>/prefix, with <dir>/config and <dir>/home beside it, for a person who
// wants to see the program at work without a prefix of their own.

#include "support/SamplePrefix.h"
#include "support/clients/EveryClient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

void put16(QByteArray& b, int at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

// The headers of a Windows program (PE, GUI subsystem 4.0) and nothing else:
// enough for the executable-type query, not meant to run.
QByteArray programStub() {
    QByteArray b(0x200, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put16(b, 0x3C, 0x80);
    b.replace(0x80, 4, QByteArray("PE\0\0", 4));
    put16(b, 0x84, 0x14C);       // i386
    put16(b, 0x84 + 18, 0x0102); // executable, 32-bit
    const int opt = 0x84 + 20;
    put16(b, opt, 0x10B);  // PE32
    put16(b, opt + 48, 4); // subsystem version 4.0
    put16(b, opt + 68, 2); // Windows GUI
    return b;
}

QByteArray favorite(const char* url) {
    return QByteArray("[InternetShortcut]\r\nURL=") + url + "\r\n";
}

void writeUserFiles(support::SamplePrefix& s) {
    const QString profile = QStringLiteral("C:\\users\\") + s.userName();
    s.writeFile(profile + QStringLiteral("\\Favorites\\Debian.url"),
                favorite("https://www.debian.org/"));
    s.writeFile(profile + QStringLiteral("\\Favorites\\Links\\Qt.url"),
                favorite("https://www.qt.io/"));
    s.writeFile(profile + QStringLiteral("\\Favorites\\News\\Wine HQ.url"),
                favorite("https://www.winehq.org/"));
    s.writeFile(profile + QStringLiteral("\\Documents\\Letter.txt"),
                "Dear Ann,\r\nthe backup is on the shelf.\r\n");
    s.writeFile(profile + QStringLiteral("\\Documents\\Budget 2004.csv"),
                "month;amount\r\nJan;120\r\n");
    s.writeFile(profile + QStringLiteral("\\Desktop\\Notes.txt"), "Call the bank.\r\n");
    s.writeFile(profile +
                    QStringLiteral("\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\Letter.lnk"),
                QByteArray(76, '\0'));
}

void writePrograms(support::SamplePrefix& s) {
    const QByteArray stub = programStub();
    s.writeFile(QStringLiteral("C:\\windows\\notepad.exe"), stub);
    s.writeFile(QStringLiteral("C:\\windows\\regedit.exe"), stub);
    s.writeFile(QStringLiteral("C:\\windows\\system32\\winver.exe"), stub);
    s.writeFile(QStringLiteral("C:\\Program Files\\Internet Explorer\\iexplore.exe"), stub);
    s.setString(
        platform::HKEY_LOCAL_MACHINE,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe"),
        QString(), QStringLiteral("C:\\Program Files\\Internet Explorer\\iexplore.exe"));
    s.setString(platform::HKEY_CLASSES_ROOT, QStringLiteral(".txt"), QString(),
                QStringLiteral("txtfile"));
    s.setString(platform::HKEY_CLASSES_ROOT, QStringLiteral("txtfile\\shell\\open\\command"),
                QString(), QStringLiteral("C:\\windows\\notepad.exe %1"));
}

void writeUserSettings(support::SamplePrefix& s) {
    const QString desktop = QStringLiteral("Control Panel\\Desktop");
    s.setString(platform::HKEY_CURRENT_USER, desktop, QStringLiteral("Wallpaper"), QString());
    s.setDword(platform::HKEY_CURRENT_USER, desktop, QStringLiteral("FontSmoothingType"), 2);
    s.setValue(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Wine\\Explorer"),
               platform::RegValue::string(QStringLiteral("Desktop"), QStringLiteral("Default")));
    s.setValue(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Wine\\Explorer\\Desktops"),
               platform::RegValue::string(QStringLiteral("Default"), QStringLiteral("1024x768")));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args.front().isEmpty() || args.front().startsWith(u'-')) {
        std::fputs("usage: postora-sample-prefix <dir>\n", stderr);
        return 2;
    }
    support::SamplePrefix sample(args.front());
    writeUserFiles(sample);
    writePrograms(sample);
    writeUserSettings(sample);
    support::addEveryClient(sample);
    sample.save();
    if (!QFileInfo(sample.prefixDir() + QStringLiteral("/user.reg")).isFile() ||
        !QFileInfo(sample.prefixDir() + QStringLiteral("/dosdevices/c:")).isDir()) {
        QTextStream(stderr) << "postora-sample-prefix: cannot write the prefix into "
                            << args.front() << '\n';
        return 1;
    }
    QTextStream(stdout) << "Sample Wine prefix written to " << sample.prefixDir() << '\n'
                        << "  export WINEPREFIX=\"" << sample.prefixDir() << "\" XDG_CONFIG_HOME=\""
                        << sample.configHome() << "\" HOME=\"" << sample.home() << "\"\n";
    return 0;
}
