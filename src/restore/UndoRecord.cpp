#include "restore/UndoRecord.h"

#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "regdump/RegistryDump.h"
#include "restore/Destinations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace restore {

namespace {

const QString kIni = QStringLiteral("undo.ini");
// A record is small; a file claiming more is not one we wrote.
constexpr int kMaxRows = 200000;

QString folder() {
    return QLatin1String(UndoRecord::kFolder);
}

QStringList components(const QString& path) {
    return path.split(u'\\');
}

bool below(const QString& key, const QString& top) {
    return key.size() > top.size() && key.at(top.size()) == u'\\' &&
           key.startsWith(top, Qt::CaseInsensitive);
}

bool atOrBelow(const QString& key, const QString& top) {
    return key.compare(top, Qt::CaseInsensitive) == 0 || below(key, top);
}

QString parentKey(const QString& key) {
    const qsizetype cut = key.lastIndexOf(u'\\');
    return cut < 0 ? QString() : key.left(cut);
}

// Numbered rows "1=...", "2=..." of one section, in order, until the first gap.
QStringList rows(const platform::IniFile& ini, const QString& section) {
    QStringList out;
    for (int n = 1; n <= kMaxRows; ++n) {
        const QString key = QString::number(n);
        if (!ini.hasKey(section, key)) break;
        out << ini.readString(section, key, QString());
    }
    return out;
}

void section(QString& text, const QString& name, const QStringList& values) {
    text += u'[' + name + QStringLiteral("]\r\n");
    for (qsizetype i = 0; i < values.size(); ++i)
        text += QString::number(i + 1) + u'=' + values.at(i) + QStringLiteral("\r\n");
}

platform::Error invalid(const QString& what) {
    return {platform::kInvalidData, QStringLiteral("the undo record %1").arg(what)};
}

} // namespace

bool UndoRecord::IsRecordEntry(const QString& entry) {
    return entry.startsWith(folder() + u'/', Qt::CaseInsensitive);
}

std::optional<std::pair<platform::HKEY, QString>> SplitKey(const QString& key) {
    static const std::pair<const char*, platform::HKEY> roots[] = {
        {"HKEY_CURRENT_USER", platform::HKEY_CURRENT_USER},
        {"HKCU", platform::HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", platform::HKEY_LOCAL_MACHINE},
        {"HKLM", platform::HKEY_LOCAL_MACHINE},
    };
    const qsizetype cut = key.indexOf(u'\\');
    if (cut < 0 || std::any_of(key.cbegin(), key.cend(), [](QChar c) { return c < u' '; }))
        return std::nullopt;
    const QString path = key.mid(cut + 1);
    if (path.isEmpty() || components(path).contains(QString())) return std::nullopt;
    for (const auto& [name, root] : roots)
        if (key.left(cut).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return std::pair{root, path};
    return std::nullopt;
}

QStringList DumpTopKeys(const QByteArray& dump) {
    const auto text = platform::decodeWindowsFile(dump, platform::ansiCodePage());
    if (!text) return {};
    QStringList keys;
    for (QString line : text->split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (!line.startsWith(u'[') || !line.endsWith(u']')) continue;
        QString key = line.mid(1, line.size() - 2);
        if (key.startsWith(u'-')) key.remove(0, 1);
        keys << key;
    }
    // Shortest first, so that a key below another is dropped.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString& a, const QString& b) { return a.size() < b.size(); });
    QStringList top;
    for (const QString& key : std::as_const(keys)) {
        const bool covered = std::any_of(top.cbegin(), top.cend(),
                                         [&key](const QString& t) { return atOrBelow(key, t); });
        if (!covered) top << key;
    }
    return top;
}

QString UndoPathRefusal(const platform::Files& files, const QString& winPath) {
    // The names a destination may have; the client's folders of this prefix
    // may be gone (that is when an undo is needed), so drive_c bounds it.
    QStringList names;
    if (const QString why = Destinations::splitPath(winPath, names); !why.isEmpty())
        return QStringLiteral("%1: %2").arg(winPath, why);
    if (!names.isEmpty() &&
        names.first().compare(QStringLiteral("windows"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("%1 is a folder of Windows itself").arg(winPath);
    const QString driveC = Destinations::driveC(files);
    const auto host = files.hostPath(winPath);
    if (driveC.isEmpty() || !host || names.isEmpty())
        return QStringLiteral("%1 has no place in this prefix").arg(winPath);
    // Removing follows no link either: every folder on the way is a folder.
    QString at = driveC;
    const QStringList parts = QDir::cleanPath(*host).split(u'/');
    for (const QString& part : parts.mid(parts.size() - names.size())) {
        at += u'/' + part;
        if (QFileInfo(at).isSymLink())
            return QStringLiteral("%1 leads through a link").arg(winPath);
    }
    return {};
}

std::optional<platform::Result<UndoRecord>> UndoRecord::Read(const QString& stagingHost) {
    const QString dir = stagingHost + u'/' + folder();
    QFile f(dir + u'/' + kIni);
    if (!f.exists()) return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        return platform::Result<UndoRecord>(invalid(QStringLiteral("cannot be read")));
    const auto text = QString::fromUtf8(f.read(64 << 20));
    const platform::IniFile ini = platform::IniFile::parse(text);
    UndoRecord r;
    r.prefix = ini.readString(QStringLiteral("Undo"), QStringLiteral("Prefix"), QString());
    r.createdFiles = rows(ini, QStringLiteral("Created Files"));
    r.createdFolders = rows(ini, QStringLiteral("Created Folders"));
    const QStringList replaced = rows(ini, QStringLiteral("Replaced Files"));
    const QStringList replacedBy = rows(ini, QStringLiteral("Replaced Entries"));
    const QStringList created = rows(ini, QStringLiteral("Created Keys"));
    const QStringList chains = rows(ini, QStringLiteral("Created Chains"));
    const QStringList touched = rows(ini, QStringLiteral("Touched Keys"));
    const QStringList exports = rows(ini, QStringLiteral("Touched Exports"));
    if (r.prefix.isEmpty() || replaced.size() != replacedBy.size() ||
        created.size() != chains.size() || touched.size() != exports.size())
        return platform::Result<UndoRecord>(invalid(QStringLiteral("is incomplete")));
    // Every entry it names is one of its own and was extracted.
    const auto ownEntry = [&stagingHost](const QString& entry) {
        return IsRecordEntry(entry) && !entry.contains(QStringLiteral("..")) &&
               QFileInfo(stagingHost + u'/' + entry).isFile();
    };
    for (qsizetype i = 0; i < replaced.size(); ++i) {
        if (!ownEntry(replacedBy[i]))
            return platform::Result<UndoRecord>(invalid(QStringLiteral("lacks ") + replacedBy[i]));
        r.replaced.append({replaced[i], replacedBy[i]});
    }
    for (qsizetype i = 0; i < created.size(); ++i) {
        if (!atOrBelow(created[i], chains[i]))
            return platform::Result<UndoRecord>(
                invalid(QStringLiteral("names a key out of order: ") + chains[i]));
        r.createdKeys.append({created[i], chains[i]});
    }
    for (qsizetype i = 0; i < touched.size(); ++i) {
        if (!ownEntry(exports[i]))
            return platform::Result<UndoRecord>(invalid(QStringLiteral("lacks ") + exports[i]));
        r.touchedKeys.append({touched[i], exports[i]});
    }
    return platform::Result<UndoRecord>(std::move(r));
}

UndoRecorder::UndoRecorder(platform::Registry& registry, const platform::Files& files,
                           const QString& workHost)
    : registry_(registry), files_(files), work_(workHost) {}

void UndoRecorder::addFile(const QString& winPath) {
    if (!paths_.contains(winPath, Qt::CaseInsensitive)) paths_ << winPath;
}

void UndoRecorder::addDump(const QByteArray& dump) {
    for (const QString& key : DumpTopKeys(dump))
        addKey(key);
}

void UndoRecorder::addKey(const QString& key) {
    if (!SplitKey(key) && error_.isEmpty())
        error_ = QStringLiteral("the registry key %1 cannot be recorded for the undo").arg(key);
    for (const QString& k : std::as_const(keys_))
        if (atOrBelow(key, k)) return;
    keys_.removeIf([&key](const QString& k) { return below(k, key); });
    keys_ << key;
}

platform::Result<QList<backup::ArchiveEntry>> UndoRecorder::write() {
    if (!error_.isEmpty()) return platform::Error{platform::kInvalidData, error_};
    const QString dir = work_ + u'/' + folder();
    if (!QDir().mkpath(dir + QStringLiteral("/keys")))
        return platform::Error{platform::kAccessDenied,
                               QStringLiteral("cannot make the folder %1").arg(dir)};
    QList<backup::ArchiveEntry> entries;
    QStringList createdFiles, createdFolders, replaced, replacedBy;
    for (const QString& path : std::as_const(paths_)) {
        if (std::any_of(path.cbegin(), path.cend(), [](QChar c) { return c < u' '; }))
            return platform::Error{platform::kInvalidName,
                                   QStringLiteral("%1 cannot be recorded for the undo").arg(path)};
        if (files_.fileExists(path)) {
            // Stored from where it is, under a number of its own: two files of
            // one name in different folders never meet.
            const QString name = platform::extractFileName(path);
            const QString slot =
                QStringLiteral("%1\\files\\%2").arg(folder()).arg(replaced.size() + 1);
            entries.append({path, slot, platform::extractFilePath(path), 0});
            replaced << path;
            replacedBy << QString(slot + u'\\' + name).replace(u'\\', u'/');
            continue;
        }
        createdFiles << path;
        // The folders placing will make, deepest first.
        for (QString up = platform::excludeTrailingBackslash(platform::extractFilePath(path));
             up.size() > 3 && !files_.directoryExists(up);
             up = platform::excludeTrailingBackslash(platform::extractFilePath(up)))
            if (!createdFolders.contains(up, Qt::CaseInsensitive)) createdFolders << up;
    }
    std::sort(createdFolders.begin(), createdFolders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });

    regdump::RegistryDump dump(registry_, files_);
    QStringList created, chains, touched, exports;
    for (const QString& key : std::as_const(keys_)) {
        const auto [root, path] = *SplitKey(key);
        if (registry_.keyExists(root, path)) {
            const QString file = QStringLiteral("%1.reg").arg(touched.size() + 1);
            const QString win = files_.windowsPath(dir + QStringLiteral("/keys/") + file);
            if (!dump.ExportRegistryKey(regdump::RegistryDump::RootKeyToName(root), u'\\' + path,
                                        true, win))
                return platform::Error{platform::kAccessDenied,
                                       QStringLiteral("the registry key %1 could not be saved "
                                                      "for the undo")
                                           .arg(key)};
            entries.append(
                {win, folder() + QStringLiteral("\\keys"), platform::extractFilePath(win), 0});
            touched << key;
            exports << folder() + QStringLiteral("/keys/") + file;
            continue;
        }
        QString chain = key;
        while (components(parentKey(chain)).size() > 1) {
            const QString up = parentKey(chain);
            if (registry_.keyExists(SplitKey(up)->first, SplitKey(up)->second)) break;
            chain = up;
        }
        created << key;
        chains << chain;
    }

    QString text = QStringLiteral("[Undo]\r\nVersion=1\r\nPrefix=") + files_.drives().prefixDir() +
                   QStringLiteral("\r\n");
    section(text, QStringLiteral("Created Files"), createdFiles);
    section(text, QStringLiteral("Created Folders"), createdFolders);
    section(text, QStringLiteral("Replaced Files"), replaced);
    section(text, QStringLiteral("Replaced Entries"), replacedBy);
    section(text, QStringLiteral("Created Keys"), created);
    section(text, QStringLiteral("Created Chains"), chains);
    section(text, QStringLiteral("Touched Keys"), touched);
    section(text, QStringLiteral("Touched Exports"), exports);
    QFile ini(dir + u'/' + kIni);
    const QByteArray bytes = text.toUtf8();
    if (!ini.open(QIODevice::WriteOnly | QIODevice::NewOnly) || ini.write(bytes) != bytes.size() ||
        !ini.flush())
        return platform::Error{platform::kAccessDenied,
                               QStringLiteral("%1: %2").arg(ini.fileName(), ini.errorString())};
    const QString win = files_.windowsPath(ini.fileName());
    entries.prepend({win, folder(), platform::extractFilePath(win), 0});
    return entries;
}

} // namespace restore
