// Registry dumps of sample registry keys, read back byte for byte: the
// escapes and typed forms the registry editor needs, and the character set of
// the file by locale.

#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "regdump/RegistryDump.h"
#include "support/SamplePrefix.h"
#include "support/ScopedEnv.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace platform;
using regdump::RegistryDump;

namespace {

const QString kMail = QStringLiteral("Software\\Sample\\Mail");
const QString kCU = QStringLiteral("HKEY_CURRENT_USER");
const QStringList kTree{"A", "B", "A\\X", "A\\Y", "A\\X\\Deep", "B\\Z"};

QByteArray crlf(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

QByteArray utf16(const QString& text) {
    return utf16LeBytes(text);
}

// "hex(N):" followed by the bytes, as the file writes them.
QString hexLine(const QString& name, const QString& prefix, const QByteArray& bytes) {
    return u'"' + name + QStringLiteral("\"=") + prefix +
           QString::fromLatin1(bytes.toHex(',').toUpper());
}

// The lines of a Unicode dump, after checking its byte-order mark.
QStringList unicodeLines(const QByteArray& bytes) {
    if (!bytes.startsWith("\xFF\xFE")) return {QStringLiteral("<no byte-order mark>")};
    return decodeWindowsFile(bytes, 1252).value().split(QStringLiteral("\r\n"));
}

} // namespace

class TestRegistryDump : public QObject {
    Q_OBJECT

    // Windows-1252 unless a test says otherwise.
    support::ScopedEnv locale_{"LC_ALL", "C.UTF-8"};
    std::unique_ptr<support::SamplePrefix> prefix_;
    std::unique_ptr<Registry> reg_;
    std::unique_ptr<Files> fs_;
    std::unique_ptr<StagingFolder> staging_;
    QByteArray longBlob_;

    QString target() const { return staging_->windowsPath() + QStringLiteral("\\dump.reg"); }
    QByteArray exported(const QString& root, const QString& key, bool subKeys, bool* ok = nullptr) {
        RegistryDump io(*reg_, *fs_);
        const bool result = io.ExportRegistryKey(root, key, subKeys, target());
        if (ok) *ok = result;
        return fs_->readAll(target()).valueOr("<unreadable>");
    }

private Q_SLOTS:
    void initTestCase() {
        prefix_ = std::make_unique<support::SamplePrefix>();
        auto& p = *prefix_;
        const QString acct = kMail + QStringLiteral("\\Account");
        p.addKey(HKEY_CURRENT_USER, kMail + QStringLiteral("\\Empty"));
        p.setValue(HKEY_CURRENT_USER, acct, RegValue::string(QString(), "default"));
        p.setString(HKEY_CURRENT_USER, acct, "Path", "C:\\Mail\\\"Inbox\"\\");
        p.setValue(HKEY_CURRENT_USER, acct, RegValue::string("Exp", "%APPDATA%\\x", REG_EXPAND_SZ));
        p.setDword(HKEY_CURRENT_USER, acct, "Port", 30);
        p.setDword(HKEY_CURRENT_USER, acct, "Big", 0xDEADBEEF);
        p.setValue(HKEY_CURRENT_USER, acct,
                   RegValue::binary("Blob", QByteArray("\0\x0a\xab\xff", 4)));
        p.setValue(HKEY_CURRENT_USER, acct, RegValue::binary("NoBytes", QByteArray()));
        p.setValue(HKEY_CURRENT_USER, acct,
                   RegValue::string("Multi", QStringLiteral("a") + QChar(0) + "b", REG_MULTI_SZ));
        p.setValue(HKEY_CURRENT_USER, acct, RegValue{"Quad", REG_QWORD, QByteArray(8, '\1')});
        p.setString(HKEY_CURRENT_USER, acct, "Grüße \"q\"", QStringLiteral("€ — ok"));
        const QString typed = kMail + QStringLiteral("\\Typed");
        p.setString(HKEY_CURRENT_USER, typed, "Store Root", "C:\\Mail\\Bjorn\\");
        p.setString(HKEY_CURRENT_USER, typed, "Back\\slash\\", "x");
        p.setString(HKEY_CURRENT_USER, typed, "Line\r\nName", "y");
        p.setString(HKEY_CURRENT_USER, typed, "Lines", "a\r\nb");
        p.setString(HKEY_CURRENT_USER, typed, "Tab", "a\tb");
        p.setValue(
            HKEY_CURRENT_USER, typed,
            RegValue{"Inner", REG_SZ,
                     utf16("ab") + utf16(QString(QChar(0))) + utf16("c") + QByteArray(2, 0)});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"Bare", REG_SZ, QByteArray()});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"Open", REG_SZ, utf16("ab")});
        p.setValue(HKEY_CURRENT_USER, kMail + "\\Uneven",
                   RegValue{"Odd", REG_SZ, QByteArray("abc")});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue::string("Empty", QString()));
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"None", REG_NONE, QByteArray("\1\2")});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"NoneEmpty", REG_NONE, QByteArray()});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"Short", REG_DWORD, QByteArray("\1\2")});
        p.setValue(HKEY_CURRENT_USER, typed,
                   RegValue{"Big endian", REG_DWORD_BIG_ENDIAN, QByteArray("\0\0\0\x1e", 4)});
        p.setValue(HKEY_CURRENT_USER, typed, RegValue{"Custom", 0x100000, QByteArray("\xff")});
        p.setValue(HKEY_CURRENT_USER, typed,
                   RegValue::string("Lists", QStringLiteral("a") + QChar(0) + "b" + QChar(0),
                                    REG_MULTI_SZ));
        p.setString(HKEY_CURRENT_USER, kMail + "\\Odd [1] \"q\" ]x", "V", "1");
        p.setString(HKEY_CURRENT_USER, "Software\\Sample\\Broken\\x]\r\n\"Injected\"=\"1\"\r\n[y",
                    "V", "1");
        const QString alphabets = kMail + QStringLiteral("\\Alphabets");
        p.setString(HKEY_CURRENT_USER, alphabets, QStringLiteral("Имя"),
                    QStringLiteral("山田 太郎"));
        p.setValue(HKEY_CURRENT_USER, alphabets,
                   RegValue::string(QStringLiteral("Путь"), QStringLiteral("%USERPROFILE%\\Почта"),
                                    REG_EXPAND_SZ));
        p.setString(HKEY_CURRENT_USER, kMail + QStringLiteral("\\Почта"), QStringLiteral("Имя"),
                    QStringLiteral("Иван"));
        p.setValue(HKEY_CURRENT_USER, kMail + QStringLiteral("\\Почта"),
                   RegValue::string(QStringLiteral("Путь"), QStringLiteral("%USERPROFILE%\\Почта"),
                                    REG_EXPAND_SZ));
        p.setString(HKEY_LOCAL_MACHINE, acct, "Where", "machine");
        longBlob_.resize(5000);
        for (int i = 0; i < longBlob_.size(); ++i)
            longBlob_[i] = char(i * 7);
        p.setValue(HKEY_CURRENT_USER, kMail + "\\Long", RegValue::binary("Long", longBlob_));
        for (const QString& k : kTree)
            p.setDword(HKEY_CURRENT_USER, kMail + "\\Tree\\" + k, "V", 1);
        p.save();
        reg_ = p.registry();
        fs_ = p.files();
        staging_ = std::make_unique<StagingFolder>(p.drives());
        QVERIFY(staging_->isValid());
    }
    void cleanupTestCase() {
        staging_.reset();
        reg_.reset();
        prefix_.reset();
    }

    void rootNames() {
        const QStringList names{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
        const QList<HKEY> keys{HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE,
                               HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(RegistryDump::RootNameToKey(names[i]), keys[i]);
            QCOMPARE(RegistryDump::RootKeyToName(keys[i]), names[i]);
        }
        QCOMPARE(RegistryDump::RootNameToKey("hkey_local_machine"), HKEY_CURRENT_USER);
        QCOMPARE(RegistryDump::RootKeyToName(HKEY_PERFORMANCE_DATA), kCU);
    }

    void emptyAndMissingKeysWriteTheSameLines() {
        bool ok = false;
        QCOMPARE(exported(kCU, kMail + "\\Empty", true, &ok),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + kMail + "\\Empty]"}));
        QVERIFY(ok);
        for (const QString& missing :
             {kMail + "\\Missing", QStringLiteral("Software\\Kelvarn\\X")}) {
            for (bool subKeys : {true, false})
                QCOMPARE(exported(kCU, missing, subKeys),
                         crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + missing + "]"}));
            // Nothing was created, not even in the program's own hive.
            QVERIFY(!reg_->keyExists(HKEY_CURRENT_USER, missing));
            QVERIFY(!prefix_->registry()->keyExists(HKEY_CURRENT_USER, missing));
        }
    }

    void everyValueTypeInRegedit4() {
        const QByteArray head =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kMail.toLatin1() + "\\Account]\r\n";
        QCOMPARE(exported(kCU, kMail + "\\Account", true),
                 head +
                     crlf({"\"\"=\"default\"", "\"Path\"=\"C:\\\\Mail\\\\\\\"Inbox\\\"\\\\\"",
                           hexLine("Exp", "hex(2):", "%APPDATA%\\x" + QByteArray(1, 0)),
                           "\"Port\"=dword:0000001E", "\"Big\"=dword:DEADBEEF",
                           "\"Blob\"=hex:00,0A,AB,FF",
                           "\"NoBytes\"=hex:", "\"Multi\"=hex(7):61,00,62,00",
                           "\"Quad\"=hex(b):01,01,01,01,01,01,01,01"}) +
                     "\"Gr\xfc\xdf"
                     "e \\\"q\\\"\"=\"\x80 \x97 ok\"\r\n");
        // Another root, and an unknown root name that reads the current user's key.
        QVERIFY(exported("HKEY_LOCAL_MACHINE", kMail + "\\Account", false)
                    .endsWith("[HKEY_LOCAL_MACHINE\\" + kMail.toLatin1() +
                              "\\Account]\r\n\"Where\"=\"machine\"\r\n"));
        QVERIFY(exported("HKCU", kMail + "\\Account", false).startsWith(head));
    }

    // What the quoted form cannot carry keeps its bytes in a typed hex form;
    // backslashes and quotes are escaped in names and data; key names stay as
    // they are, since the editor reads a key line up to its last ']'.
    void escapesAndTypedForms() {
        const QString key = "[HKEY_CURRENT_USER\\" + kMail + "\\Typed]";
        QCOMPARE(exported(kCU, kMail + "\\Typed", false),
                 crlf({"REGEDIT4", "", key, "\"Store Root\"=\"C:\\\\Mail\\\\Bjorn\\\\\"",
                       "\"Back\\\\slash\\\\\"=\"x\"", "\"Line\\r\\nName\"=\"y\"",
                       "\"Lines\"=hex(1):61,0D,0A,62,00", "\"Tab\"=hex(1):61,09,62,00",
                       "\"Inner\"=hex(1):61,62,00,63,00",
                       "\"Bare\"=hex(1):", "\"Open\"=hex(1):61,62", "\"Empty\"=\"\"",
                       "\"None\"=hex(0):01,02", "\"NoneEmpty\"=hex(0):", "\"Short\"=hex(4):01,02",
                       "\"Big endian\"=hex(5):00,00,00,1E", "\"Custom\"=hex(100000):FF",
                       "\"Lists\"=hex(7):61,00,62,00,00"}));
        // String data of an odd length is no text: only the Unicode form keeps its bytes.
        QCOMPARE(unicodeLines(exported(kCU, kMail + "\\Uneven", false)).value(3),
                 QStringLiteral("\"Odd\"=hex(1):61,62,63"));
        const QString odd = kMail + "\\Odd [1] \"q\" ]x";
        QCOMPARE(exported(kCU, odd, false),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + odd + "]", "\"V\"=\"1\""}));

        // A key name with a line break has no form: it is left out, with its
        // values, rather than turned into lines of its own, and the export says so.
        bool ok = true;
        QCOMPARE(exported(kCU, "Software\\Sample\\Broken", true, &ok),
                 crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Sample\\Broken]"}));
        QVERIFY(!ok);
    }

    // A dump is REGEDIT4 in the locale's code page when that code page holds all
    // of it, else Unicode with the string types' data as stored; never '?'.
    void characterSetFollowsTheLocale() {
        const QString alphabets = kMail + "\\Alphabets";
        const QByteArray cyrillicPath = QByteArray("%USERPROFILE%\\\xCF\xEE\xF7\xF2\xE0") + '\0';
        {
            // Windows-1252 holds neither alphabet.
            const QStringList lines = unicodeLines(exported(kCU, alphabets, false));
            QCOMPARE(lines,
                     (QStringList{"Windows Registry Editor Version 5.00", "",
                                  "[HKEY_CURRENT_USER\\" + alphabets + "]", "\"Имя\"=\"山田 太郎\"",
                                  hexLine("Путь", "hex(2):",
                                          utf16("%USERPROFILE%\\Почта") + QByteArray(2, 0)),
                                  ""}));
            // A key name alone is reason enough.
            QCOMPARE(unicodeLines(exported(kCU, kMail + "\\Почта", false)).value(2),
                     "[HKEY_CURRENT_USER\\" + kMail + "\\Почта]");
        }
        {
            const support::ScopedEnv russian("LC_ALL", "ru_RU.UTF-8");
            QCOMPARE(exported(kCU, kMail + "\\Почта", false),
                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kMail.toLatin1() +
                         "\\\xCF\xEE\xF7\xF2\xE0]\r\n\"\xC8\xEC\xFF\"="
                         "\"\xC8\xE2\xE0\xED\"\r\n\"\xCF\xF3\xF2\xFC\"=" +
                         hexLine("", "hex(2):", cyrillicPath).mid(3).toLatin1() + "\r\n");
            // Windows-1251 has no Chinese characters.
            QVERIFY(exported(kCU, alphabets, false).startsWith("\xFF\xFE"));
        }
        {
            // LC_ALL first, then LC_CTYPE, then LANG; code page 932 holds both alphabets.
            const support::ScopedEnv all("LC_ALL", QByteArray());
            const support::ScopedEnv ctype("LC_CTYPE", "ja_JP.UTF-8");
            const support::ScopedEnv lang("LANG", "ru_RU.UTF-8");
            const QByteArray bytes = exported(kCU, alphabets, false);
            QVERIFY(bytes.startsWith("REGEDIT4\r\n"));
            const auto text = decodeCodePage(bytes, 932);
            QVERIFY(text.has_value());
            QVERIFY(text->contains(QStringLiteral("\r\n\"Имя\"=\"山田 太郎\"\r\n")));
            const QByteArray path = encodeCodePage(u"%USERPROFILE%\\Почта", 932).value() + '\0';
            QVERIFY(text->endsWith(hexLine("Путь", "hex(2):", path) + "\r\n"));
        }
    }

    void longBinaryStaysOnOneLine() {
        const QList<QByteArray> lines = exported(QString(), kMail + "\\Long", true).split('\n');
        QCOMPARE(lines.size(), 5); // header, blank, key, value, and nothing after the last CR LF
        QVERIFY(lines[3].startsWith("\"Long\"=hex:00,07,0E,") && lines[3].endsWith("\r"));
        QCOMPARE(QByteArray::fromHex(lines[3].mid(11).chopped(1).replace(",", "")), longBlob_);
    }

    void subKeysComeChildrenBeforeGrandchildren() {
        const QString tree = kMail + "\\Tree";
        QStringList expected{"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + tree + "]"};
        for (const QString& k : kTree)
            expected << ""
                     << "[HKEY_CURRENT_USER\\" + tree + "\\" + k + "]"
                     << "\"V\"=dword:00000001";
        const QByteArray all = exported(kCU, tree, true);
        QCOMPARE(all, crlf(expected));
        // With or without leading and trailing backslashes, or no root name.
        for (const QString& path : {"\\" + tree, tree + "\\"})
            QCOMPARE(exported(kCU, path, true), all);
        QCOMPARE(exported(QString(), tree, true), all);
        QCOMPARE(exported(kCU, tree, false), crlf(expected.mid(0, 3)));
    }

    void propertyDestinationAndSaveFailures() {
        RegistryDump io(*reg_, *fs_);
        io.RegistryData << "kept";
        QVERIFY(io.ExportRegistryKey(kCU, kMail + "\\Empty", false, QString()));
        io.ExportDestination = regdump::eiProperty;
        const QString unused = staging_->windowsPath() + "\\unused.reg";
        QVERIFY(io.ExportRegistryKey(kCU, kMail + "\\Empty", false, unused));
        const QStringList one{"REGEDIT4", "", "[HKEY_CURRENT_USER\\" + kMail + "\\Empty]"};
        QCOMPARE(io.RegistryData, QStringList{"kept"} + one + one);
        QVERIFY(!fs_->exists(unused));

        io.ExportDestination = regdump::eiFile;
        QVERIFY(!io.ExportRegistryKey(kCU, kMail, true, "Q:\\nowhere\\dump.reg"));
        QVERIFY(io.ExportRegistryKey(kCU, kMail, true, target()));
    }

    void valuesWrittenAlone() {
        RegistryDump io(*reg_, *fs_);
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(3, '\1')}),
                 QStringLiteral("hex(4):01,01,01"));
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(5, '\1')}),
                 QStringLiteral("hex(4):01,01,01,01,01"));
        QCOMPARE(io.FormatValueData(RegValue::string("s", QStringLiteral("ab") + QChar(0) + "c")),
                 QStringLiteral("hex(1):61,62,00,63,00"));
        QCOMPARE(io.FormatValueData(RegValue{"e", REG_SZ, QByteArray()}),
                 QStringLiteral("hex(1):"));
        // Random types and bytes: no crash, and never a line break in the data.
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            RegValue v{"r", quint32(rng->bounded(14)), QByteArray(rng->bounded(40), '\0')};
            for (char& c : v.data)
                c = char(rng->bounded(256));
            const QString text = io.FormatValueData(v);
            QVERIFY(!text.contains(u'\n') && !text.contains(u'\r'));
        }
    }
};

QTEST_GUILESS_MAIN(TestRegistryDump)
#include "tst_registrydump.moc"
