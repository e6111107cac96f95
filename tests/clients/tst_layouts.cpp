// The client table and the layouts' rows as the backup and the restore read them.

#include "clients/ClientTable.h"
#include "clients/Clients.h"
#include "clients/layouts/EudoraLayout.h"
#include "clients/layouts/TheBatLayout.h"

#include <QSet>
#include <QTest>

using namespace clients;

class TestLayouts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // An archive entry finds the row that stored it, whatever its case or
    // separator; a name that only begins like a folder's is no entry of it.
    void entriesFindTheirRows_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("item"); // -1: no row
        QTest::addColumn<bool>("holdsPaths");
        using E = EudoraLayout;
        QTest::newRow("settings") << "eudora.ini" << int(E::kAccounts) << true;
        QTest::newRow("case") << "EUDORA.INI" << int(E::kAccounts) << true;
        QTest::newRow("in folder") << "Spool/sp1d3f.tmp" << int(E::kAccounts) << false;
        QTest::newRow("backslash") << "Sigs\\Standard.txt" << int(E::kSignatures) << false;
        QTest::newRow("folder itself") << "Filters" << int(E::kFilters) << false;
        QTest::newRow("longer name") << "Spoolx/a.tmp" << -1 << false;
        QTest::newRow("below a file") << "filters.pce/x" << -1 << false;
        QTest::newRow("searched") << "In.fol/Family.mbx" << -1 << false;
        QTest::newRow("empty") << "" << -1 << false;
    }
    void entriesFindTheirRows() {
        QFETCH(QString, entry);
        QFETCH(int, item);
        QFETCH(bool, holdsPaths);
        const FileRow* row = rowOf(EudoraLayout::files(), entry);
        QCOMPARE(row ? row->item : -1, item);
        if (row) QCOMPARE(row->holdsPaths, holdsPaths);
        // A row for the folder itself ("") is the collector's, never an entry's.
        QVERIFY(!rowOf(TheBatLayout::workingFiles(), QStringLiteral("x.abd")));
    }

    // Every manifest name leads back to its own row alone, in any case, so a
    // restore never takes one client's archive for another's.
    void manifestNamesAreOneToOne() {
        QSet<QString> keywords;
        for (const ClientRow& row : clientRows()) {
            if (row.keyword) QVERIFY2(!keywords.contains(QLatin1String(row.keyword)), row.keyword);
            if (row.keyword) keywords.insert(QLatin1String(row.keyword));
            if (!row.manifestName) continue;
            const QString name = QLatin1String(row.manifestName);
            QCOMPARE(ClientCodeForManifestName(name.toUpper()), row.code);
            QCOMPARE(ManifestName(row.code), name);
            QVERIFY2(!ClientItems(row.code).isEmpty(), row.manifestName);
        }
        QCOMPARE(keywords.size(), 10);
    }
};

QTEST_GUILESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
