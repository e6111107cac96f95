#include "support/clients/FavoritesSample.h"

namespace support {

QString favorites::folder(const SamplePrefix& p) {
    return QStringLiteral("C:\\users\\") + p.userName() + QStringLiteral("\\Favorites");
}

QByteArray favorites::shortcut(const char* url) {
    return QByteArray("[DEFAULT]\r\nBASEURL=") + url + "\r\n[InternetShortcut]\r\nURL=" + url +
           "\r\nModified=B0B5A8D0E8D1C20179\r\n";
}

void addFavorites(SamplePrefix& p) {
    const QString f = favorites::folder(p);
    p.setString(platform::HKEY_CURRENT_USER,
                QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                               "Shell Folders"),
                QStringLiteral("Favorites"), f);
    p.writeFile(f + QStringLiteral("\\Weather.url"),
                favorites::shortcut("https://weather.example.com/"));
    p.writeFile(f + QStringLiteral("\\Bank.url"), favorites::shortcut("https://bank.example.com/"));
    p.writeFile(f + QStringLiteral("\\desktop.ini"), "[.ShellClassInfo]\r\nIconIndex=-173\r\n");
    p.writeFile(f + QStringLiteral("\\News\\World.url"),
                favorites::shortcut("https://news.example.com/world"));
    p.writeFile(f + QStringLiteral("\\News\\readme.txt"), "Saved pages go here.\r\n");
    p.writeFile(f + QStringLiteral("\\News\\Local\\Town Paper.url"),
                favorites::shortcut("https://town.example.com/"));
    p.writeFile(f + QStringLiteral("\\LINKS\\SEARCH.URL"),
                favorites::shortcut("https://search.example.com/"));
    p.writeFile(f + QStringLiteral("\\Tools\\Old\\Archive.url"),
                favorites::shortcut("https://archive.example.com/"));
    p.makeDir(f + QStringLiteral("\\Empty"));
    p.save();
}

} // namespace support
