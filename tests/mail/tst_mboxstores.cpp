// The mbox-like stores, split by each client's own separator rule: every message comes
// back as the store holds it, with Eudora's status from its table of contents.

#include "mail/MboxStoreReader.h"
#include "support/MailboxCheck.h"
#include "support/SampleMail.h"

#include <QBuffer>
#include <QTest>

using mail::MboxStoreReader;
using mail::MessageStatus;

class MboxStoresTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsByTheClientsRule_data() {
        QTest::addColumn<MboxStoreReader::Rule>("rule");
        QTest::addColumn<QByteArray>("separator");
        QTest::addColumn<bool>("quoted");
        QTest::addColumn<bool>("withToc");
        const auto eudora = MboxStoreReader::Rule::EudoraStyle;
        const auto mozilla = MboxStoreReader::Rule::AfterEmptyLine;
        // Body lines starting "From " stay unquoted in Eudora's stores.
        QTest::newRow("Eudora") << eudora << QByteArray("From ???@??? Mon Feb 10 09:12:44 2003\r\n")
                                << false << false;
        QTest::newRow("Eudora with .toc")
            << eudora << QByteArray("From ???@??? Mon Feb 10 09:12:44 2003\r\n") << false << true;
        QTest::newRow("PocoMail") << eudora
                                  << QByteArray("From ???@??? Tue Apr 01 09:10:00 2003\r\n")
                                  << false << false;
        QTest::newRow("Netscape 4")
            << mozilla << QByteArray("From - Tue Apr 01 09:10:00 2003\r\n") << true << false;
        QTest::newRow("Mozilla, LF")
            << mozilla << QByteArray("From - Tue Apr  1 09:10:00 2003\n") << true << false;
        QTest::newRow("Opera 6") << mozilla
                                 << QByteArray("From olga@example.net Tue Apr 01 09:10:00 2003\r\n")
                                 << true << false;
    }
    void splitsByTheClientsRule() {
        QFETCH(MboxStoreReader::Rule, rule);
        QFETCH(QByteArray, separator);
        QFETCH(bool, quoted);
        QFETCH(bool, withToc);
        const QList<QByteArray> messages = support::sampleMessages("a@example.com", "m");
        QList<qint64> offsets;
        QByteArray store = support::mboxLikeStore(messages, separator, quoted, &offsets);
        QBuffer in(&store);
        QVERIFY(in.open(QIODevice::ReadOnly));
        MboxStoreReader reader(in, rule);
        const QList<int> states{0, 1, 2, 3};
        if (withToc) {
            QByteArray toc = support::eudoraToc(offsets, states);
            QBuffer t(&toc);
            QVERIFY(t.open(QIODevice::ReadOnly));
            reader.setStatuses(mail::eudoraStatuses(t));
        }
        support::CollectedMail got;
        const MboxStoreReader::Outcome o = reader.read(got);
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.written, messages.size());
        for (qsizetype i = 0; i < messages.size(); ++i) {
            QCOMPARE(got.messages[i], quoted ? support::quoteFromLines(messages[i]) : messages[i]);
            const quint8 expected[] = {0, MessageStatus::Read,
                                       MessageStatus::Read | MessageStatus::Replied,
                                       MessageStatus::Read | MessageStatus::Forwarded};
            QCOMPARE(got.statuses[i].flags, withToc ? expected[i] : quint8(0));
        }
    }
};

QTEST_GUILESS_MAIN(MboxStoresTest)
#include "tst_mboxstores.moc"
