// The Favorites collector over the sample Favorites folder: the numbered
// folders and their map, the shortcuts that reach the archive, and folders
// that are missing, empty or larger than the found-folder list.

#include "support/BackupRig.h"
#include "support/clients/FavoritesSample.h"

#include "clients/Clients.h"

#include <QMap>

using namespace backup;
using testsupport::BackupRig;

class TestFavorites : public QObject {
    Q_OBJECT

    struct Rig : BackupRig {
        QString f;
        Rig() : BackupRig(QStringLiteral("C:\\Backups\\favorites.ebk")) {
            support::addFavorites(prefix);
            f = support::favorites::folder(prefix);
        }
        bool backup() {
            return run(clients::kFavorites, ticked({QStringLiteral("Default")}),
                       ticked(clients::ClientItems(clients::kFavorites)));
        }
        void setFolder(const QString& value) {
            const QString shell = QStringLiteral(
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
            if (value.isNull())
                prefix.removeValue(platform::HKEY_CURRENT_USER, shell, QStringLiteral("Favorites"));
            else
                prefix.setString(platform::HKEY_CURRENT_USER, shell, QStringLiteral("Favorites"),
                                 value);
            prefix.save();
        }
        void remove(const QString& sub) {
            QDir(prefix.hostPath(f + QLatin1Char('\\') + sub)).removeRecursively();
        }
        // The map's values in key order, checked to be "Dir1", "Dir2", ...
        QStringList map() {
            const auto ini = extractedIni(QStringLiteral("directory.ini"));
            const QStringList keys = ini.keyNames(QStringLiteral("Directory"));
            QStringList values;
            for (int i = 0; i < keys.size(); ++i) {
                if (keys[i] != QStringLiteral("Dir%1").arg(i + 1)) return {"bad key " + keys[i]};
                values << ini.readString(QStringLiteral("Directory"), keys[i]);
            }
            return values;
        }
        // Archive folder -> the names stored below it.
        QMap<QString, QStringList> byFolder() const {
            QMap<QString, QStringList> out;
            for (const QString& n : names()) {
                const qsizetype slash = n.indexOf(QLatin1Char('/'));
                out[slash < 0 ? QString() : n.left(slash)] << n.mid(slash + 1);
            }
            return out;
        }
    };

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::haveArchiveTools())
            QFAIL("7z and bsdtar are needed: tools/install-deps.sh installs them");
    }

    // Every folder with shortcuts, its own shortcuts under the number the map
    // gives it, whatever the spelling of the folder value.
    void everyFolder_data() {
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("end");
        QTest::newRow("as written") << false << "";
        QTest::newRow("trailing backslash") << false << "\\";
        QTest::newRow("other letter case") << true << "";
    }

    void everyFolder() {
        QFETCH(bool, upper);
        QFETCH(QString, end);
        Rig rig;
        rig.setFolder((upper ? rig.f.toUpper() : rig.f) + end);
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        QVERIFY(rig.sevenZipTests());

        const QStringList map = rig.map();
        QCOMPARE(map.size(), 5);
        QCOMPARE(map.first(), QString()); // the folder's own shortcuts come first
        QVERIFY(map.indexOf("News") < map.indexOf("News\\Local"));
        const QMap<QString, QStringList> expected{{"", {"Bank.url", "Weather.url"}},
                                                  {"News", {"World.url"}},
                                                  {"News\\Local", {"Town Paper.url"}},
                                                  {"LINKS", {"SEARCH.URL"}},
                                                  {"Tools\\Old", {"Archive.url"}}};
        const auto stored = rig.byFolder();
        for (int n = 1; n <= map.size(); ++n) {
            QVERIFY2(expected.contains(map[n - 1]), qPrintable(map[n - 1]));
            QCOMPARE(stored.value(QStringLiteral("Dir%1").arg(n)), expected.value(map[n - 1]));
        }
        QCOMPARE(stored.value(QString()), (QStringList{"directory.ini", "infobak.ini"}));
        QCOMPARE(stored.size(), 6);
        QCOMPARE(rig.taskNames(), QStringList(5, QStringLiteral("Favorites")));
        // No entry for an account file in the Favorites folder.
        for (int n = 1; n <= rig.list().count(); ++n)
            QVERIFY(!rig.list().entry(n).spec.endsWith(QLatin1String("accounts.ini")));

        const auto info = rig.extractedIni(QStringLiteral("infobak.ini"));
        QCOMPARE(info.sectionNames(), (QStringList{"Backup", "Identities", "Items"}));
        QCOMPARE(info.readString("Backup", "EmailClient"), QStringLiteral("Favorites"));
        QCOMPARE(info.readString("Identities", "Item1"), QStringLiteral("Default"));
        QCOMPARE(info.readString("Items", "Item1"), QStringLiteral("Favorites"));
    }

    // F, F\News and F\News\Local: Dir1, Dir2 and Dir3 in that order; a folder
    // with ten shortcuts is listed and stored once.
    void nestedFoldersInOrder() {
        Rig rig;
        rig.remove(QStringLiteral("LINKS"));
        rig.remove(QStringLiteral("Tools"));
        for (int i = 0; i < 9; ++i)
            rig.prefix.writeFile(rig.f + QStringLiteral("\\News\\Paper %1.url").arg(i),
                                 support::favorites::shortcut("https://paper.example.com/"));
        QVERIFY(!rig.backup());
        QCOMPARE(rig.map(), (QStringList{"", "News", "News\\Local"}));
        const auto stored = rig.byFolder();
        QCOMPARE(stored.value("Dir1"), (QStringList{"Bank.url", "Weather.url"}));
        QCOMPARE(stored.value("Dir2").size(), 10);
        QCOMPARE(stored.value("Dir3"), QStringList{"Town Paper.url"});
        QCOMPARE(rig.taskNames().size(), 3);
    }

    // No folder, or one without shortcuts: the empty map and the manifest.
    void nothingToBackUp_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << "";
        QTest::newRow("relative") << "Favorites";
        QTest::newRow("not there") << "C:\\nowhere\\Favorites";
        QTest::newRow("no shortcuts") << "C:\\users";
    }

    void nothingToBackUp() {
        QFETCH(QString, value);
        Rig rig;
        if (QByteArray(QTest::currentDataTag()) == "no shortcuts")
            value = rig.f + QStringLiteral("\\Empty");
        rig.setFolder(value);
        QVERIFY(!rig.backup());
        QCOMPARE(rig.names(), (QStringList{"directory.ini", "infobak.ini"}));
        QCOMPARE(rig.map(), QStringList());
        // The empty map still names its section.
        QCOMPARE(rig.extracted(QStringLiteral("directory.ini")), QByteArray("[Directory]\r\n"));
        QVERIFY(rig.sevenZipTests());
        QCOMPARE(rig.taskNames(), QStringList());
    }

    // More shortcuts in one folder than the found-folder list holds: the
    // folder is listed, so nothing is lost and the backup is complete.
    void manyShortcutsInOneFolder() {
        Rig rig;
        for (int i = 0; i < 1100; ++i)
            rig.prefix.writeFile(rig.f + QStringLiteral("\\Big\\Site %1.url").arg(i), "x");
        QVERIFY(!rig.backup());
        QVERIFY2(!rig.state().BackupFailed, qPrintable(rig.state().BackupErrorText));
        const QStringList map = rig.map();
        QVERIFY(map.contains(QStringLiteral("Big")));
        QCOMPARE(rig.byFolder().value(QStringLiteral("Dir%1").arg(map.indexOf("Big") + 1)).size(),
                 1100);
    }

    // More folders than the list holds: the backup fails with a text that
    // says folders would be left out, before an incomplete archive is written.
    void moreFoldersThanTheListHolds() {
        Rig rig;
        for (int i = 0; i < 1001; ++i)
            rig.prefix.writeFile(rig.f + QStringLiteral("\\Many\\Folder %1\\Site.url").arg(i), "x");
        QVERIFY(rig.backup());
        QVERIFY(rig.state().BackupFailed);
        QVERIFY2(rig.state().BackupErrorText.contains(QLatin1String("left out")),
                 qPrintable(rig.state().BackupErrorText));
        QVERIFY(!QFile::exists(rig.archive()));
    }
};

QTEST_GUILESS_MAIN(TestFavorites)
#include "tst_favorites.moc"
