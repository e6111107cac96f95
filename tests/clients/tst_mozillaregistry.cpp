// The profile-path scan of a Mozilla profile registry, with garbage and huge input.

#include "clients/MozillaRegistry.h"

#include <QRandomGenerator>
#include <QTest>

using namespace clients;

namespace {
QByteArray entry(const QByteArray& path) {
    return QByteArray("directory") + '\x01' + path + '\0';
}
} // namespace

class TestMozillaRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsEveryPathInOrder() {
        QByteArray data = QByteArray("\x76\x44\x01\x00junk", 8);
        data += entry("C:\\Moz\\Profiles\\default\\abc.slt");
        data += QByteArray("\x00\x05name\x00", 7);
        data += entry("C:\\Moz\\Profiles\\work\\def.slt");
        QCOMPARE(MozillaRegistry::scan(data, 1000),
                 (QStringList{"C:\\Moz\\Profiles\\default\\abc.slt",
                              "C:\\Moz\\Profiles\\work\\def.slt"}));
    }

    void matcherDoesNotRestartOnTheBreakingByte() {
        // The second 'd' breaks "d..." and is not tried as a new start.
        QCOMPARE(MozillaRegistry::scan(QByteArray("ddirectory-C:\\x\0", 16), 10), QStringList());
        QCOMPARE(MozillaRegistry::scan(QByteArray("dirdirectory-C:\\x\0", 18), 10), QStringList());
        QCOMPARE(MozillaRegistry::scan(QByteArray("dir directory-C:\\x\0", 19), 10),
                 QStringList{"C:\\x"});
        QCOMPARE(MozillaRegistry::scan(QByteArray("Directory-C:\\x\0", 16), 10), QStringList());
    }

    void theSkippedByteMayBeAnything() {
        QCOMPARE(MozillaRegistry::scan(QByteArray("directory\0C:\\p\0", 15), 10),
                 QStringList{"C:\\p"});
        // "directory" inside a path is part of the path.
        QCOMPARE(MozillaRegistry::scan(QByteArray("directory=C:\\directory\\q\0", 25), 10),
                 QStringList{"C:\\directory\\q"});
    }

    void endOfDataEndsAPath() {
        QCOMPARE(MozillaRegistry::scan(QByteArray("xxdirectory=C:\\last"), 10),
                 QStringList{"C:\\last"});
        // Nothing, or only the skipped byte, after "directory" names no path.
        QCOMPARE(MozillaRegistry::scan(QByteArray("directory"), 10), QStringList());
        QCOMPARE(MozillaRegistry::scan(QByteArray("directory="), 10), QStringList());
        QCOMPARE(MozillaRegistry::scan(QByteArray("directory=\0", 11), 10), QStringList());
        QCOMPARE(MozillaRegistry::scan(QByteArray(), 10), QStringList());
    }

    void ansiPathsDecode() {
        QCOMPARE(MozillaRegistry::scan(entry("C:\\J\xe9r\xf4me\\p"), 10),
                 QStringList{QStringLiteral("C:\\J\u00e9r\u00f4me\\p")});
        QCOMPARE(MozillaRegistry::scan(entry("C:\\J\xc3\xa9r\\p"), 10),
                 QStringList{QStringLiteral("C:\\J\u00e9r\\p")});
    }

    void piecesGiveTheSameResult() {
        QRandomGenerator g(5);
        QByteArray data;
        for (int i = 0; i < 50; ++i) {
            data += "dir" + QByteArray(int(g.bounded(1, 30)), 'x');
            data += entry("C:\\P\\" + QByteArray::number(i) + "\\x.slt");
        }
        data += "directory=C:\\tail";
        const QStringList whole = MozillaRegistry::scan(data, 1000);
        QCOMPARE(whole.size(), 51);
        for (int run = 0; run < 50; ++run) {
            int calls = 0;
            MozillaRegistry r(1000, [&calls] { ++calls; });
            for (qsizetype pos = 0; pos < data.size();) {
                const qsizetype n = qMin<qsizetype>(g.bounded(1, 12), data.size() - pos);
                r.feed(data.constData() + pos, n);
                pos += n;
            }
            r.finish();
            QCOMPARE(r.paths(), whole);
            QCOMPARE(calls, 51);
        }
    }

    void stopsAtTheLimit() {
        QByteArray data;
        for (int i = 0; i < 1200; ++i)
            data += entry("C:\\P\\" + QByteArray::number(i));
        const QStringList paths = MozillaRegistry::scan(data, 1000);
        QCOMPARE(paths.size(), 1000);
        QCOMPARE(paths.last(), QStringLiteral("C:\\P\\999"));
    }

    void overlongRunIsNoPath() {
        QByteArray data = "directory=C:\\" + QByteArray(MozillaRegistry::kMaxPathBytes + 10, 'a');
        data += '\0';
        data += entry("C:\\ok");
        QCOMPARE(MozillaRegistry::scan(data, 10), QStringList{"C:\\ok"});
        // Without a zero byte the run goes to the end of the data and is dropped there.
        QCOMPARE(MozillaRegistry::scan("directory=" + QByteArray(40 * 1024 * 1024, 'z'), 10),
                 QStringList());
    }

    void garbageNeverBreaksTheScan() {
        QRandomGenerator g(11);
        const QByteArray letters("directory\0\\C:", 13);
        for (int run = 0; run < 3000; ++run) {
            QByteArray data(int(g.bounded(400)), '\0');
            for (char& c : data)
                c = g.bounded(3) ? letters[int(g.bounded(letters.size()))] : char(g.bounded(256));
            const QStringList paths = MozillaRegistry::scan(data, 5);
            QVERIFY(paths.size() <= 5);
            for (const QString& p : paths)
                QVERIFY(!p.isEmpty() && !p.contains(QChar(0)));
        }
        // Nothing but the marker, again and again: one run without a zero byte,
        // far too long for a path.
        const QByteArray markers = QByteArray("directory").repeated(100000);
        QCOMPARE(MozillaRegistry::scan(markers, 1000), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestMozillaRegistry)
#include "tst_mozillaregistry.moc"
