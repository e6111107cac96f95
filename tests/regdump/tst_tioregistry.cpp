// REGEDIT4 dumps of sample registry keys, read back byte for byte.

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "regdump/TIORegistry.h"
#include "support/SamplePrefix.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace platform;
using regdump::TIORegistry;

namespace {

const QString kClient = QStringLiteral("Software\\Sample\\Mail");

QByteArray crlf(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

} // namespace

class TstTIORegistry : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<support::SamplePrefix> prefix_;
    std::unique_ptr<Registry> reg_;
    std::unique_ptr<Files> fs_;
    std::unique_ptr<StagingFolder> staging_;

    void open() {
        prefix_->save();
        reg_ = prefix_->registry();
        fs_ = prefix_->files();
        staging_ = std::make_unique<StagingFolder>(prefix_->drives());
        QVERIFY(staging_->isValid());
    }
    QString target(const QString& name) const { return staging_->windowsPath() + u'\\' + name; }
    QByteArray exported(const QString& root, const QString& key, bool subKeys,
                        bool* result = nullptr) {
        TIORegistry io(*reg_, *fs_);
        const QString file = target(QStringLiteral("dump.reg"));
        const bool ok = io.ExportRegistryKey(root, key, subKeys, file);
        if (result) *result = ok;
        return fs_->readAll(file).valueOr(QByteArray("<unreadable>"));
    }

private Q_SLOTS:
    void init() { prefix_ = std::make_unique<support::SamplePrefix>(); }
    void cleanup() {
        staging_.reset();
        reg_.reset();
        fs_.reset();
        prefix_.reset();
    }

    void rootNamesBothWays_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("key");
        QTest::newRow("HKCR") << "HKEY_CLASSES_ROOT" << HKEY_CLASSES_ROOT;
        QTest::newRow("HKCU") << "HKEY_CURRENT_USER" << HKEY_CURRENT_USER;
        QTest::newRow("HKLM") << "HKEY_LOCAL_MACHINE" << HKEY_LOCAL_MACHINE;
        QTest::newRow("HKU") << "HKEY_USERS" << HKEY_USERS;
        QTest::newRow("HKCC") << "HKEY_CURRENT_CONFIG" << HKEY_CURRENT_CONFIG;
        QTest::newRow("HKDD") << "HKEY_DYN_DATA" << HKEY_DYN_DATA;
    }
    void rootNamesBothWays() {
        QFETCH(QString, name);
        QFETCH(quint32, key);
        QCOMPARE(TIORegistry::RootNameToKey(name), key);
        QCOMPARE(TIORegistry::RootKeyToName(key), name);
    }

    void unknownRootsFallBackToCurrentUser() {
        QCOMPARE(TIORegistry::RootNameToKey(QStringLiteral("hkey_local_machine")),
                 HKEY_CURRENT_USER);
        QCOMPARE(TIORegistry::RootNameToKey(QString()), HKEY_CURRENT_USER);
        QCOMPARE(TIORegistry::RootKeyToName(HKEY_PERFORMANCE_DATA),
                 QStringLiteral("HKEY_CURRENT_USER"));
        QCOMPARE(TIORegistry::RootKeyToName(0), QStringLiteral("HKEY_CURRENT_USER"));
    }

    void defaultsOfThePublishedProperties() {
        open();
        TIORegistry io(*reg_, *fs_);
        QCOMPARE(io.RegHeader, QStringLiteral("REGEDIT4"));
        QCOMPARE(io.Filename, QStringLiteral("RegistryDump.reg"));
        QCOMPARE(io.RootKey, regdump::rkHKEY_CURRENT_USER);
        QCOMPARE(io.ExportDestination, regdump::eiFile);
        QCOMPARE(io.AddedPrefix, QStringLiteral("Added   : "));
        QCOMPARE(io.RemovedPrefix, QStringLiteral("Removed : "));
        QVERIFY(io.IncludeSubKeys);
        QVERIFY(!io.OnProgressChange);
    }

    void emptyKeyAndMissingKeyWriteTheSameLines() {
        prefix_->addKey(HKEY_CURRENT_USER, kClient + QStringLiteral("\\Empty"));
        open();
        const QByteArray expected =
            crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Sample\\Mail\\Empty]"});
        bool ok = false;
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), kClient + "\\Empty", true, &ok),
                 expected);
        QVERIFY(ok);

        const QString missing = kClient + QStringLiteral("\\Missing");
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), missing, true),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Sample\\Mail\\Missing]"}));
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), missing, false),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Sample\\Mail\\Missing]"}));
        // Nothing was created, in this registry or in what a new one reads.
        QVERIFY(!reg_->keyExists(HKEY_CURRENT_USER, missing));
        QVERIFY(!prefix_->registry()->keyExists(HKEY_CURRENT_USER, missing));
        // Not even in the program's own hive.
        const QString own = QStringLiteral("Software\\Kelvarn\\Postora\\NotThere");
        exported(QStringLiteral("HKEY_CURRENT_USER"), own, true);
        QVERIFY(!prefix_->registry()->keyExists(HKEY_CURRENT_USER, own));
    }

    void everyValueTypeIsWrittenAsItsDataText() {
        const QString key = kClient + QStringLiteral("\\Account");
        prefix_->setValue(HKEY_CURRENT_USER, key,
                          RegValue::string(QString(), QStringLiteral("default text")));
        prefix_->setString(HKEY_CURRENT_USER, key, QStringLiteral("Path"),
                           QStringLiteral("C:\\Mail\\\"Inbox\"\\"));
        prefix_->setValue(HKEY_CURRENT_USER, key,
                          RegValue::string(QStringLiteral("Expand"),
                                           QStringLiteral("%APPDATA%\\Mail"), REG_EXPAND_SZ));
        prefix_->setDword(HKEY_CURRENT_USER, key, QStringLiteral("Port"), 30);
        prefix_->setDword(HKEY_CURRENT_USER, key, QStringLiteral("Big"), 0xDEADBEEF);
        prefix_->setValue(
            HKEY_CURRENT_USER, key,
            RegValue::binary(QStringLiteral("Blob"), QByteArray("\x00\x0a\xab\xff", 4)));
        prefix_->setValue(HKEY_CURRENT_USER, key,
                          RegValue::binary(QStringLiteral("NoBytes"), QByteArray()));
        prefix_->setValue(HKEY_CURRENT_USER, key,
                          RegValue::string(QStringLiteral("Multi"),
                                           QStringLiteral("one") + QChar(0) + QStringLiteral("two"),
                                           REG_MULTI_SZ));
        prefix_->setValue(HKEY_CURRENT_USER, key,
                          RegValue{QStringLiteral("Quad"), REG_QWORD, QByteArray(8, '\x01')});
        prefix_->setString(HKEY_CURRENT_USER, key, QStringLiteral("Quoted \"name\""),
                           QStringLiteral("x"));
        open();
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), key, false),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Sample\\Mail\\Account]",
                       "\"\"=\"default text\"", "\"Path\"=\"C:\\Mail\\\"Inbox\"\\\"",
                       "\"Expand\"=\"%APPDATA%\\Mail\"", "\"Port\"=dword:0000001E",
                       "\"Big\"=dword:DEADBEEF", "\"Blob\"=hex:00,0A,AB,FF",
                       "\"NoBytes\"=", "\"Multi\"=", "\"Quad\"=", "\"Quoted \"name\"\"=\"x\""}));
    }

    void longBinaryStaysOnOneLine() {
        QByteArray bytes(5000, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        prefix_->setValue(HKEY_CURRENT_USER, kClient,
                          RegValue::binary(QStringLiteral("Long"), bytes));
        open();
        const QList<QByteArray> lines = exported(QString(), kClient, false).split('\n');
        QCOMPARE(lines.size(), 5); // header, blank, key, value, and nothing after the last CR LF
        const QByteArray line = lines.at(3);
        QVERIFY(line.startsWith("\"Long\"=hex:00,07,0E,"));
        QVERIFY(line.endsWith("\r"));
        QCOMPARE(line.count(','), bytes.size() - 1);
        QCOMPARE(QByteArray::fromHex(line.mid(11).chopped(1).replace(",", "")), bytes);
    }

    void subKeysComeChildrenFirst() {
        const QStringList tree{"A", "B", "A\\X", "A\\Y", "A\\X\\Deep", "B\\Z"};
        for (const QString& k : tree)
            prefix_->setDword(HKEY_CURRENT_USER, kClient + u'\\' + k, QStringLiteral("V"), 1);
        open();
        const QByteArray all = exported(QStringLiteral("HKEY_CURRENT_USER"), kClient, true);
        QStringList keyLines;
        for (const QByteArray& l : all.split('\n'))
            if (l.startsWith('[')) keyLines << QString::fromLatin1(l.trimmed());
        QStringList expected{"[HKEY_CURRENT_USER\\" + kClient + "]"};
        for (const QString& k : tree)
            expected << "[HKEY_CURRENT_USER\\" + kClient + u'\\' + k + u']';
        QCOMPARE(keyLines, expected);
        // Every key is followed by its own value and a blank line before the next.
        QCOMPARE(all.count("\"V\"=dword:00000001\r\n"), qsizetype(tree.size()));
        QCOMPARE(all.count("\r\n\r\n["), qsizetype(tree.size() + 1));

        const QByteArray top = exported(QStringLiteral("HKEY_CURRENT_USER"), kClient, false);
        QCOMPARE(top, crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + kClient + "]"}));
    }

    void leadingAndTrailingBackslashesGiveTheSameKeyLine() {
        prefix_->setDword(HKEY_CURRENT_USER, kClient + QStringLiteral("\\Sub"), QStringLiteral("N"),
                          2);
        open();
        const QByteArray plain = exported(QStringLiteral("HKEY_CURRENT_USER"), kClient, true);
        QVERIFY(plain.contains("[HKEY_CURRENT_USER\\Software\\Sample\\Mail\\Sub]\r\n\"N\"="));
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), u'\\' + kClient, true), plain);
        QCOMPARE(exported(QStringLiteral("HKEY_CURRENT_USER"), kClient + u'\\', true), plain);
        // No root name reads the current user's keys.
        QCOMPARE(exported(QString(), kClient, true), plain);
    }

    void otherRootsAndUnknownRootNames() {
        prefix_->setString(HKEY_LOCAL_MACHINE, kClient, QStringLiteral("Where"),
                           QStringLiteral("machine"));
        prefix_->setString(HKEY_CURRENT_USER, kClient, QStringLiteral("Where"),
                           QStringLiteral("user"));
        open();
        QCOMPARE(exported(QStringLiteral("HKEY_LOCAL_MACHINE"), kClient, false),
                 crlf({"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\" + kClient + "]",
                       "\"Where\"=\"machine\""}));
        // An unknown name reads the current user's key, and the file says so.
        QCOMPARE(
            exported(QStringLiteral("HKCU"), kClient, false),
            crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + kClient + "]", "\"Where\"=\"user\""}));
    }

    void textOutsideWindows1252BecomesQuestionMarks() {
        prefix_->setString(HKEY_CURRENT_USER, kClient, QStringLiteral("Grüße"),
                           QStringLiteral("€ — 漢字 ok"));
        open();
        const QByteArray bytes = exported(QStringLiteral("HKEY_CURRENT_USER"), kClient, false);
        QVERIFY2(bytes.endsWith("\"Gr\xfc\xdf"
                                "e\"=\"\x80 \x97 ?? ok\"\r\n"),
                 bytes.constData());
    }

    void propertyDestinationCollectsLines() {
        prefix_->setDword(HKEY_CURRENT_USER, kClient, QStringLiteral("N"), 255);
        open();
        TIORegistry io(*reg_, *fs_);
        io.RegistryData << QStringLiteral("kept");
        QVERIFY(
            io.ExportRegistryKey(QStringLiteral("HKEY_CURRENT_USER"), kClient, false, QString()));
        io.ExportDestination = regdump::eiProperty;
        const QString file = target(QStringLiteral("unused.reg"));
        QVERIFY(io.ExportRegistryKey(QStringLiteral("HKEY_CURRENT_USER"), kClient, false, file));
        const QStringList one{"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + kClient + "]",
                              "\"N\"=dword:000000FF"};
        QCOMPARE(io.RegistryData, QStringList{"kept"} + one + one);
        QVERIFY(!fs_->exists(file));
    }

    void changedDelimitersAreUsed() {
        prefix_->setDword(HKEY_CURRENT_USER, kClient, QStringLiteral("N"), 1);
        prefix_->setValue(HKEY_CURRENT_USER, kClient,
                          RegValue::binary(QStringLiteral("B"), QByteArray("\x01", 1)));
        open();
        TIORegistry io(*reg_, *fs_);
        io.ExportDestination = regdump::eiProperty;
        io.DataNameValueDelim = u':';
        io.StringStartEndChar = u'\'';
        io.RootStart = u'<';
        io.RootEnd = u'>';
        io.KeyLevelDelim = u'/';
        io.HexIntPrefix = QStringLiteral("int:");
        io.BinaryPrefix = QStringLiteral("bin:");
        QVERIFY(
            io.ExportRegistryKey(QStringLiteral("HKEY_CURRENT_USER"), kClient, false, QString()));
        QCOMPARE(io.RegistryData,
                 (QStringList{"REGEDIT4", "", "<HKEY_CURRENT_USER/" + kClient + ">",
                              "'N':int:00000001", "'B':bin:01"}));
    }

    void aFileThatCannotBeSavedFailsTheExport() {
        prefix_->addKey(HKEY_CURRENT_USER, kClient);
        open();
        TIORegistry io(*reg_, *fs_);
        QVERIFY(!io.ExportRegistryKey(QStringLiteral("HKEY_CURRENT_USER"), kClient, true,
                                      QStringLiteral("Q:\\nowhere\\dump.reg")));
        // The same export to a good file succeeds afterwards.
        QVERIFY(io.ExportRegistryKey(QStringLiteral("HKEY_CURRENT_USER"), kClient, true,
                                     target(QStringLiteral("dump.reg"))));
        QVERIFY(io.RegistryData.isEmpty());
    }

    void unreadableValuesGiveEmptyData() {
        open();
        TIORegistry io(*reg_, *fs_);
        // Wrong sizes for their type, and strings with NULs inside.
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(3, '\x01')}), QString());
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(5, '\x01')}), QString());
        QCOMPARE(io.FormatValueData(RegValue::string("s", QStringLiteral("ab") + QChar(0) + "cd")),
                 QStringLiteral("\"ab\""));
        QCOMPARE(io.FormatValueData(RegValue{"e", REG_SZ, QByteArray()}), QStringLiteral("\"\""));
        QCOMPARE(io.FormatValueLine(QString(), QString()), QStringLiteral("\"\"="));

        // Random types and bytes: never a crash, and never a line break that would
        // split a value over two lines of the file.
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            RegValue v;
            v.type = rng->bounded(14);
            v.data.resize(rng->bounded(40));
            for (char& c : v.data)
                c = char(rng->bounded(256));
            const QString text = io.FormatValueData(v);
            if (v.type != REG_SZ && v.type != REG_EXPAND_SZ)
                QVERIFY(!text.contains(u'\n') && !text.contains(u'\r'));
        }
    }
};

QTEST_GUILESS_MAIN(TstTIORegistry)
#include "tst_tioregistry.moc"
