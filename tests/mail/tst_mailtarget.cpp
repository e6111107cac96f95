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

namespace {
// Maildir's flag letters, or those Python's mbox reads from Status and X-Status.
QString flagsFor(quint8 f, MailTarget::Format format) {
    QString s;
    if (format == MailTarget::Format::Maildir) {
        for (auto [flag, letter] : {std::pair{MessageStatus::Read, u'S'},
                                    {MessageStatus::Replied, u'R'},
                                    {MessageStatus::Forwarded, u'P'},
                                    {MessageStatus::Flagged, u'F'}})
            if (f & flag) s += letter;
        return s;
    }
    s = f & MessageStatus::Read ? QStringLiteral("RO") : QStringLiteral("O");
    if (f & MessageStatus::Replied) s += u'A';
    if (f & MessageStatus::Flagged) s += u'F';
    return s;
}

QString folderFile(const QString& root, QStringList path, MailTarget::Format format) {
    for (QString& name : path)
        name = mail::folderFileName(name);
    if (format == MailTarget::Format::Maildir) return root + u'/' + path.join(u'/');
    return root + u'/' + path.join(QStringLiteral(".sbd/")) + QStringLiteral(".mbox");
}
} // namespace

class MailTargetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pythonReadsEveryFolder_data() {
        QTest::addColumn<MailTarget::Format>("format");
        QTest::newRow("maildir") << MailTarget::Format::Maildir;
        QTest::newRow("mbox") << MailTarget::Format::Mbox;
    }
    void pythonReadsEveryFolder() {
        QFETCH(MailTarget::Format, format);
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
                if (format == MailTarget::Format::Mbox && !m.endsWith('\n')) m += '\n';
                expected << support::mailboxLine(m, flagsFor(flags, format));
            }
            std::sort(expected.begin(), expected.end());
            const QString file = folderFile(dir.filePath(QStringLiteral("out")), path, format);
            QCOMPARE(support::pythonMailbox(file, format == MailTarget::Format::Mbox, &error),
                     expected);
        }
        QCOMPARE(target->counts().size(), folders.size());
        QCOMPARE(target->counts()[1].written, messages.size());
    }

    void brokenMessageGoesToDamaged_data() { pythonReadsEveryFolder_data(); }
    void brokenMessageGoesToDamaged() {
        QFETCH(MailTarget::Format, format);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("Inbox.dbx"));
        const QList<QByteArray> messages = support::sampleMessages("a@example.com", "b");
        support::DbxWriter w(store, support::DbxWriter::Kind::Messages);
        for (const QByteArray& m : messages)
            w.addMessage(m, support::DbxWriter::Read);
        QVERIFY(w.finish() && support::breakDbxChain(store, w.chains()[2]));

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
            expected << support::mailboxLine(messages[i], flagsFor(MessageStatus::Read, format));
        std::sort(expected.begin(), expected.end());
        QCOMPARE(support::pythonMailbox(folderFile(out, {QStringLiteral("Inbox")}, format),
                                        format == MailTarget::Format::Mbox, &error),
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
