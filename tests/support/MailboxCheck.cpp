#include "support/MailboxCheck.h"

#include "mail/MailTarget.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace support {

namespace {
const char* const kScript = R"PY(
import hashlib, mailbox, re, sys
path, kind = sys.argv[1], sys.argv[2]
box = mailbox.mbox(path, create=False) if kind == 'mbox' else mailbox.Maildir(path, factory=None, create=False)
out = []
for key in box.keys():
    m = box[key]
    data = box.get_bytes(key)
    if kind == 'mbox':
        # Our own lines out again: the status lines end the header.
        data = re.sub(rb'(?m)^(Status: [RO]+|X-Status: [AF]+)\r?\n', b'', data, count=2)
        data = re.sub(rb'(?m)^>(>*From )', rb'\1', data)
    out.append(''.join(sorted(m.get_flags())) + ' ' + hashlib.sha256(data).hexdigest())
print('\n'.join(sorted(out)))
)PY";
} // namespace

QStringList pythonMailbox(const QString& path, bool mbox, QString* error) {
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kScript), path,
                                        mbox ? QStringLiteral("mbox") : QStringLiteral("maildir")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QString mailboxLine(const QByteArray& message, const QString& flags) {
    QString f = flags;
    std::sort(f.begin(), f.end());
    return f + u' ' +
           QString::fromLatin1(
               QCryptographicHash::hash(message, QCryptographicHash::Sha256).toHex());
}

bool CollectedMail::begin(const mail::MessageStatus& s) {
    current_.clear();
    status_ = s;
    damagedAt_ = -1;
    return true;
}

bool CollectedMail::beginDamaged(qint64 position) {
    current_.clear();
    damagedAt_ = position;
    return true;
}

bool CollectedMail::append(QByteArrayView bytes) {
    current_ += bytes;
    return true;
}

bool CollectedMail::commit() {
    if (damagedAt_ >= 0) {
        damagedAt << damagedAt_;
        damaged << current_;
    } else {
        messages << current_;
        statuses << status_;
    }
    return true;
}

mail::DbxReader::Outcome readDbx(const QString& path, CollectedMail& sink, bool* opened) {
    QFile f(path);
    mail::DbxReader r(f);
    *opened = f.open(QIODevice::ReadOnly) && r.open();
    if (*opened) return r.readMessages(sink);
    mail::DbxReader::Outcome o;
    o.problems << r.error();
    return o;
}

QString expectedFlags(quint8 status, bool mbox) {
    using S = mail::MessageStatus;
    QString s;
    if (!mbox) {
        for (auto [flag, letter] : {std::pair{S::Read, u'S'},
                                    {S::Replied, u'R'},
                                    {S::Forwarded, u'P'},
                                    {S::Flagged, u'F'}})
            if (status & flag) s += letter;
        return s;
    }
    s = status & S::Read ? QStringLiteral("RO") : QStringLiteral("O");
    if (status & S::Replied) s += u'A';
    if (status & S::Flagged) s += u'F';
    return s;
}

QString folderLocation(const QString& root, QStringList path, bool mbox) {
    for (QString& name : path)
        name = mail::folderFileName(name);
    if (!mbox) return root + u'/' + path.join(u'/');
    return root + u'/' + path.join(QStringLiteral(".sbd/")) + QStringLiteral(".mbox");
}

QList<QByteArray> undbxMessages(const QString& dbx, QString* error) {
    QTemporaryDir out;
    QProcess p;
    p.start(QStringLiteral("undbx"), {dbx, out.path()});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        *error = QStringLiteral("undbx did not finish: ") + p.errorString();
        return {};
    }
    QList<QByteArray> messages;
    QDirIterator it(out.path(), {QStringLiteral("*.eml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) messages << f.readAll();
    }
    std::sort(messages.begin(), messages.end());
    return messages;
}

} // namespace support
