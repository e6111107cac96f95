// Every registry dump of a backup of every client, imported with Wine's real
// registry editor ("regedit /S") into a fresh Wine prefix, and every value read
// back from that prefix's hive files and compared with the source: name, type
// and data. The sample holds every value type with awkward names and data.
//
// Wine is required, not optional: tools/install-deps.sh installs it. The Wine
// processes run with WINEDEBUG=-all, without the Mono and Gecko installers,
// under one wineserver kept running for the whole import, each with a timeout.

#include "support/BackupRig.h"
#include "support/ScopedEnv.h"
#include "support/clients/EveryClient.h"

#include "platform/Encoding.h"
#include "platform/RegistryText.h"
#include "platform/WineRegistryEditor.h"

#include <QDirIterator>
#include <QElapsedTimer>

#include <map>

using namespace platform;
using testsupport::BackupRig;

namespace {

constexpr int kWineTimeoutMs = 180000; // a first start builds the prefix

QByteArray utf16(const QString& text) {
    return utf16LeBytes(text);
}

// Keys the collectors dump, with sub-keys, filled with what a restore must
// survive. The first fits Windows-1252 (a REGEDIT4 dump); the second needs the
// Unicode form.
void addAwkwardValues(support::SamplePrefix& p) {
    const QString ansi =
        QStringLiteral("Software\\Microsoft\\Office\\11.0\\Outlook\\Odd [1] \"q\"");
    const auto set = [&p](const QString& key, const RegValue& v) {
        p.setValue(HKEY_CURRENT_USER, key, v);
    };
    set(ansi, RegValue::string(QString(), QStringLiteral("the default")));
    set(ansi, RegValue::string(QStringLiteral("Store Root"), QStringLiteral("C:\\Mail\\Bjorn\\"),
                               REG_EXPAND_SZ));
    set(ansi, RegValue::string(QStringLiteral("001e6700"),
                               QStringLiteral("C:\\Mail Archive\\Projects 2003.pst")));
    set(ansi, RegValue::string(QStringLiteral("Ends with\\"), QStringLiteral("C:\\Mail\\")));
    set(ansi, RegValue::string(QStringLiteral("say \"hi\""), QStringLiteral("\"quoted\" \\n")));
    set(ansi, RegValue::string(QStringLiteral("Line\nName\r"), QStringLiteral("line\r\nbreak\n")));
    set(ansi, RegValue::string(QStringLiteral("Tab"), QStringLiteral("a\tb\x01")));
    set(ansi, RegValue::string(QStringLiteral("Empty"), QString()));
    set(ansi, RegValue{QStringLiteral("No bytes"), REG_SZ, QByteArray()});
    set(ansi, RegValue{QStringLiteral("No bytes either"), REG_EXPAND_SZ, QByteArray()});
    set(ansi, RegValue{QStringLiteral("NUL inside"), REG_SZ,
                       utf16(QStringLiteral("ab")) + QByteArray(2, 0) + utf16(QStringLiteral("c")) +
                           QByteArray(2, 0)});
    set(ansi, RegValue::string(QStringLiteral("Western"), QStringLiteral("Grüße € Œ")));
    set(ansi,
        RegValue::string(QStringLiteral("Lists"),
                         QStringLiteral("one") + QChar(0) + QStringLiteral("two\\") + QChar(0),
                         REG_MULTI_SZ));
    set(ansi, RegValue{QStringLiteral("Empty list"), REG_MULTI_SZ, QByteArray()});
    set(ansi, RegValue::dword(QStringLiteral("Port"), 110));
    set(ansi, RegValue{QStringLiteral("Short"), REG_DWORD, QByteArray("\x01\x02", 2)});
    set(ansi,
        RegValue{QStringLiteral("Big endian"), REG_DWORD_BIG_ENDIAN, QByteArray("\0\0\0\x1e", 4)});
    set(ansi, RegValue{QStringLiteral("Quad"), REG_QWORD,
                       QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8)});
    set(ansi, RegValue{QStringLiteral("None"), REG_NONE, QByteArray("\x05\x00", 2)});
    set(ansi, RegValue{QStringLiteral("None empty"), REG_NONE, QByteArray()});
    set(ansi, RegValue::binary(QStringLiteral("Blob"), QByteArray("\x00\x0a\x0d\x5c\x22\xff", 6)));
    set(ansi, RegValue::binary(QStringLiteral("Blob empty"), QByteArray()));
    set(ansi, RegValue{QStringLiteral("Custom"), 0x100000, QByteArray("\xab", 1)});
    set(ansi + QStringLiteral("\\Inner ]["), RegValue::dword(QStringLiteral("Depth"), 2));

    const QString unicode = QStringLiteral("Software\\Microsoft\\Office\\Outlook\\Почта 山田");
    set(unicode, RegValue::string(QStringLiteral("Имя"), QStringLiteral("山田 太郎")));
    set(unicode, RegValue::string(QStringLiteral("Store Root"),
                                  QStringLiteral("%USERPROFILE%\\Почта\\"), REG_EXPAND_SZ));
    set(unicode,
        RegValue::string(QStringLiteral("Lists"),
                         QStringLiteral("Иван") + QChar(0) + QStringLiteral("漢字") + QChar(0),
                         REG_MULTI_SZ));
    set(unicode, RegValue::string(QStringLiteral("Lines"), QStringLiteral("Строка\r\n行")));
    set(unicode, RegValue::string(QStringLiteral("Path \"q\"\\"), QStringLiteral("C:\\Почта\\")));
    set(unicode, RegValue::binary(QStringLiteral("Blob"), QByteArray("\x01\x02", 2)));
    set(unicode, RegValue{QStringLiteral("Short"), REG_DWORD, QByteArray("\x07", 1)});
    p.save();
}

struct WineResult {
    bool ok = false;
    QString output;
};

class Wine {
public:
    explicit Wine(const QString& prefix) {
        env_ = platform::wineEnvironment(prefix);
        env_.insert(QStringLiteral("WINEARCH"), QStringLiteral("win64"));
        env_.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env_.remove(QStringLiteral("DISPLAY"));
        env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    ~Wine() {
        if (serverStarted_) run(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    }
    Wine(const Wine&) = delete;
    Wine& operator=(const Wine&) = delete;

    WineResult run(const QString& program, const QStringList& args,
                   const QString& workDir = QString()) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
        p.start(program, args);
        WineResult r;
        if (!p.waitForFinished(kWineTimeoutMs)) {
            p.kill();
            p.waitForFinished();
            r.output = program + QStringLiteral(" timed out");
            return r;
        }
        r.output = QString::fromUtf8(p.readAll());
        r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return r;
    }
    // One server for all the imports that follow; the prefix's hives are
    // written when it is told to end.
    WineResult startServer() {
        serverStarted_ = true;
        return run(QStringLiteral("wineserver"), {QStringLiteral("-p")});
    }
    WineResult stopServer() {
        serverStarted_ = false;
        const WineResult k = run(QStringLiteral("wineserver"), {QStringLiteral("-k")});
        run(QStringLiteral("wineserver"), {QStringLiteral("-w")});
        return k;
    }

private:
    QProcessEnvironment env_;
    bool serverStarted_ = false;
};

// The key lines of a dump: "[HKEY_...\path]" with nothing escaped.
QStringList keyLines(const QByteArray& bytes) {
    const QString text = decodeWindowsFile(bytes, 1252).value_or(QString());
    QStringList keys;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'[') && line.endsWith(u']')) keys << line.mid(1, line.size() - 2);
    }
    return keys;
}

QString describe(const RegValue& v) {
    return QStringLiteral("\"%1\" type %2 data %3")
        .arg(v.name)
        .arg(v.type)
        .arg(QString::fromLatin1(v.data.toHex(',')));
}

using ValueMap = std::map<QString, RegValue>; // by folded name

ValueMap valuesOf(Registry& reg, HKEY root, const QString& path) {
    ValueMap out;
    const auto key = reg.open(root, path);
    if (!key) return out;
    for (RegValue& v : key->values())
        out[regtext::foldName(v.name)] = std::move(v);
    return out;
}

} // namespace

class TestRegedit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("wine", "wineserver", "wineboot", "7z"); }

    void everyDumpImportsExactly() {
        QElapsedTimer clock;
        clock.start();
        // Windows-1252 for the dumps and for Wine alike.
        const support::ScopedEnv locale("LC_ALL", "C.UTF-8");
        BackupRig rig;
        support::addEveryClient(rig.prefix);
        addAwkwardValues(rig.prefix);

        // A backup of every client found, as the program's own loop makes them.
        QTemporaryDir work;
        QVERIFY(work.isValid());
        QStringList dumps;
        for (int base = clients::kOutlookExpress; base <= clients::kFavorites; ++base) {
            QList<int> codes;
            const QList<clients::VersionVariant> versions = rig.catalogue.GetClientVersions(base);
            for (const clients::VersionVariant& v : versions)
                codes << v.code;
            if (codes.isEmpty() && rig.catalogue.IsClientInstalled(base)) codes << base;
            for (int code : codes) {
                QStringList identities, items;
                rig.catalogue.GetIdentitiesAndItems(code, identities, items);
                rig.target = QStringLiteral("C:\\Backups\\client%1.ebk").arg(code);
                rig.prefix.makeDir(QStringLiteral("C:\\Backups"));
                QVERIFY2(!rig.run(code, backup::AllTicked(identities), backup::AllTicked(items)),
                         qPrintable(QStringLiteral("client %1: %2")
                                        .arg(code)
                                        .arg(rig.state().BackupErrorText)));
                const QString dir = work.filePath(QStringLiteral("client%1").arg(code));
                const auto x = testsupport::runTool(QStringLiteral("7z"),
                                                    {QStringLiteral("x"), QStringLiteral("-y"),
                                                     QStringLiteral("-o") + dir, rig.archive()});
                QVERIFY2(x.exitCode == 0, qPrintable(x.output));
                QDirIterator it(dir, {QStringLiteral("*.reg")}, QDir::Files,
                                QDirIterator::Subdirectories);
                while (it.hasNext())
                    dumps << it.next();
            }
        }
        QVERIFY(dumps.size() >= 30);
        // Both forms are imported: REGEDIT4 and Unicode.
        int unicodeDumps = 0;
        for (const QString& dump : std::as_const(dumps)) {
            QFile f(dump);
            if (f.open(QIODevice::ReadOnly) && f.read(2) == "\xFF\xFE") ++unicodeDumps;
        }
        QVERIFY(unicodeDumps > 0 && unicodeDumps < dumps.size());

        // Which keys the dumps hold.
        struct DumpedKey {
            QString dump;
            HKEY root;
            QString path;
        };
        std::vector<DumpedKey> keys;
        for (const QString& dump : std::as_const(dumps)) {
            QFile f(dump);
            QVERIFY(f.open(QIODevice::ReadOnly));
            for (const QString& line : keyLines(f.readAll())) {
                const qsizetype cut = line.indexOf(u'\\');
                const QString root = cut < 0 ? line : line.left(cut);
                QVERIFY2(root == platform::rootName(regdump::RegistryDump::RootNameToKey(root)),
                         qPrintable(line));
                keys.push_back({dump, regdump::RegistryDump::RootNameToKey(root),
                                cut < 0 ? QString() : line.mid(cut + 1)});
            }
        }

        // A fresh prefix; what it holds before the import may stay beside what is imported.
        const QString winePrefix = work.filePath(QStringLiteral("wine"));
        Wine wine(winePrefix);
        const WineResult boot = wine.run(QStringLiteral("wineboot"), {QStringLiteral("-i")});
        QVERIFY2(boot.ok, qPrintable(boot.output));
        wine.run(QStringLiteral("wineserver"), {QStringLiteral("-w")});
        Registry imported(Registry::Config{winePrefix, work.filePath(QStringLiteral("own.reg"))});
        std::map<std::pair<HKEY, QString>, ValueMap> before;
        for (const DumpedKey& k : keys)
            before[{k.root, regtext::foldName(k.path)}] = valuesOf(imported, k.root, k.path);

        QVERIFY2(wine.startServer().ok, "wineserver -p failed");
        const QString importDir = work.filePath(QStringLiteral("import"));
        QVERIFY(QDir().mkpath(importDir));
        for (qsizetype i = 0; i < dumps.size(); ++i) {
            // A plain name in the working folder: no path for Wine to translate.
            const QString name = QStringLiteral("dump%1.reg").arg(i);
            QVERIFY(QFile::copy(dumps[i], importDir + u'/' + name));
            const WineResult r =
                wine.run(QStringLiteral("wine"),
                         {QStringLiteral("regedit"), QStringLiteral("/S"), name}, importDir);
            QVERIFY2(r.ok, qPrintable(dumps[i] + QStringLiteral(": ") + r.output));
        }
        QVERIFY2(wine.stopServer().ok, "wineserver -k failed");

        // Every value of every dumped key, from the source and from Wine's hives.
        Registry source(
            Registry::Config{rig.prefix.prefixDir(), work.filePath(QStringLiteral("own2.reg"))});
        int values = 0;
        QStringList differences;
        for (const DumpedKey& k : keys) {
            const QString where = QFileInfo(k.dump).fileName() + QStringLiteral(" [") + k.path +
                                  QStringLiteral("]: ");
            if (!imported.keyExists(k.root, k.path)) {
                differences << where + QStringLiteral("key missing");
                continue;
            }
            const ValueMap want = valuesOf(source, k.root, k.path);
            const ValueMap got = valuesOf(imported, k.root, k.path);
            const ValueMap& had = before[{k.root, regtext::foldName(k.path)}];
            for (const auto& [folded, v] : want) {
                ++values;
                const auto it = got.find(folded);
                if (it == got.end())
                    differences << where + QStringLiteral("missing ") + describe(v);
                else if (!(it->second == v))
                    differences << where + describe(v) + QStringLiteral(" came back as ") +
                                       describe(it->second);
            }
            for (const auto& [folded, v] : got) {
                const auto old = had.find(folded);
                if (!want.count(folded) && (old == had.end() || !(old->second == v)))
                    differences << where + QStringLiteral("unexpected ") + describe(v);
            }
        }
        qInfo().noquote() << QStringLiteral(
                                 "compared %1 dumps (%2 Unicode), %3 keys, %4 values in %5 s")
                                 .arg(dumps.size())
                                 .arg(unicodeDumps)
                                 .arg(keys.size())
                                 .arg(values)
                                 .arg(clock.elapsed() / 1000.0, 0, 'f', 1);
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
        QVERIFY(values >= 100);
    }
};

QTEST_GUILESS_MAIN(TestRegedit)
#include "tst_regedit.moc"
