#pragma once
// What a Wine prefix holds, for tests that change it and expect it back:
// every file below drive_c with its bytes, and both hives as parsed content
// (every key, every value's name, type and data), so that the times Wine
// writes anew do not count.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

namespace support {

struct PrefixState {
    std::map<QString, QByteArray> files; // path below drive_c -> bytes
    std::map<QString, QString> registry; // "user.reg:<key>" and "<key>\\<value>" -> content
};

// skip: folders below drive_c (host form, "users/me/Backups") left out.
PrefixState readPrefixState(const QString& prefixDir, const QStringList& skip = {});
// One line per difference (the first few); empty when the two are the same.
QString prefixDifferences(const PrefixState& before, const PrefixState& after);

bool writeHostFile(const QString& path, const QByteArray& content);

// Wine's server of the prefix stopped, its registry written out.
void stopWine(const QString& prefixDir);
// Wine's first start brings a sample prefix up to date (many keys and files
// of its own): done before a test takes the state it compares with.
void bringWineUpToDate(const QString& prefixDir);
// A Wine program run in the prefix ("reg", "delete", ...), Wine stopped after;
// true when it exited with 0.
bool runWine(const QString& prefixDir, const QStringList& args);

} // namespace support
