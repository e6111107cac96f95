// Identity and folder names in Cyrillic and Chinese through a whole backup:
// the registry dumps, the manifest and the folder map of the archive hold them
// in the user's ANSI code page when it can, else in UTF-16, and read back equal.

#include "support/BackupRig.h"
#include "support/ScopedEnv.h"
#include "support/clients/OutlookExpressSample.h"

#include "platform/Encoding.h"

using testsupport::BackupRig;

namespace {

const QString kIvan = QStringLiteral("Иван Петров");
const QString kYamada = QStringLiteral("山田 太郎");
const QString kYamadaStore = QStringLiteral("C:\\Почта\\山田");

// The text of an archived file, and whether it was the UTF-16 form.
struct ReadBack {
    bool unicode = false;
    std::optional<QString> text;
};

ReadBack readBack(const QByteArray& bytes, int codePage) {
    return {bytes.startsWith("\xFF\xFE"), platform::decodeWindowsFile(bytes, codePage)};
}

} // namespace

class TestAlphabets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SKIP_WITHOUT_TOOLS("7z", "bsdtar"); }

    void outlookExpressIdentities_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<bool>("manifestsUnicode");
        QTest::addColumn<bool>("ivanDumpUnicode");
        QTest::addColumn<bool>("yamadaDumpUnicode");
        // Windows-1252 holds neither name; 1251 the Cyrillic one; 932 both.
        QTest::newRow("C") << QByteArray("C.UTF-8") << 1252 << true << true << true;
        QTest::newRow("russian") << QByteArray("ru_RU.UTF-8") << 1251 << true << false << true;
        QTest::newRow("japanese") << QByteArray("ja_JP.UTF-8") << 932 << false << false << false;
    }
    void outlookExpressIdentities() {
        QFETCH(QByteArray, locale);
        QFETCH(int, codePage);
        QFETCH(bool, manifestsUnicode);
        QFETCH(bool, ivanDumpUnicode);
        QFETCH(bool, yamadaDumpUnicode);
        const support::ScopedEnv lcAll("LC_ALL", locale);

        BackupRig rig(QStringLiteral("C:\\Backups\\oe.ebk"));
        const support::OutlookExpressInstall oe = support::addOutlookExpress(rig.prefix);
        const QString ids = QStringLiteral("identities\\");
        rig.prefix.setString(platform::HKEY_CURRENT_USER, ids + oe.annKey,
                             QStringLiteral("Username"), kIvan);
        rig.prefix.setString(platform::HKEY_CURRENT_USER, ids + oe.bobKey,
                             QStringLiteral("Username"), kYamada);
        rig.prefix.setValue(
            platform::HKEY_CURRENT_USER,
            ids + oe.bobKey + QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0"),
            platform::RegValue::string(QStringLiteral("Store Root"), kYamadaStore + u'\\',
                                       platform::REG_EXPAND_SZ));
        rig.prefix.save();
        rig.prefix.writeFile(kYamadaStore + QStringLiteral("\\Inbox.dbx"), "mail");

        QVERIFY(!rig.run(clients::kOutlookExpress, BackupRig::ticked({kIvan, kYamada}),
                         BackupRig::ticked(clients::ClientItems(clients::kOutlookExpress))));
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));

        const ReadBack info = readBack(rig.extracted(QStringLiteral("infobak.ini")), codePage);
        QCOMPARE(info.unicode, manifestsUnicode);
        QVERIFY(info.text);
        const auto manifest = platform::IniFile::parse(*info.text);
        QCOMPARE(manifest.readString("Identities", "Item1"), kIvan);
        QCOMPARE(manifest.readString("Identities", "Item2"), kYamada);

        const ReadBack others = readBack(rig.extracted(QStringLiteral("others.ini")), codePage);
        QCOMPARE(others.unicode, manifestsUnicode);
        QVERIFY(others.text);
        QCOMPARE(platform::IniFile::parse(*others.text).readString("Directory", "Item2"),
                 kYamadaStore);
        QVERIFY(rig.names().contains(oe.bobKey + QStringLiteral("/Inbox.dbx")));

        // Each identity's dump: its header says which form it is.
        for (const auto& [name, unicode] :
             {std::pair{kIvan, ivanDumpUnicode}, std::pair{kYamada, yamadaDumpUnicode}}) {
            const ReadBack dump =
                readBack(rig.extracted(name + QStringLiteral("/identity.reg")), codePage);
            QCOMPARE(dump.unicode, unicode);
            QVERIFY(dump.text);
            QVERIFY2(dump.text->startsWith(unicode ? u"Windows Registry Editor Version 5.00\r\n"
                                                   : u"REGEDIT4\r\n"),
                     qPrintable(name));
            QVERIFY2(dump.text->contains(QStringLiteral("\r\n\"Username\"=\"%1\"\r\n").arg(name)),
                     qPrintable(*dump.text));
        }
        const ReadBack yamada =
            readBack(rig.extracted(kYamada + QStringLiteral("/identity2.reg")), codePage);
        QVERIFY(yamada.text);
        const QByteArray storeBytes =
            yamadaDumpUnicode ? platform::utf16LeBytes(kYamadaStore + u'\\') + QByteArray(2, 0)
                              : platform::encodeCodePage(kYamadaStore + u'\\', codePage).value() +
                                    QByteArray(1, 0);
        QVERIFY2(yamada.text->contains(QStringLiteral("\"Store Root\"=hex(2):") +
                                       QString::fromLatin1(storeBytes.toHex(',').toUpper()) +
                                       QStringLiteral("\r\n")),
                 qPrintable(*yamada.text));
    }
};

QTEST_GUILESS_MAIN(TestAlphabets)
#include "tst_alphabets.moc"
