// The Maildir and mbox writers: Python's mailbox module reads back every message with
// its status; a broken message goes whole to "damaged" and nowhere else; a target that
// holds files is refused.

#include "mail/DbxReader.h"
#include "mail/MailTarget.h"
#include "support/DbxWriter.h"
#include "support/MailboxCheck.h"
#include "support/SampleMail.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using mail::MailTarget;
using mail::MessageStatus;

class MailTargetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pythonReadsEveryFolder_data() {
        QTest::addColumn<bool>("mbox");
        QTest::newRow("maildir") << false;
        QTest::newRow("mbox") << true;
    }
    void pythonReadsEveryFolder() {
        QFETCH(bool, mbox);
        const auto format = mbox ? MailTarget::Format::Mbox : MailTarget::Format::Maildir;
        QTemporaryDir dir;
        QString error;
        auto target = MailTarget::create(dir.filePath(QStringLiteral("out")), format, &error);
        QVERIFY2(target, qPrintable(error));
        // Nesting, a non-Latin name, a '/' in a name, names the formats use themselves.
        const QList<QStringList> folders{
            {QStringLiteral("Inbox")},
            {QStringLiteral("Inbox"), QStringLiteral("\u0421\u0435\u043c\u044c\u044f")},
            {QStringLiteral("Work/2003")},
            {QStringLiteral("cur")}};
        const QList<QByteArray> messages = support::sampleMessages("a@example.com", "t") +
                                           QList<QByteArray>{"From: x\n\nno CRLF, no end"};
        for (const QStringList& path : folders) {
            mail::MessageSink* sink = target->folder(path, &error);
            QVERIFY2(sink, qPrintable(error));
            QStringList expected;
            for (qsizetype i = 0; i < messages.size(); ++i) {
                const quint8 flags = quint8(i * 5 % 16);
                QVERIFY(sink->begin({flags, {}}));
                // In pieces that cut lines (and "From ") anywhere.
                for (qsizetype at = 0; at < messages[i].size(); at += 7)
                    QVERIFY(sink->append(QByteArrayView(messages[i])
                                             .sliced(at)
                                             .first(qMin<qsizetype>(7, messages[i].size() - at))));
                QVERIFY(sink->commit());
                QByteArray m = messages[i];
                if (mbox && !m.endsWith('\n')) m += '\n';
                expected << support::mailboxLine(m, support::expectedFlags(flags, mbox));
            }
            std::sort(expected.begin(), expected.end());
            const QString file =
                support::folderLocation(dir.filePath(QStringLiteral("out")), path, mbox);
            QCOMPARE(support::pythonMailbox(file, mbox, &error), expected);
        }
        QCOMPARE(target->counts().size(), folders.size());
        QCOMPARE(target->counts()[1].written, messages.size());
    }

    void brokenMessageGoesToDamaged_data() { pythonReadsEveryFolder_data(); }
    void brokenMessageGoesToDamaged() {
        QFETCH(bool, mbox);
        const auto format = mbox ? MailTarget::Format::Mbox : MailTarget::Format::Maildir;
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("Inbox.dbx"));
        const QList<QByteArray> messages = support::sampleMessages("a@example.com", "b");
        const QList<quint32> chains = support::writeDbx(store, messages);
        QVERIFY(chains.size() == 4 && support::breakDbxChain(store, chains[2]));

        QString error;
        const QString out = dir.filePath(QStringLiteral("out"));
        auto target = MailTarget::create(out, format, &error);
        QFile f(store);
        QVERIFY(f.open(QIODevice::ReadOnly));
        mail::DbxReader reader(f);
        QVERIFY(reader.open());
        const auto outcome =
            reader.readMessages(*target->folder({QStringLiteral("Inbox")}, &error));
        QCOMPARE(outcome.written, 3);
        QCOMPARE(outcome.damaged, 1);
        QStringList expected;
        for (int i : {0, 1, 3})
            expected << support::mailboxLine(messages[i],
                                             support::expectedFlags(MessageStatus::Read, mbox));
        std::sort(expected.begin(), expected.end());
        QCOMPARE(support::pythonMailbox(
                     support::folderLocation(out, {QStringLiteral("Inbox")}, mbox), mbox, &error),
                 expected);
        QFile damaged(out + QStringLiteral("/damaged/Inbox.2.eml"));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), messages[2].left(0x200));
        QCOMPARE(QDir(out + QStringLiteral("/damaged")).count(), 3u); // ".", "..", the one
    }

    void refusesTargetsThatHoldFiles() {
        QTemporaryDir dir;
        QString error;
        QFile file(dir.filePath(QStringLiteral("old.eml")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!MailTarget::create(dir.path(), MailTarget::Format::Maildir, &error));
        QVERIFY(error.contains(dir.path()));
        QVERIFY(!MailTarget::create(file.fileName(), MailTarget::Format::Mbox, &error));
        QVERIFY(error.contains(file.fileName()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"old.eml"});
    }
};

QTEST_GUILESS_MAIN(MailTargetTest)
#include "tst_mailtarget.moc"
