// REGEDIT4 dumps of sample registry keys, read back byte for byte.

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "regdump/TIORegistry.h"
#include "support/SamplePrefix.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace platform;
using regdump::TIORegistry;

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

} // namespace

class TstTIORegistry : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> prefix_;
    std::unique_ptr<Registry> reg_;
    std::unique_ptr<Files> fs_;
    std::unique_ptr<StagingFolder> staging_;
    QByteArray longBlob_;

    QString target() const { return staging_->windowsPath() + QStringLiteral("\\dump.reg"); }
    QByteArray exported(const QString& root, const QString& key, bool subKeys, bool* ok = nullptr) {
        TIORegistry io(*reg_, *fs_);
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
        p.setString(HKEY_CURRENT_USER, acct, "Grüße \"q\"", QStringLiteral("€ — 漢字 ok"));
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
            QCOMPARE(TIORegistry::RootNameToKey(names[i]), keys[i]);
            QCOMPARE(TIORegistry::RootKeyToName(keys[i]), names[i]);
        }
        QCOMPARE(TIORegistry::RootNameToKey("hkey_local_machine"), HKEY_CURRENT_USER);
        QCOMPARE(TIORegistry::RootKeyToName(HKEY_PERFORMANCE_DATA), kCU);
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

    void everyValueTypeAndWindows1252() {
        const QByteArray head =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kMail.toLatin1() + "\\Account]\r\n";
        QCOMPARE(exported(kCU, kMail + "\\Account", true),
                 head +
                     crlf({"\"\"=\"default\"", "\"Path\"=\"C:\\Mail\\\"Inbox\"\\\"",
                           "\"Exp\"=\"%APPDATA%\\x\"", "\"Port\"=dword:0000001E",
                           "\"Big\"=dword:DEADBEEF", "\"Blob\"=hex:00,0A,AB,FF",
                           "\"NoBytes\"=", "\"Multi\"=", "\"Quad\"="}) +
                     "\"Gr\xfc\xdf"
                     "e \"q\"\"=\"\x80 \x97 ?? ok\"\r\n");
        // Another root, and an unknown root name that reads the current user's key.
        QVERIFY(exported("HKEY_LOCAL_MACHINE", kMail + "\\Account", false)
                    .endsWith("[HKEY_LOCAL_MACHINE\\" + kMail.toLatin1() +
                              "\\Account]\r\n\"Where\"=\"machine\"\r\n"));
        QVERIFY(exported("HKCU", kMail + "\\Account", false).startsWith(head));
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
        TIORegistry io(*reg_, *fs_);
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

    void unreadableValuesGiveEmptyData() {
        TIORegistry io(*reg_, *fs_);
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(3, '\1')}), QString());
        QCOMPARE(io.FormatValueData(RegValue{"d", REG_DWORD, QByteArray(5, '\1')}), QString());
        QCOMPARE(io.FormatValueData(RegValue::string("s", QStringLiteral("ab") + QChar(0) + "c")),
                 QStringLiteral("\"ab\""));
        QCOMPARE(io.FormatValueData(RegValue{"e", REG_SZ, QByteArray()}), QStringLiteral("\"\""));
        // Random types and bytes: no crash, and no line break outside string data.
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            RegValue v{"r", quint32(rng->bounded(14)), QByteArray(rng->bounded(40), '\0')};
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
