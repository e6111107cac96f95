// The Outlook Express store reader: the sample's real stores read back byte for byte,
// in agreement with undbx; broken and garbled stores give damaged messages and named
// problems, never a crash or a hang.

#include "mail/DbxReader.h"
#include "support/DbxWriter.h"
#include "support/MailboxCheck.h"
#include "support/SampleMail.h"
#include "support/SamplePrefix.h"
#include "support/clients/OutlookExpressSample.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <functional>

using mail::DbxReader;
using support::DbxWriter;

namespace {
QList<QByteArray> sorted(QList<QByteArray> l) {
    std::sort(l.begin(), l.end());
    return l;
}
} // namespace

class DbxReaderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sampleStoresAgreeWithUndbx() {
        support::SamplePrefix p;
        const support::OutlookExpressInstall oe = support::addOutlookExpress(p);
        const QList<std::pair<QString, QList<QByteArray>>> stores{
            {oe.annStore + QStringLiteral("\\Inbox.dbx"), oe.annInbox},
            {oe.annStore + QStringLiteral("\\Sent Items.dbx"), oe.annSentItems},
            {QStringLiteral("C:\\Mail\\Bjorn\\Inbox.dbx"), oe.bobInbox}};
        for (const auto& [store, written] : stores) {
            const QString path = p.hostPath(store);
            support::CollectedMail ours;
            bool opened = false;
            const DbxReader::Outcome o = support::readDbx(path, ours, &opened);
            QVERIFY2(opened && o.problems.isEmpty(), qPrintable(o.problems.join(u'\n')));
            QCOMPARE(ours.messages, written);
            // The sample's statuses: read; read and answered; flagged; read and forwarded.
            using S = mail::MessageStatus;
            const quint8 status[] = {S::Read, S::Read | S::Replied, S::Flagged,
                                     S::Read | S::Forwarded};
            for (qsizetype i = 0; i < written.size(); ++i)
                QCOMPARE(ours.statuses[i].flags, status[i]);
            QCOMPARE(ours.statuses[1].received.toSecsSinceEpoch(), 1049187600 + 3600);
            QString error;
            const QList<QByteArray> theirs = support::undbxMessages(path, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(theirs, sorted(written));
        }
    }

    void folderList() {
        QTemporaryDir dir;
        // The folder list: names in the ANSI code page or UTF-8, a loop of parents.
        DbxWriter list(dir.filePath(QStringLiteral("Folders.dbx")), DbxWriter::Kind::Folders);
        list.addFolder(0, 0xFFFFFFFF, "Outlook Express", {});
        list.addFolder(1, 0, "Local Folders", {});
        list.addFolder(7, 1, "Entw\xfcrfe", "Entw\xfcrfe.dbx");
        list.addFolder(8, 7, "\xd0\xa1\xd0\xb5\xd0\xbc\xd1\x8c\xd1\x8f", "Family.dbx");
        list.addFolder(9, 10, "Loop", {});
        list.addFolder(10, 9, "Back", {});
        QVERIFY(list.finish());
        QFile f(dir.filePath(QStringLiteral("Folders.dbx")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        DbxReader r(f);
        QVERIFY(r.open());
        QCOMPARE(r.kind(), DbxReader::Kind::Folders);
        QStringList problems;
        const QList<DbxReader::Folder> folders = r.folders(&problems);
        QCOMPARE(folders.size(), 6);
        QCOMPARE(DbxReader::folderPath(folders, 8),
                 QStringList({QStringLiteral("Local Folders"), QStringLiteral("Entw\u00fcrfe"),
                              QStringLiteral("\u0421\u0435\u043c\u044c\u044f")}));
        QCOMPARE(folders[2].file, QStringLiteral("Entw\u00fcrfe.dbx"));
        QVERIFY(DbxReader::folderPath(folders, 9).isEmpty());
    }

    void brokenStores_data() {
        QTest::addColumn<std::function<void(QByteArray&, const QList<quint32>&)>>("spoil");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("written");
        QTest::addColumn<QList<qint64>>("damagedAt");
        using Spoil = std::function<void(QByteArray&, const QList<quint32>&)>;
        const auto put = [](QByteArray& b, qint64 at, quint32 v) {
            if (at + 4 <= b.size()) qToLittleEndian<quint32>(v, b.data() + at);
        };
        QTest::newRow("whole") << Spoil([](QByteArray&, const QList<quint32>&) {}) << true << 4
                               << QList<qint64>{};
        QTest::newRow("second block not itself")
            << Spoil([&](QByteArray& b, const QList<quint32>& c) { put(b, c[1] + 0x210, 7); })
            << true << 3 << QList<qint64>{1};
        QTest::newRow("chain loops on itself")
            << Spoil([&](QByteArray& b, const QList<quint32>& c) { put(b, c[2] + 12, c[2]); })
            << true << 3 << QList<qint64>{2};
        QTest::newRow("chain leaves the file")
            << Spoil([&](QByteArray& b, const QList<quint32>& c) { put(b, c[3] + 12, 0x7FFFFFF0); })
            << true << 3 << QList<qint64>{3};
        QTest::newRow("block claims more text than it holds")
            << Spoil([&](QByteArray& b, const QList<quint32>& c) { put(b, c[0] + 8, 0xFFFF); })
            << true << 3 << QList<qint64>{0};
        QTest::newRow("root out of the file")
            << Spoil([&](QByteArray& b, const QList<quint32>&) { put(b, 0xE4, 0xFFFFFF00); })
            << true << 0 << QList<qint64>{};
        QTest::newRow("cut in the index")
            << Spoil([](QByteArray& b, const QList<quint32>&) { b.chop(100); }) << true << 0
            << QList<qint64>{};
        QTest::newRow("cut in the header")
            << Spoil([](QByteArray& b, const QList<quint32>&) { b.truncate(0x2000); }) << false << 0
            << QList<qint64>{};
        QTest::newRow("not a store")
            << Spoil([&](QByteArray& b, const QList<quint32>&) { put(b, 0, 0x04034B50); }) << false
            << 0 << QList<qint64>{};
    }

    void brokenStores() {
        QFETCH(std::function<void(QByteArray&, const QList<quint32>&)>, spoil);
        QFETCH(bool, opens);
        QFETCH(int, written);
        QFETCH(QList<qint64>, damagedAt);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Inbox.dbx"));
        const QList<QByteArray> messages = support::sampleMessages("a@example.com", "x");
        const QList<quint32> chains = support::writeDbx(path, messages);
        QVERIFY(!chains.isEmpty());
        QVERIFY(support::rewriteFile(path, [&](QByteArray& b) { spoil(b, chains); }));

        support::CollectedMail got;
        bool opened = false;
        const DbxReader::Outcome o = support::readDbx(path, got, &opened);
        QCOMPARE(opened, opens);
        QCOMPARE(got.messages.size(), written);
        QCOMPARE(got.damagedAt, damagedAt);
        for (const QByteArray& m : got.messages)
            QVERIFY(messages.contains(m));
        // A damaged message holds the start of what was written, up to the break.
        for (qsizetype i = 0; i < got.damaged.size(); ++i)
            QVERIFY(messages[got.damagedAt[i]].startsWith(got.damaged[i]));
        QCOMPARE(o.problems.isEmpty(), got.messages.size() == messages.size());
        if (!opens) QCOMPARE(o.problems, QStringList{"not an Outlook Express store (.dbx)"});
    }

    // Random bytes over random places of a store: every run ends, and every message
    // the index lists is either written or damaged.
    void garbledStoresEnd() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Inbox.dbx"));
        QList<QByteArray> messages; // a tree of more than one level
        for (int i = 0; i < 120; ++i)
            messages << support::sampleMessages("a@example.com", QByteArray::number(i))[i % 4];
        QVERIFY(!support::writeDbx(path, messages).isEmpty());
        QByteArray clean;
        QVERIFY(support::rewriteFile(path, [&](QByteArray& b) { clean = b; }));
        QRandomGenerator rng(0xDB);
        for (int round = 0; round < 300; ++round) {
            QVERIFY(support::rewriteFile(path, [&](QByteArray& b) {
                b = clean;
                for (int n = 1 + rng.bounded(8); n > 0; --n)
                    b[rng.bounded(qint32(b.size()))] = char(rng.bounded(256));
            }));
            support::CollectedMail got;
            bool opened = false;
            const DbxReader::Outcome o = support::readDbx(path, got, &opened);
            QCOMPARE(o.written + o.damaged, o.found);
            QCOMPARE(got.messages.size() + got.damaged.size(), o.found);
        }
    }
};

QTEST_GUILESS_MAIN(DbxReaderTest)
#include "tst_dbxreader.moc"
