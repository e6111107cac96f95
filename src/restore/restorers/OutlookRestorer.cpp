#include "restore/restorers/OutlookRestorer.h"

#include "backup/collectors/Collector.h"
#include "backup/collectors/OutlookCollector.h"
#include "backup/collectors/OutlookExpressCollector.h"
#include "clients/layouts/OutlookLayout.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "restore/Destinations.h"

#include <QFile>
#include <QRegularExpression>

namespace restore {

namespace {
using L = clients::OutlookLayout;
using backup::Collector;

QString withoutSlash(QString path) {
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

// "rest" when path is "<folder>\rest" (or the folder itself), without regard to case.
std::optional<QString> below(const QString& path, const QString& folder) {
    if (folder.isEmpty()) return std::nullopt;
    if (path.compare(folder, Qt::CaseInsensitive) == 0) return QString();
    const QString prefix = folder + QLatin1Char('\\');
    if (!path.startsWith(prefix, Qt::CaseInsensitive)) return std::nullopt;
    return path.mid(prefix.size());
}

QString unescape(const QString& quoted) {
    QString out;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == QLatin1Char('\\') && i + 1 < quoted.size()) ++i;
        out += quoted[i];
    }
    return out;
}
} // namespace

QStringList OutlookRestorer::StorePathsOfDump(const QByteArray& dump) {
    QString text = dump.startsWith("\xff\xfe")
                       ? QString::fromUtf16(reinterpret_cast<const char16_t*>(dump.constData() + 2),
                                            (dump.size() - 2) / 2)
                       : platform::fromAnsi(dump);
    text.replace(QRegularExpression(QStringLiteral("\\\\\\r?\\n\\s*")), QString());
    static const QRegularExpression line(
        QStringLiteral("^\"(001e6700|001f6700)\"=(?:\"(.*)\"|hex:([0-9a-fA-F, ]*))\\s*$"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    QStringList paths;
    auto it = line.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        QString path;
        if (m.capturedLength(2) > 0 || m.captured(3).isNull()) {
            path = unescape(m.captured(2));
        } else {
            QByteArray bytes =
                QByteArray::fromHex(m.captured(3).remove(QLatin1Char(',')).toLatin1());
            if (m.captured(1).compare(QLatin1String("001f6700"), Qt::CaseInsensitive) == 0) {
                path = backup::OutlookCollector::UnicodeStorePath(bytes);
            } else {
                const qsizetype end = bytes.indexOf('\0');
                if (end >= 0) bytes.truncate(end);
                path = platform::decodeCodePage(bytes, platform::ansiCodePage())
                           .value_or(platform::fromAnsi(bytes));
            }
        }
        if (!path.isEmpty()) paths << path;
    }
    return paths;
}

OutlookRestorer::StoreMove
OutlookRestorer::MoveStorePaths(const QByteArray& dump,
                                const std::function<QString(const QString&)>& move) {
    StoreMove out;
    // Latin-1 keeps an ANSI dump's bytes exactly; the hex lines are ASCII.
    const bool unicode = dump.startsWith("\xff\xfe");
    const QString text =
        unicode ? QString::fromUtf16(reinterpret_cast<const char16_t*>(dump.constData() + 2),
                                     (dump.size() - 2) / 2)
                : QString::fromLatin1(dump);
    static const QRegularExpression value(
        QStringLiteral("^\"(001e6700|001f6700)\"=hex:((?:[0-9a-fA-F]{2}|,|\\\\\r?\n|[ \t])*)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype done = 0;
    auto it = value.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        QString hex = m.captured(2);
        hex.remove(QRegularExpression(QStringLiteral("[\\\\\\s,]")));
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        const bool wide =
            m.captured(1).compare(QLatin1String("001f6700"), Qt::CaseInsensitive) == 0;
        QString path;
        if (wide) {
            path = backup::OutlookCollector::UnicodeStorePath(bytes);
        } else {
            QByteArray ansi = bytes;
            const qsizetype end = ansi.indexOf('\0');
            if (end >= 0) ansi.truncate(end);
            path = platform::decodeCodePage(ansi, platform::ansiCodePage())
                       .value_or(platform::fromAnsi(ansi));
        }
        const QString to = path.isEmpty() ? path : move(path);
        if (to == path) continue;
        std::optional<QByteArray> data;
        if (wide)
            data = platform::utf16LeBytes(to) + QByteArray(2, '\0');
        else if (const auto ansi = platform::encodeCodePage(to, platform::ansiCodePage()))
            data = *ansi + QByteArray(1, '\0');
        if (!data) {
            out.kept << path;
            continue;
        }
        // Any line end the value had stays after it.
        QString tail = m.captured(2);
        const qsizetype keep = tail.size() - QStringView(tail).trimmed().size();
        tail = keep > 0 ? tail.right(keep) : QString();
        result += QStringView(text).mid(done, m.capturedStart() - done);
        result += QLatin1Char('"') + m.captured(1) + QStringLiteral("\"=hex:") +
                  QString::fromLatin1(data->toHex(',')) + tail;
        done = m.capturedEnd();
        out.moved << path + QStringLiteral(" -> ") + to;
    }
    result += QStringView(text).mid(done);
    if (out.moved.isEmpty()) {
        out.dump = dump;
    } else if (unicode) {
        out.dump = QByteArray("\xff\xfe", 2) + platform::utf16LeBytes(result);
    } else {
        out.dump = result.toLatin1();
    }
    return out;
}

void OutlookRestorer::Prepare() {
    appData_ = withoutSlash(ShellFolder(QStringLiteral("AppData")));
    local_ = withoutSlash(ShellFolder(QStringLiteral("Local AppData")));
    oldAppData_ = withoutSlash(in_.manifest.directoryValue(QStringLiteral("Dir1")));
    oldLocal_ = withoutSlash(in_.manifest.directoryValue(QStringLiteral("Dir2")));
    oldProfile_ = backup::OutlookExpressCollector::UserProfileOf(oldAppData_);
    profile_ = backup::OutlookExpressCollector::UserProfileOf(appData_);

    // The signatures folder Outlook of this prefix reads, as the backup found it.
    const auto named = [this](const char* version) {
        return ReadString(platform::HKEY_CURRENT_USER,
                          L::officeKey(QLatin1String(version)) +
                              QStringLiteral("\\Common\\General"),
                          QStringLiteral("Signatures"));
    };
    QString name;
    for (const char* version : {"10.0", "11.0", "9.0"})
        if (name.isEmpty()) name = named(version);
    if (name.isEmpty()) name = QStringLiteral("Signatures");
    if (Collector::HasDrive(appData_))
        signatures_ =
            appData_ + QLatin1Char('\\') + L::microsoftFolder() + QLatin1Char('\\') + name;
    AddRoots();

    // The profile names its stores by path: they move with the folders.
    const QString settingFile = QLatin1String(L::dumps().front().file);
    QFile setting(in_.stagingHost + QLatin1Char('/') + settingFile);
    if (!setting.open(QIODevice::ReadOnly)) return;
    const QByteArray dump = setting.readAll();
    setting.close();
    stores_ = StorePathsOfDump(dump);
    StoreMove m = MoveStorePaths(dump, [this](const QString& p) { return Placed(p); });
    // Store paths kept as text values move the same way.
    if (auto text = DumpText::parse(m.dump)) {
        QStringList moved;
        text->rewrite([this, &moved](const QString& t) {
            if (!stores_.contains(t, Qt::CaseInsensitive)) return t;
            const QString to = Placed(t);
            if (to != t) moved << t + QStringLiteral(" -> ") + to;
            return to;
        });
        if (const auto bytes = text->bytes(); bytes && !moved.isEmpty()) {
            m.dump = *bytes;
            m.moved << moved;
        }
    }
    if (m.moved.isEmpty()) return;
    if (!setting.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        setting.write(m.dump) != m.dump.size())
        return;
    for (const QString& line : m.moved)
        rewrites_ << settingFile + QStringLiteral(": ") + line;
}

QString OutlookRestorer::Placed(const QString& store) const {
    const QString moved = Moved(store);
    QStringList names;
    if (InsideRoots(moved) || local_.isEmpty() || !Destinations::splitPath(moved, names).isEmpty())
        return moved; // the destination check refuses what is not on this prefix's C:
    // A store in a folder that is not Outlook's here goes to Outlook's own folder.
    return local_ + QLatin1Char('\\') + L::outlookFolder() + QLatin1Char('\\') +
           platform::extractFileName(moved);
}

void OutlookRestorer::AddRoots() {
    if (Collector::HasDrive(appData_)) AddRoot(appData_ + QLatin1Char('\\') + L::outlookFolder());
    // The local folder holds the default stores and those the profile keeps there.
    AddRoot(local_);
    AddRoot(signatures_);
    // Where later versions keep new stores ("Outlook Files" in the documents).
    AddRoot(ShellFolder(QStringLiteral("Personal")));
    // The folders of the stores this prefix's profiles name.
    for (const QString& profiles : {L::profilesKeyNT(), L::profilesKey9x()}) {
        const auto all = in_.registry.open(platform::HKEY_CURRENT_USER, profiles);
        if (!all) continue;
        for (const QString& profile : all->subKeyNames()) {
            const QString key = profiles + QLatin1Char('\\') + profile;
            const auto sections = in_.registry.open(platform::HKEY_CURRENT_USER, key);
            if (!sections) continue;
            for (const QString& section : sections->subKeyNames()) {
                const auto s = in_.registry.open(platform::HKEY_CURRENT_USER,
                                                 key + QLatin1Char('\\') + section);
                if (!s) continue;
                if (const auto store = backup::OutlookCollector::StorePathOf(*s))
                    AddRoot(platform::extractFilePath(*store));
            }
        }
    }
}

QString OutlookRestorer::Moved(const QString& path) const {
    const std::pair<const QString*, const QString*> moves[] = {
        {&oldLocal_, &local_}, {&oldAppData_, &appData_}, {&oldProfile_, &profile_}};
    for (const auto& [from, to] : moves) {
        if (to->isEmpty()) continue;
        if (const auto rest = below(path, *from))
            return rest->isEmpty() ? *to : *to + QLatin1Char('\\') + *rest;
    }
    return path;
}

OutlookRestorer::Where OutlookRestorer::Locate(const QString& entry) {
    Where w;
    w.identity = in_.manifest.identities.value(0);
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    const QString top = entry.left(slash).toLower();
    if (slash < 0) {
        if (entry.endsWith(QLatin1String(".reg"), Qt::CaseInsensitive)) {
            w.item = L::kAccounts;
            w.dump = true;
        }
        return w;
    }
    if (top == L::appArchiveFolder() || top == L::localArchiveFolder()) {
        w.item = L::kMailFolders;
        const QString& base = top == L::appArchiveFolder() ? appData_ : local_;
        if (Collector::HasDrive(base))
            w.winPath = Below(base + QLatin1Char('\\') + L::outlookFolder(), entry, slash + 1);
        return w;
    }
    if (top == L::signaturesArchiveFolder().toLower()) {
        w.identity.clear(); // backed up whichever identity was ticked
        w.item = L::kSignatures;
        if (!signatures_.isEmpty()) w.winPath = Below(signatures_, entry, slash + 1);
        return w;
    }
    if (top == L::storesArchiveFolder().toLower()) {
        w.item = L::kPersonalStore;
        const QString dir = entry.section(QLatin1Char('/'), 1, 1);
        const QString file = entry.section(QLatin1Char('/'), 2);
        if (file.isEmpty() || file.contains(QLatin1Char('/'))) return w;
        QString folder;
        if (dir.compare(QLatin1String("Dir0"), Qt::CaseInsensitive) == 0) {
            // Inside the local application-data folder: the profile names the place.
            for (const QString& store : stores_) {
                const auto rest = below(store, oldLocal_);
                if (rest &&
                    platform::extractFileName(store).compare(file, Qt::CaseInsensitive) == 0) {
                    folder = platform::extractFilePath(local_ + QLatin1Char('\\') + *rest);
                    break;
                }
            }
        } else {
            folder =
                withoutSlash(in_.manifest.othersIni.readString(QStringLiteral("Directory"), dir));
            // A store the profile names goes where the restored profile will name it.
            if (stores_.contains(folder + QLatin1Char('\\') + file, Qt::CaseInsensitive))
                folder = platform::extractFilePath(Placed(folder + QLatin1Char('\\') + file));
            else if (!folder.isEmpty())
                folder = Moved(folder);
        }
        if (Collector::HasDrive(folder)) w.winPath = Below(folder, file, 0);
    }
    return w;
}

} // namespace restore
