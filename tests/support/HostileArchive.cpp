#include "support/HostileArchive.h"

#include "support/clients/EveryClient.h"

#include "restore/DumpText.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace testsupport {

namespace {

// Reads and writes ZIP files with Python's zipfile, which keeps every name
// exactly as given ("./", ":", duplicates, any length): an independent writer.
const char* const kUnpack = R"(import sys, zipfile, os
z = zipfile.ZipFile(sys.argv[1])
names = []
for info in z.infolist():
    if info.is_dir(): continue
    with open(os.path.join(sys.argv[2], str(len(names))), 'wb') as f: f.write(z.read(info))
    names.append(info.filename)
with open(os.path.join(sys.argv[2], 'names'), 'w', encoding='utf-8', newline='\n') as f:
    f.write('\n'.join(names))
)";
const char* const kPack = R"(import sys, zipfile, os, warnings
warnings.simplefilter('ignore')
with open(os.path.join(sys.argv[2], 'names'), encoding='utf-8', newline='\n') as f:
    names = f.read().split('\n')
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for i, name in enumerate(names):
        with open(os.path.join(sys.argv[2], str(i)), 'rb') as f:
            z.writestr(zipfile.ZipInfo(name, (2003, 2, 10, 14, 5, 33)), f.read())
)";

QString hostText(const QByteArray& bytes, bool& utf16) {
    utf16 = bytes.startsWith("\xff\xfe");
    if (utf16)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    return QString::fromLatin1(bytes);
}

QByteArray hostBytes(const QString& text, bool utf16) {
    if (!utf16) return text.toLatin1();
    return QByteArray("\xff\xfe", 2) +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

} // namespace

std::map<QString, QByteArray> treeSnapshot(const QString& folder) {
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = QDir(folder).relativeFilePath(path);
        if (info.isSymLink()) {
            out[name] = "-> " + QFile::encodeName(info.symLinkTarget());
        } else if (info.isDir()) {
            out[name] = "<folder>";
        } else {
            QFile f(path);
            out[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
    }
    return out;
}

QStringList treeDifferences(const std::map<QString, QByteArray>& before,
                            const std::map<QString, QByteArray>& after) {
    QStringList out;
    for (const auto& [name, bytes] : before) {
        const auto it = after.find(name);
        if (it == after.end())
            out << name + QStringLiteral(" gone");
        else if (it->second != bytes)
            out << name + QStringLiteral(" changed");
    }
    for (const auto& [name, bytes] : after)
        if (!before.count(name)) out << name + QStringLiteral(" added");
    return out;
}

bool RestoringRig::backUp(int code) {
    QStringList identities, items;
    catalogue.GetIdentitiesAndItems(code, identities, items);
    return !run(code, backup::AllTicked(identities), backup::AllTicked(items));
}

restore::RestoreReport RestoringRig::restoreDirectly() {
    restore::RestoreRequest r;
    r.archive = archive();
    r.safetyFolder = QStringLiteral("C:\\Backups\\Safety");
    return job.Run(r);
}

HostileArchive::HostileArchive(const QString& zip) {
    QTemporaryDir work;
    const ToolResult r =
        runTool(QStringLiteral("python3"),
                {QStringLiteral("-c"), QString::fromLatin1(kUnpack), zip, work.path()});
    QFile names(work.filePath(QStringLiteral("names")));
    if (r.exitCode != 0 || !names.open(QIODevice::ReadOnly)) {
        qWarning() << "cannot take the archive apart:" << r.output;
        return;
    }
    const QStringList list = QString::fromUtf8(names.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < list.size(); ++i) {
        QFile f(work.filePath(QString::number(i)));
        if (!f.open(QIODevice::ReadOnly)) return;
        entries_.push_back({list[i], f.readAll()});
    }
    ok_ = !entries_.empty();
}

HostileArchive::Entry* HostileArchive::find(const QString& tail) {
    for (Entry& e : entries_)
        if (e.name.compare(tail, Qt::CaseInsensitive) == 0) return &e;
    for (Entry& e : entries_)
        if (e.name.endsWith(tail, Qt::CaseInsensitive)) return &e;
    return nullptr;
}

bool HostileArchive::rewriteDump(const QString& tail,
                                 const std::function<QString(const QString&)>& fix) {
    Entry* e = find(tail);
    if (!e) return false;
    auto dump = restore::DumpText::parse(e->bytes);
    if (!dump || dump->rewrite(fix) == 0) return false;
    const auto bytes = dump->bytes();
    if (!bytes) return false;
    e->bytes = *bytes;
    return true;
}

bool HostileArchive::setIniValue(const QString& tail, const QString& section, const QString& key,
                                 const QString& value) {
    Entry* e = find(tail);
    if (!e) return false;
    bool utf16 = false;
    const QString text = hostText(e->bytes, utf16);
    const QString eol =
        text.contains(QLatin1Char('\r')) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList lines = text.split(eol);
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    qsizetype at = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(header, Qt::CaseInsensitive) == 0) {
            at = i + 1;
        } else if (at >= 0 && lines[i].startsWith(QLatin1Char('['))) {
            break; // the key is not in the section: added at its end
        } else if (at >= 0) {
            if (!lines[i].trimmed().isEmpty()) at = i + 1;
            if (!lines[i].startsWith(key + QLatin1Char('='), Qt::CaseInsensitive)) continue;
            lines[i] = key + QLatin1Char('=') + value;
            e->bytes = hostBytes(lines.join(eol), utf16);
            return true;
        }
    }
    if (at < 0) {
        lines.insert(0, header);
        at = 1;
    }
    lines.insert(at, key + QLatin1Char('=') + value);
    e->bytes = hostBytes(lines.join(eol), utf16);
    return true;
}

bool HostileArchive::write(const QString& zip) const {
    QTemporaryDir work;
    QStringList names;
    for (size_t i = 0; i < entries_.size(); ++i) {
        QFile f(work.filePath(QString::number(i)));
        if (!f.open(QIODevice::WriteOnly) || f.write(entries_[i].bytes) != entries_[i].bytes.size())
            return false;
        names << entries_[i].name;
    }
    QFile list(work.filePath(QStringLiteral("names")));
    if (!list.open(QIODevice::WriteOnly)) return false;
    list.write(names.join(QLatin1Char('\n')).toUtf8());
    list.close();
    QFile::remove(zip);
    const ToolResult r =
        runTool(QStringLiteral("python3"),
                {QStringLiteral("-c"), QString::fromLatin1(kPack), zip, work.path()});
    if (r.exitCode != 0) qWarning() << "cannot write the archive:" << r.output;
    return r.exitCode == 0;
}

QString zPath(const QString& hostPath) {
    return QStringLiteral("Z:") + QString(hostPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

namespace hostile {

Value fixed(const QString& text) {
    return [text](const Scene&) { return text; };
}
Value inHome(const QString& rest) {
    return [rest](const Scene& s) { return zPath(s.prefix.home() + rest); };
}
Value inPrefixUser(const QString& withUser) {
    return [withUser](const Scene& s) { return withUser.arg(s.prefix.userName()); };
}

Mutation all(std::vector<Mutation> steps) {
    return [steps](HostileArchive& a, Scene& s) {
        for (const Mutation& m : steps)
            if (!m(a, s)) return false;
        return true;
    };
}
Mutation add(const QString& entry, const QByteArray& bytes) {
    return [entry, bytes](HostileArchive& a, Scene&) {
        a.entries().push_back({entry, bytes});
        return true;
    };
}
Mutation addBeside(const QString& like, const QString& name) {
    return [like, name](HostileArchive& a, Scene& s) {
        const HostileArchive::Entry* e = a.find(like);
        return e && add(e->name.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') + name)(a, s);
    };
}
Mutation duplicate(const QString& tail) {
    return [tail](HostileArchive& a, Scene& s) {
        const HostileArchive::Entry* e = a.find(tail);
        return e && add(e->name, "second")(a, s);
    };
}
Mutation rename(const QString& tail, const QString& name) {
    return [tail, name](HostileArchive& a, Scene&) {
        HostileArchive::Entry* e = a.find(tail);
        if (e) e->name = name;
        return e != nullptr;
    };
}
Mutation dumpText(const QString& entry, const QString& containing, Value value) {
    return [=](HostileArchive& a, Scene& s) {
        const QString to = value(s);
        return a.rewriteDump(entry,
                             [&](const QString& t) { return t.contains(containing) ? to : t; });
    };
}
Mutation ini(const QString& entry, const QString& section, const QString& key, Value value) {
    return
        [=](HostileArchive& a, Scene& s) { return a.setIniValue(entry, section, key, value(s)); };
}
Mutation immutable(const QString& withUser) {
    return [withUser](HostileArchive&, Scene& s) {
        const QString file = s.prefix.hostPath(withUser.arg(s.prefix.userName()));
        const ToolResult r = runTool(QStringLiteral("chattr"), {QStringLiteral("+i"), file});
        if (r.exitCode != 0) {
            s.skip = QStringLiteral("chattr +i does not work here: ") + r.output;
            return true;
        }
        s.undo.push_back([file] {
            runTool(QStringLiteral("chattr"), {QStringLiteral("-i"), file});
        });
        return true;
    };
}
Mutation smallDisk(const QString& withUser, qint64 room) {
    return [withUser, room](HostileArchive&, Scene& s) {
        const QString folder = s.prefix.hostPath(withUser.arg(s.prefix.userName()));
        const QString aside = folder + QStringLiteral(".aside");
        qint64 used = 0;
        for (const auto& [name, bytes] : treeSnapshot(folder))
            used += (bytes.size() + 4095) / 4096 * 4096;
        const QString size = QStringLiteral("size=%1").arg(used + room);
        if (!QDir().rename(folder, aside) || !QDir().mkpath(folder)) return false;
        if (runTool(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), size,
                     QStringLiteral("tmpfs"), folder})
                .exitCode != 0) {
            s.skip = QStringLiteral("mounting a small tmpfs needs root");
            return QDir().rmdir(folder) && QDir().rename(aside, folder);
        }
        s.undo.push_back([folder] { runTool(QStringLiteral("umount"), {folder}); });
        return runTool(QStringLiteral("cp"),
                       {QStringLiteral("-a"), aside + QStringLiteral("/."), folder})
                       .exitCode == 0 &&
               QDir(aside).removeRecursively();
    };
}

Mutation intoFolderWithLink(const QString& entry) {
    return [entry](HostileArchive&, Scene& s) {
        s.folder = s.beside + QStringLiteral("/restored");
        return QDir().mkpath(s.folder) && QFile::link(s.beside + QStringLiteral("/canary.txt"),
                                                      s.folder + QLatin1Char('/') + entry);
    };
}

Outcome attack(int client, const Mutation& mutate) {
    Outcome o;
    RestoringRig rig;
    support::addEveryClient(rig.prefix);
    Scene scene{rig.prefix, rig.prefix.root() + QStringLiteral("/beside"), {}, {}, {}};
    const auto undo = qScopeGuard([&scene] {
        for (const auto& u : scene.undo)
            u();
    });
    QDir().mkpath(scene.beside);
    for (const QString& canary : {scene.beside + QStringLiteral("/canary.txt"),
                                  rig.prefix.home() + QStringLiteral("/.bashrc")}) {
        QFile f(canary);
        if (!f.open(QIODevice::WriteOnly) || f.write("mine\n") != 5) o.setUpError = canary;
    }
    if (!rig.backUp(client)) o.setUpError = rig.state().BackupErrorText;
    HostileArchive archive(rig.archive());
    if (!o.setUpError.isEmpty() || !archive.ok()) {
        o.setUpError += QStringLiteral(" (no backup to change)");
        return o;
    }
    const bool changed = mutate(archive, scene);
    o.skip = scene.skip;
    if (!o.skip.isEmpty()) return o;
    if (!changed || !archive.write(rig.archive())) {
        o.setUpError = QStringLiteral("the backup could not be changed as the row says");
        return o;
    }
    const QStringList watched = {rig.prefix.prefixDir(), rig.prefix.home(), scene.beside};
    std::vector<std::map<QString, QByteArray>> before;
    for (const QString& w : watched)
        before.push_back(treeSnapshot(w));
    if (scene.folder.isEmpty()) {
        o.report = rig.restoreDirectly();
    } else {
        restore::RestoreRequest request;
        request.archive = rig.archive();
        request.destination = restore::RestoreRequest::Destination::Folder;
        request.folder = scene.folder;
        o.report = rig.job.Run(request);
    }
    for (qsizetype i = 0; i < watched.size(); ++i)
        for (const QString& d : treeDifferences(before[size_t(i)], treeSnapshot(watched[i])))
            o.changed << watched[i] + QLatin1Char('/') + d;
    return o;
}

} // namespace hostile

} // namespace testsupport
