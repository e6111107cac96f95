#include "platform/Encoding.h"
#include "platform/Ini.h"
#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class TestIni : public QObject {
    Q_OBJECT

    static IniFile sample() {
        return IniFile::parse(QByteArray("; a comment=not a key\r\n"
                                         "orphan=before any section\r\n"
                                         "[Settings]\r\n"
                                         "  Name  =  Ann Smith  \r\n"
                                         "Quoted=\" padded \"\r\n"
                                         "Single='x'\r\n"
                                         "Mixed=\"x'\r\n"
                                         "OneQuote=\"\r\n"
                                         "Empty=\r\n"
                                         "NoEquals\r\n"
                                         "=no name\r\n"
                                         "Path=C:\\Mail\\a=b.mbx\r\n"
                                         "name=second copy\r\n"
                                         "\r\n"
                                         "[ Spaced Section ]\r\n"
                                         "Key=v\r\n"
                                         "[settings]\r\n"
                                         "Name=from the second section\r\n"
                                         "Other=only here\r\n"));
    }

private Q_SLOTS:
    void reading_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QString def = "DEF";
        QTest::newRow("trimmed") << "Settings"
                                 << "Name"
                                 << "Ann Smith";
        QTest::newRow("names without case") << "SETTINGS"
                                            << "name"
                                            << "Ann Smith";
        QTest::newRow("names trimmed") << " Settings "
                                       << " Name "
                                       << "Ann Smith";
        QTest::newRow("double quotes") << "Settings"
                                       << "Quoted"
                                       << " padded ";
        QTest::newRow("single quotes") << "Settings"
                                       << "Single"
                                       << "x";
        QTest::newRow("unmatched quotes kept") << "Settings"
                                               << "Mixed"
                                               << "\"x'";
        QTest::newRow("one quote kept") << "Settings"
                                        << "OneQuote"
                                        << "\"";
        QTest::newRow("empty value") << "Settings"
                                     << "Empty"
                                     << "";
        QTest::newRow("line without =") << "Settings"
                                        << "NoEquals" << def;
        QTest::newRow("first = splits") << "Settings"
                                        << "Path"
                                        << "C:\\Mail\\a=b.mbx";
        QTest::newRow("missing key") << "Settings"
                                     << "Absent" << def;
        QTest::newRow("missing section") << "Nothing"
                                         << "Name" << def;
        QTest::newRow("second section ignored") << "Settings"
                                                << "Other" << def;
        QTest::newRow("section name trimmed") << "spaced section"
                                              << "key"
                                              << "v";
        QTest::newRow("comment is no key") << "Settings"
                                           << "; a comment" << def;
        QTest::newRow("key before any section") << ""
                                                << "orphan" << def;
    }
    void reading() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(sample().readString(section, key, "DEF"), value);
    }

    void listing() {
        const IniFile ini = sample();
        QCOMPARE(ini.sectionNames(), QStringList({"Settings", "Spaced Section"}));
        QCOMPARE(ini.keyNames("settings"),
                 QStringList({"Name", "Quoted", "Single", "Mixed", "OneQuote", "Empty", "Path"}));
        QVERIFY(ini.hasSection("SPACED SECTION"));
        QVERIFY(!ini.hasSection("Spaced"));
        QVERIFY(ini.hasKey("Settings", "empty"));
        QVERIFY(!ini.hasKey("Settings", "NoEquals"));
        QCOMPARE(ini.sectionLines("Spaced Section"), QStringList{"Key=v"});
        QCOMPARE(ini.sectionLines("none"), QStringList());
    }

    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "42" << 42;
        QTest::newRow("blanks") << "   17  " << 17;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("plus") << "+8" << 8;
        QTest::newRow("trailing text") << "12abc" << 12;
        QTest::newRow("no digits") << "abc" << -1;
        QTest::newRow("sign only") << "-" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("hex is not read") << "0x10" << 0;
        QTest::newRow("huge") << "99999999999999999999" << 2147483647;
        QTest::newRow("huge negative") << "-99999999999999999999" << int(-2147483647 - 1);
        QTest::newRow("quoted") << "\"7\"" << 7;
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(int, value);
        const IniFile ini = IniFile::parse("[s]\nn=" + text + "\n");
        QCOMPARE(ini.readInt("s", "n", -1), value);
        QCOMPARE(ini.readInt("s", "missing", -1), -1);
    }

    void lineEnds() {
        // CR, LF and CRLF mixed, no final line end; a NUL ends a line's text.
        const QByteArray bytes("[a]\rk1=v1\nk2=v2\r\nk3=v3\0hidden\n\n[b]\r\n\r\nk=last", 44);
        const IniFile ini = IniFile::parse(bytes);
        QCOMPARE(ini.readString("a", "k1"), QString("v1"));
        QCOMPARE(ini.readString("a", "k2"), QString("v2"));
        QCOMPARE(ini.readString("a", "k3"), QString("v3"));
        QCOMPARE(ini.readString("b", "k"), QString("last"));
        QCOMPARE(ini.keyNames("a"), QStringList({"k1", "k2", "k3"}));
    }

    void encodings() {
        QCOMPARE(IniFile::parse(QByteArray("[s]\nk=Gr\xC3\xBC\xC3\x9F"
                                           "e\n"))
                     .readString("s", "k"),
                 QString::fromUtf8("Grüße"));
        QCOMPARE(
            IniFile::parse(QByteArray("\xEF\xBB\xBF[s]\nk=\xE2\x82\xAC\n")).readString("s", "k"),
            QString::fromUtf8("€"));
        QCOMPARE(IniFile::parse(QByteArray("[s]\nk=Gr\xFC\xDF"
                                           "e \x80\n"))
                     .readString("s", "k"),
                 QString::fromUtf8("Grüße €"));
        const QString text = QString::fromUtf8("[s]\r\nk=Ωmega\r\n");
        QByteArray le("\xFF\xFE");
        QByteArray be("\xFE\xFF");
        for (QChar c : text) {
            le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QCOMPARE(IniFile::parse(le).readString("s", "k"), QString::fromUtf8("Ωmega"));
        QCOMPARE(IniFile::parse(be).readString("s", "k"), QString::fromUtf8("Ωmega"));
    }

    void writing() {
        const support::ScopedEnv locale("LC_ALL", "en_US.UTF-8"); // Windows-1252
        IniFile ini = IniFile::parse(QByteArray("[First]\r\nA=1\r\nb=2\r\n\r\n; end of first\r\n"
                                                "\r\n[Second]\r\nC=3\r\n"));
        ini.writeString("first", "B", "two");        // in place, key keeps its spelling
        ini.writeString("FIRST", "New", "appended"); // at the end of its section
        ini.writeString("Third", "D", "4");          // new section at the end
        ini.writeString("Second", "Text", QString::fromUtf8("Grüße €"));
        ini.writeString("Second", "", "ignored");
        QCOMPARE(ini.toAnsiBytes(), QByteArray("[First]\r\nA=1\r\nb=two\r\n\r\n; end of first\r\n"
                                               "New=appended\r\n\r\n[Second]\r\nC=3\r\n"
                                               "Text=Gr\xFC\xDF"
                                               "e \x80\r\n[Third]\r\nD=4\r\n"));
        // What is written reads back.
        const IniFile again = IniFile::parse(ini.toAnsiBytes());
        QCOMPARE(again.readString("First", "b"), QString("two"));
        QCOMPARE(again.readString("Third", "d"), QString("4"));
    }

    // Writing a key leaves the bytes of every other line as they were, in
    // whatever form the file holds them; the written line takes that form.
    void writingKeepsOtherLines_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key"); // in section [s]
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const QByteArray western("en_US.UTF-8");
        const QByteArray russian("ru_RU.UTF-8");
        // "\xC3\xA9" is "Ã©" in Windows-1252, and also UTF-8.
        QTest::newRow("1252 bytes that read as UTF-8")
            << western << QByteArray("[s]\r\nA=\xC3\xA9\r\nB=1\r\n") << "B"
            << "2" << QByteArray("[s]\r\nA=\xC3\xA9\r\nB=2\r\n");
        QTest::newRow("1252 file under a Cyrillic locale")
            << russian << QByteArray("[s]\r\nName=Gr\xFC\xDF\r\nB=1\r\n") << "B"
            << "Иван" << QByteArray("[s]\r\nName=Gr\xFC\xDF\r\nB=\xC8\xE2\xE0\xED\r\n");
        QTest::newRow("UTF-8 file")
            << western << QByteArray("[s]\nName=\xD0\x98\xD0\xB2\nB=1\n") << "New"
            << "Ω" << QByteArray("[s]\nName=\xD0\x98\xD0\xB2\nB=1\nNew=\xCE\xA9\r\n");
        QTest::newRow("UTF-16 file")
            << russian
            << QByteArray("\xFF\xFE[\0s\0]\0\n\0A\0=\0\xE9\0\n\0B\0=\0"
                          "1\0\n\0",
                          26)
            << "B"
            << "Я" << QByteArray("\xFF\xFE[\0s\0]\0\n\0A\0=\0\xE9\0\n\0B\0=\0/\x04\n\0", 26);
        QTest::newRow("spacing and line ends of other lines")
            << western << QByteArray("[s]\n  A = 1 \rB=x\n\n") << "B"
            << "y" << QByteArray("[s]\n  A = 1 \rB=y\n\n");
        QTest::newRow("last line without its end") << western << QByteArray("[s]\r\nA=\xE9") << "B"
                                                   << "2" << QByteArray("[s]\r\nA=\xE9\r\nB=2\r\n");
        QTest::newRow("the same value again")
            << western << QByteArray("[s]\r\n B = \"2\" \r\n") << "b"
            << "2" << QByteArray("[s]\r\n B = \"2\" \r\n");
    }
    void writingKeepsOtherLines() {
        QFETCH(QByteArray, locale);
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const support::ScopedEnv lcAll("LC_ALL", locale);
        IniFile ini = IniFile::parse(before);
        const QStringList keys = ini.keyNames("s");
        ini.writeString("s", key, value);
        QCOMPARE(ini.toAnsiBytes(), after);
        const IniFile again = IniFile::parse(after);
        for (const QString& k : keys) // every other key reads as it did
            if (k.compare(key, Qt::CaseInsensitive) != 0)
                QCOMPARE(again.readString("s", k), ini.readString("s", k));
    }

    void writingWhatTheCodePageCannotHold() {
        // The whole file turns UTF-16, each line read as the code page reads it.
        const support::ScopedEnv lcAll("LC_ALL", "ru_RU.UTF-8");
        IniFile ini = IniFile::parse(QByteArray("[s]\r\nName=\xC8\xE2\xE0\xED"));
        ini.writeString("s", "Other", "山田");
        QCOMPARE(ini.toAnsiBytes(),
                 "\xFF\xFE" + utf16LeBytes(u"[s]\r\nName=Иван\r\nOther=山田\r\n"));
    }

    void writingCannotAddLines() {
        IniFile ini;
        ini.writeString("S", "Key", "evil\r\n[Other]\r\nInjected=1");
        ini.writeString("S]\n[T", "K\nX", "v");
        QVERIFY(!ini.hasSection("Other"));
        QVERIFY(!ini.hasKey("S", "Injected"));
        QCOMPARE(ini.sectionNames().size(), 2);
        QCOMPARE(ini.readString("S", "Key"), QString("evil  [Other]  Injected=1"));
    }

    void writingIntoDuplicates() {
        // Only the first section and key count, for writing as for reading.
        IniFile ini = IniFile::parse(QByteArray("[S]\nK=1\nK=2\n[s]\nK=3\n"));
        ini.writeString("S", "k", "x");
        QCOMPARE(ini.toAnsiBytes(), QByteArray("[S]\nK=x\nK=2\n[s]\nK=3\n"));
    }

    void deleting() {
        IniFile ini = IniFile::parse(QByteArray("[A]\nk=1\nK=2\nj=3\n[B]\nk=4\n[a]\nk=5\n"));
        ini.deleteKey("a", "K");
        QVERIFY(!ini.hasKey("A", "k"));
        QCOMPARE(ini.readString("A", "j"), QString("3"));
        QCOMPARE(ini.readString("B", "k"), QString("4"));
        ini.deleteSection("A");
        QCOMPARE(ini.sectionNames(), QStringList{"B"});
        QCOMPARE(ini.toAnsiBytes(), QByteArray("[B]\nk=4\n"));
    }

    void files() {
        QTemporaryDir tmp;
        const QString prefix = tmp.path() + "/prefix";
        QDir().mkpath(prefix + "/dosdevices");
        QDir().mkpath(prefix + "/drive_c/Data");
        QVERIFY(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
        const Files fs(DriveMap::fromPrefix(prefix));

        QCOMPARE(IniFile::load(fs, "C:\\Data\\none.ini").code(), int(kFileNotFound));
        QCOMPARE(readProfileString(fs, "C:\\Data\\none.ini", "s", "k", "dflt"), QString("dflt"));
        QVERIFY(writeProfileString(fs, "C:\\data\\infobak.ini", "General", "Client", "2").isOk());
        QVERIFY(writeProfileString(fs, "C:\\Data\\INFOBAK.INI", "General", "Items", "5").isOk());
        QCOMPARE(readProfileString(fs, "C:\\Data\\infobak.ini", "general", "client"), QString("2"));
        QFile f(prefix + "/drive_c/Data/infobak.ini");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[General]\r\nClient=2\r\nItems=5\r\n"));
        QCOMPARE(writeProfileString(fs, "C:\\Missing\\x.ini", "s", "k", "v").code(),
                 int(kPathNotFound));
        // A file that exists but cannot be read is not replaced by a new one.
        QVERIFY(QDir().mkpath(prefix + "/drive_c/Data/folder.ini"));
        QVERIFY(!writeProfileString(fs, "C:\\Data\\folder.ini", "s", "k", "v").isOk());
        QVERIFY(QFileInfo(prefix + "/drive_c/Data/folder.ini").isDir());
    }

    void fuzz() {
        // Random and truncated input: parsing never fails, and a parsed file
        // written out and parsed again reads the same.
        QRandomGenerator rng(42);
        const QByteArray pieces[] = {"[",   "]",   "=",    "\r",   "\n",       "\r\n",
                                     "\"",  "'",   ";",    " ",    "\t",       QByteArray(1, '\0'),
                                     "key", "Sec", "\xC3", "\xBC", "\xFF\xFE", "value"};
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            const int n = rng.bounded(40);
            for (int i = 0; i < n; ++i)
                bytes += pieces[rng.bounded(int(std::size(pieces)))];
            const IniFile ini = IniFile::parse(bytes.left(rng.bounded(bytes.size() + 1)));
            const IniFile again = IniFile::parse(ini.toAnsiBytes());
            QCOMPARE(again.sectionNames(), ini.sectionNames());
            for (const QString& s : ini.sectionNames()) {
                QCOMPARE(again.keyNames(s), ini.keyNames(s));
                for (const QString& k : ini.keyNames(s))
                    QCOMPARE(toAnsi(again.readString(s, k)), toAnsi(ini.readString(s, k)));
            }
        }
    }

    void veryLongLines() {
        const QByteArray big(8 * 1024 * 1024, 'x');
        const IniFile ini = IniFile::parse("[s]\nbig=" + big + "\nafter=1\n" + big);
        QCOMPARE(ini.readString("s", "big").size(), big.size());
        QCOMPARE(ini.readString("s", "after"), QString("1"));
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
