// postora-inspect: shows what Postora sees in the Wine prefix - drives, registry
// keys, file listings. One entry in kCommands per sub-command.
//
// Exit status: 0 on success, 1 when the thing asked for is not there, 2 when
// the command line is not accepted; every failure prints one line on stderr.

#include "app/SettingsReport.h"
#include "app/SettingsStore.h"
#include "app/WindowsSource.h"
#include "backup/DryRun.h"
#include "backup/SqxLibrary.h"
#include "backup/SqxRecords.h"
#include "base/Interaction.h"
#include "clients/Clients.h"
#include "clients/ClientsReport.h"
#include "desktop/FileSearch.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/TerminalPassword.h"
#include "regdump/RegistryDump.h"
#include "restore/ArchiveReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

using namespace platform;

constexpr int kExitOk = 0;
constexpr int kExitMissing = 1;
constexpr int kExitBadArguments = 2;

// What the sub-commands work on, made on first use from the environment, or
// from the mounted Windows installation (/w:) when one was named.
class Inspect {
public:
    QTextStream out{stdout};
    std::optional<WindowsInstallation> windows;

    Files& files() {
        if (!files_) files_ = std::make_unique<Files>(DriveMap::current(windows));
        return *files_;
    }
    Registry& registry() {
        if (!registry_)
            registry_ = std::make_unique<Registry>(Registry::configFromEnvironment(windows));
        return *registry_;
    }

    int fail(int code, const QString& message) {
        out.flush();
        QTextStream(stderr) << "postora-inspect: " << message << '\n';
        return code;
    }

private:
    std::unique_ptr<Files> files_;
    std::unique_ptr<Registry> registry_;
};

struct Command {
    const char* name;
    const char* arguments; // as shown in the usage text
    const char* summary;
    int minArguments;
    int maxArguments;
    std::function<int(Inspect&, const QStringList&)> run;
};

QString sizeText(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString driveTypeText(int type) {
    switch (type) {
    case DRIVE_REMOVABLE:
        return QStringLiteral("removable");
    case DRIVE_FIXED:
        return QStringLiteral("fixed");
    case DRIVE_CDROM:
        return QStringLiteral("cd-rom");
    case DRIVE_NO_ROOT_DIR:
        return QStringLiteral("no root");
    default:
        return QStringLiteral("unknown");
    }
}

int drivesCommand(Inspect& in, const QStringList&) {
    const Files& fs = in.files();
    const QString prefix = fs.drives().prefixDir();
    if (const auto& w = in.windows) {
        in.out << "Windows: " << w->root << " (user " << w->user << ")\n";
        QStringList notes;
        (void)DriveMap::fromWindows(*w, &notes);
        for (const QString& note : notes)
            in.out << "Note: " << note << '\n';
    } else {
        in.out << "Prefix: " << (prefix.isEmpty() ? QStringLiteral("(none)") : prefix) << '\n';
    }
    for (const Drive& d : fs.drives().drives()) {
        const auto free = fs.freeSpace(d.letter);
        in.out << d.letter << ":  " << driveTypeText(fs.driveType(d.letter)).leftJustified(9)
               << "  "
               << (free ? sizeText(*free) + QStringLiteral(" free") : QStringLiteral("not ready"))
                      .rightJustified(14)
               << "  " << d.hostRoot << '\n';
    }
    return kExitOk;
}

// "HKCU\Software\x" -> root handle and the path below it.
std::optional<std::pair<HKEY, QString>> splitRegistryPath(const QString& text) {
    static const std::pair<const char*, HKEY> roots[] = {
        {"HKCR", HKEY_CLASSES_ROOT},   {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCU", HKEY_CURRENT_USER},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKLM", HKEY_LOCAL_MACHINE},  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKU", HKEY_USERS},           {"HKEY_USERS", HKEY_USERS},
        {"HKCC", HKEY_CURRENT_CONFIG}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    const qsizetype cut = text.indexOf(u'\\');
    const QString head = cut < 0 ? text : text.left(cut);
    for (const auto& [name, root] : roots) {
        if (head.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return std::pair{root, cut < 0 ? QString() : text.mid(cut + 1)};
    }
    return std::nullopt;
}

QString typeName(quint32 type) {
    static const char* const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    return type < std::size(names) ? QLatin1String(names[type])
                                   : QStringLiteral("type %1").arg(type);
}

QString quoted(QString s) {
    s.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    s.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    return u'"' + s + u'"';
}

QString dataText(const RegValue& v) {
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
        return quoted(v.text());
    case REG_MULTI_SZ: {
        QStringList parts = v.text().split(QChar(0));
        while (!parts.isEmpty() && parts.back().isEmpty())
            parts.removeLast();
        for (QString& p : parts)
            p = quoted(p);
        return parts.join(QStringLiteral(", "));
    }
    case REG_DWORD:
        if (v.data.size() == 4) {
            const auto* b = reinterpret_cast<const uchar*>(v.data.constData());
            const quint32 n = b[0] | b[1] << 8 | b[2] << 16 | quint32(b[3]) << 24;
            return QStringLiteral("0x%1 (%2)").arg(n, 8, 16, QChar(u'0')).arg(n);
        }
        break;
    default:
        break;
    }
    return QString::fromLatin1(v.data.toHex(' '));
}

int regCommand(Inspect& in, const QStringList& args) {
    const auto where = splitRegistryPath(args.front());
    if (!where)
        return in.fail(kExitBadArguments,
                       QStringLiteral("unknown registry root in \"%1\"").arg(args.front()));
    auto key = in.registry().open(where->first, where->second);
    if (!key)
        return in.fail(kExitMissing,
                       QStringLiteral("no key %1: %2").arg(args.front(), key.error().message));
    const QString path = where->second.isEmpty() ? rootName(where->first)
                                                 : rootName(where->first) + u'\\' + where->second;
    in.out << '[' << path << "]\n";
    for (const QString& name : key->valueNames()) {
        const auto v = key->value(name);
        if (!v) continue;
        in.out << (name.isEmpty() ? QStringLiteral("@") : quoted(name)) << ' ' << typeName(v->type)
               << ' ' << dataText(*v) << '\n';
    }
    const QStringList subKeys = key->subKeyNames();
    if (!subKeys.isEmpty()) {
        in.out << "Sub-keys:\n";
        for (const QString& s : subKeys)
            in.out << "  " << s << '\n';
    }
    return kExitOk;
}

QString attributeText(quint32 a) {
    QString s(5, u'-');
    if (a & FA_READONLY) s[0] = u'R';
    if (a & FA_HIDDEN) s[1] = u'H';
    if (a & FA_SYSTEM) s[2] = u'S';
    if (a & FA_DIRECTORY) s[3] = u'D';
    if (a & FA_ARCHIVE) s[4] = u'A';
    return s;
}

int findCommand(Inspect& in, const QStringList& args) {
    const QString pattern = args.front();
    const auto found = in.files().find(pattern, FA_ANYFILE);
    if (!found) {
        const int code = found.code() == platform::kInvalidName ? kExitBadArguments : kExitMissing;
        return in.fail(code, found.error().message);
    }
    int files = 0, folders = 0;
    for (const FindData& d : *found) {
        const bool folder = d.attributes & FA_DIRECTORY;
        (folder ? folders : files)++;
        in.out << attributeText(d.attributes) << "  "
               << (folder ? QStringLiteral("<DIR>") : QString::number(d.size)).rightJustified(12)
               << "  " << d.modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
               << "  " << d.name << '\n';
    }
    in.out << files << " file(s), " << folders << " folder(s)\n";
    return kExitOk;
}

// The catalogue's findings, then the folders each found client's backup would
// read: a dry run of it that archives nothing and leaves nothing behind.
int clientsCommand(Inspect& in, const QStringList&) {
    clients::ClientCatalogue catalogue(in.registry(), in.files());
    for (const QString& line : clients::ClientsReport(catalogue))
        in.out << line << '\n';
    in.out.flush(); // collectors' warnings go to stderr in between
    base::ConsoleInteraction ui;
    backup::DryRun dry(in.registry(), in.files(), catalogue, ui);
    for (const QString& line : backup::DataFolderReport(dry.RunFound()))
        in.out << line << '\n';
    return kExitOk;
}

// Reads the settings as the program does at start-up, without writing the
// defaults of absent values back.
int settingsCommand(Inspect& in, const QStringList&) {
    app::SettingsStore store(in.registry(), in.files());
    store.setWriteDefaults(false);
    store.InitFolders();
    store.LoadOptionSettings();
    store.LoadMainSettings();
    for (const QString& line : app::SettingsReport(store.settings()))
        in.out << line << '\n';
    return kExitOk;
}

// export ROOT KEY FILE [--no-subkeys]: the registry dump a backup would hold,
// written by the same writer (REGEDIT4 in the locale's code page, or the
// Unicode form). FILE is a Windows path or a host path.
int exportCommand(Inspect& in, const QStringList& args) {
    bool subKeys = true;
    if (args.size() == 4) {
        if (args[3] != u"--no-subkeys")
            return in.fail(kExitBadArguments, QStringLiteral("unknown option \"%1\"").arg(args[3]));
        subKeys = false;
    }
    const QString root = args[0];
    if (regdump::RegistryDump::RootKeyToName(regdump::RegistryDump::RootNameToKey(root)) != root)
        return in.fail(
            kExitBadArguments,
            QStringLiteral("unknown root \"%1\" (use HKEY_CURRENT_USER, ...)").arg(root));
    QString file = args[2];
    if (file.startsWith(u'/')) file = in.files().windowsPath(file);
    regdump::RegistryDump dump(in.registry(), in.files());
    if (!dump.ExportRegistryKey(root, args[1], subKeys, file))
        return in.fail(kExitMissing, QStringLiteral("cannot write %1").arg(file));
    in.out << "written " << file << '\n';
    return kExitOk;
}

// search SPEC [--level N]: the folders the recursive file search reports, in order.
int searchCommand(Inspect& in, const QStringList& args) {
    desktop::FileSearch search(in.files());
    if (args.size() == 3) {
        bool ok = false;
        const int level = args[2].toInt(&ok);
        if (args[1] != u"--level" || !ok || level < 0)
            return in.fail(kExitBadArguments, QStringLiteral("expected --level N"));
        search.Level = level;
    } else if (args.size() != 1) {
        return in.fail(kExitBadArguments, QStringLiteral("expected --level N"));
    }
    desktop::FoundFolderList found;
    found.attach(search);
    search.setSearchFile(args[0]);
    search.Execute();
    for (const QString& folder : found.folders())
        in.out << folder << '\n';
    if (found.overflowed())
        return in.fail(kExitMissing, QStringLiteral("%1 more folder(s) did not fit the list of %2")
                                         .arg(found.dropped())
                                         .arg(desktop::FoundFolderList::Capacity));
    return kExitOk;
}

// archive list|test|extract FILE [--password P] [--to DIR]: looks into a backup
// through the archiving library the program writes it with.
namespace archive {

QString resultText(std::int32_t r, const QString& volume = QString()) {
    switch (r) {
    case SQX_E_MISSING_VOLUME:
        return QStringLiteral("the volume %1 of the set is missing").arg(volume);
    case SQX_E_NOT_A_FILE:
        return QStringLiteral("the volume %1 is not a regular file").arg(volume);
    case SQX_E_ACCESS:
        return QStringLiteral("access denied");
    case SQX_E_DISK_FULL:
        return QStringLiteral("the disk is full");
    case SQX_E_WRITE_PROTECTED:
        return QStringLiteral("the drive is write protected");
    case SQX_E_NOT_FOUND:
        return QStringLiteral("no such archive");
    case SQX_E_IO:
        return QStringLiteral("input/output error");
    case SQX_E_BAD_ARCHIVE:
        return QStringLiteral("not a readable archive");
    case SQX_E_BAD_DATA:
        return QStringLiteral("damaged data (CRC or authentication code does not match)");
    case SQX_E_PASSWORD_NEEDED:
        return QStringLiteral("the archive is encrypted: set POSTORA_PASSWORD, or run this in a "
                              "terminal to type the password");
    case SQX_E_BAD_PASSWORD:
        return QStringLiteral("wrong password");
    default:
        return QStringLiteral("error code %1").arg(r);
    }
}

int run(Inspect& in, const QStringList& args) {
    const QString mode = args[0];
    QString file = args[1];
    QByteArray password;
    QString to;
    for (qsizetype i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || (args[i] != u"--password" && args[i] != u"--to"))
            return in.fail(kExitBadArguments, QStringLiteral("unknown option \"%1\"").arg(args[i]));
        if (args[i] == u"--to") {
            to = args[i + 1];
        } else {
            password = args[i + 1].toUtf8();
            QTextStream(stderr) << "postora-inspect: warning: a password on the command line "
                                   "can be seen by other users in the process list; set "
                                   "POSTORA_PASSWORD or type it when asked instead\n";
        }
    }
    if (password.isEmpty()) password = qgetenv("POSTORA_PASSWORD");
    if ((mode == u"extract") != !to.isEmpty() ||
        (mode != u"list" && mode != u"test" && mode != u"extract"))
        return in.fail(kExitBadArguments,
                       QStringLiteral("usage: postora-inspect archive list|test FILE, or archive "
                                      "extract FILE --to DIR (the password from POSTORA_PASSWORD "
                                      "or the terminal)"));
    for (QString* p : {&file, &to}) // Windows paths are taken too
        if (p->size() > 2 && p->at(1) == u':')
            if (const auto host = in.files().hostPath(*p)) *p = *host;
    backup::SqxLibrary library;
    if (!library.load(QDir(programHostFolder()).filePath(QLatin1String(library.kFileName))))
        return in.fail(kExitMissing, library.error());
    if (backup::sqx::buildOptions(QString::fromUtf8(password), to, false, -1).isEmpty())
        return in.fail(kExitBadArguments, QStringLiteral("the password or folder is too long"));
    restore::ArchiveReader reader(library, file, QString::fromUtf8(password));
    // Asked on the terminal only when an encrypted entry is met and no password was given;
    // once, and the answer serves every call after it.
    std::optional<QByteArray> typed;
    reader.setPasswordQuestion([&typed] {
        if (!typed) typed = platform::passwordFromTerminal("Password: ").value_or(QByteArray());
        return *typed;
    });

    // The listing: shown by "list", and the sizes that "extract" needs room for.
    QList<restore::ArchiveEntry> entries;
    const restore::ReadOutcome listed = reader.list(entries);
    qint64 files = 0, folders = 0, bytes = 0;
    for (const restore::ArchiveEntry& e : entries) {
        (e.isFolder ? folders : files)++;
        bytes += e.size > 0 ? e.size : 0;
        if (mode != u"list") continue;
        in.out
            << (e.isFolder ? QStringLiteral("<DIR>") : QString::number(e.size)).rightJustified(12)
            << "  "
            << QDateTime::fromSecsSinceEpoch(e.modified, Qt::UTC)
                   .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
            << (e.encrypted ? "  E  " : "     ") << e.name << '\n';
    }
    if (!listed.ok())
        return in.fail(kExitMissing, QStringLiteral("%1: %2").arg(
                                         file, resultText(listed.code, library.LastFailedEntry())));
    if (mode == u"list") {
        in.out << files << " file(s), " << folders << " folder(s), " << bytes << " bytes\n";
        return kExitOk;
    }
    if (mode == u"extract") {
        if (!QDir().mkpath(to))
            return in.fail(kExitMissing, QStringLiteral("cannot make the folder %1").arg(to));
        const qint64 room = platform::freeBytesAt(to);
        if (room < 0)
            return in.fail(kExitMissing,
                           QStringLiteral("cannot read the free space of %1").arg(to));
        if (bytes > room)
            return in.fail(kExitMissing, QStringLiteral("the archive holds %1 bytes and %2 has "
                                                        "only %3 bytes free: nothing extracted")
                                             .arg(bytes)
                                             .arg(to)
                                             .arg(room));
    }
    QString current; // the entry the library began last
    qint64 announced = 0;
    const restore::ArchiveReader::EntryFn onEntry = [&](const QString& entry) {
        current = entry;
        ++announced;
        return true;
    };
    const restore::ReadOutcome r =
        mode == u"test" ? reader.test(onEntry) : reader.extract(to, onEntry);
    for (const QString& name : r.kept)
        in.out << "kept the existing file " << name << '\n';
    if (r.code == SQX_E_REFUSED_ENTRY) {
        in.out.flush();
        for (const QString& name : r.refused)
            QTextStream(stderr) << "postora-inspect: refused " << name
                                << ": an absolute name, a name with \"..\", a link, or a link "
                                   "already in the folder would lead outside it\n";
        return in.fail(kExitMissing,
                       QStringLiteral("%1 entries refused, the others extracted to %2")
                           .arg(r.refused.size())
                           .arg(to));
    }
    if (!r.ok()) {
        if (current.isEmpty())
            return in.fail(kExitMissing, QStringLiteral("%1: %2").arg(file, resultText(r.code)));
        // What came after the failing entry was not looked at: said, so that nobody takes a
        // partial extraction for the whole.
        const qint64 after = std::max<qint64>(0, files + folders - announced);
        QString text = QStringLiteral("%1: entry %2: %3").arg(file, current, resultText(r.code));
        if (after > 0)
            text +=
                QStringLiteral("; the %1 entries after it were not %2")
                    .arg(after)
                    .arg(mode == u"test" ? QStringLiteral("tested") : QStringLiteral("extracted"));
        return in.fail(kExitMissing, text);
    }
    in.out << files << " file(s), " << folders << " folder(s) "
           << (mode == u"test" ? "tested: intact\n" : "extracted\n");
    return kExitOk;
}

} // namespace archive

const Command kCommands[] = {
    {"drives", "", "drive letters, host folders, type and free space", 0, 0, drivesCommand},
    {"reg", "ROOT\\PATH", "a registry key's values and sub-keys (HKCU, HKLM, HKCR, ...)", 1, 1,
     regCommand},
    {"find", "\"C:\\path\\*.ext\"", "a folder listing with the find-first rules", 1, 1,
     findCommand},
    {"clients", "", "mail clients found, versions, identities, items and data folders", 0, 0,
     clientsCommand},
    {"settings", "", "the program's settings as it reads them (password masked)", 0, 0,
     settingsCommand},
    {"export", "ROOT KEY FILE [--no-subkeys]", "a registry dump of a key, as a backup holds it", 3,
     4, exportCommand},
    {"search", "SPEC [--level N]", "the folders the recursive file search reports", 1, 3,
     searchCommand},
    {"archive", "list|test|extract FILE [--to DIR]",
     "entries of a backup, checked, or taken out into DIR (password: POSTORA_PASSWORD or asked)", 2,
     6, archive::run},
};

void usage(QTextStream& s) {
    // Summaries start in one column and wrap within 79 characters; a command longer than
    // the first column puts its summary on the next line.
    constexpr qsizetype kColumn = 32;
    constexpr qsizetype kWidth = 79;
    const auto row = [&s](const QString& head, const QString& summary) {
        QString line = QStringLiteral("  ") + head;
        if (line.size() + 2 > kColumn) {
            s << line << '\n';
            line.clear();
        }
        line = line.leftJustified(kColumn);
        bool first = true;
        for (const QString& word : summary.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!first && line.size() + 1 + word.size() > kWidth) {
                s << line << '\n';
                line = QString(kColumn, QLatin1Char(' '));
                first = true;
            }
            line += (first ? QString() : QStringLiteral(" ")) + word;
            first = false;
        }
        s << line << '\n';
    };
    s << "usage: postora-inspect COMMAND [ARGUMENTS]\n"
         "Shows what Postora sees in the Wine prefix ($WINEPREFIX, else ~/.wine).\n\nCommands:\n";
    for (const Command& c : kCommands)
        row(QStringLiteral("%1 %2")
                .arg(QLatin1String(c.name), QLatin1String(c.arguments))
                .trimmed(),
            QLatin1String(c.summary));
    row(QStringLiteral("--help"), QStringLiteral("this text (also -h and help)"));
    s << "\nAnywhere on the line:\n";
    row(QStringLiteral("/w:FOLDER [/u:USER]"),
        QStringLiteral("read the Windows installation mounted at FOLDER (the profile of USER) "
                       "instead of the prefix"));
    s << "\nExit status: 0 success, 1 not found or failed, 2 a bad command line.\n"
         "See postora-inspect(1).\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Inspect in;
    // "/w:<mounted Windows folder> [/u:<user>]": that installation instead of the prefix.
    if (const int status = ::app::TakeWindowsSource(
            args,
            [](const QString& line) { QTextStream(stderr) << "postora-inspect: " << line << '\n'; },
            in.windows);
        status >= 0)
        return status;
    if (args.isEmpty())
        return in.fail(kExitBadArguments, QStringLiteral("no command given; try --help"));
    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        usage(in.out);
        return kExitOk;
    }
    for (const Command& c : kCommands) {
        if (name != QLatin1String(c.name)) continue;
        if (args.size() < c.minArguments || args.size() > c.maxArguments)
            return in.fail(kExitBadArguments,
                           QStringLiteral("usage: postora-inspect %1 %2")
                               .arg(QLatin1String(c.name), QLatin1String(c.arguments))
                               .trimmed());
        return c.run(in, args);
    }
    return in.fail(kExitBadArguments,
                   QStringLiteral("unknown command \"%1\"; try --help").arg(name));
}
