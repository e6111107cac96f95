#include "mail/FolderWriters.h"

#include <QDir>
#include <QLocale>

namespace mail {

QString FolderWriter::damagedPath(qint64 position) {
    return damagedDir_ + u'/' + name_ + u'.' + QString::number(position) + QStringLiteral(".eml");
}

bool FolderWriter::fail(const QString& what, const QFile& f) {
    error_ = QStringLiteral("%1 %2: %3").arg(what, f.fileName(), f.errorString());
    return false;
}

// --- Maildir ---------------------------------------------------------------------------

MaildirFolder::MaildirFolder(const QString& dir, const QString& damagedDir, const QString& name,
                             quint64& sequence)
    : FolderWriter(damagedDir, name), dir_(dir), sequence_(sequence) {
    for (const char* sub : {"cur", "new", "tmp"})
        if (!QDir().mkpath(dir_ + u'/' + QLatin1String(sub)))
            error_ = QStringLiteral("cannot make the folder %1/%2").arg(dir_, QLatin1String(sub));
}

bool MaildirFolder::open(const QDateTime& when) {
    const qint64 secs =
        (when.isValid() ? when : QDateTime::currentDateTimeUtc()).toSecsSinceEpoch();
    unique_ = QStringLiteral("%1.%2.postora").arg(qMax<qint64>(secs, 0)).arg(++sequence_);
    file_.setFileName(dir_ + QStringLiteral("/tmp/") + unique_);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(QStringLiteral("cannot write"), file_);
    return true;
}

bool MaildirFolder::begin(const MessageStatus& status) {
    flags_.clear(); // in ASCII order, as the Maildir rules want them
    if (status.has(MessageStatus::Flagged)) flags_ += u'F';
    if (status.has(MessageStatus::Forwarded)) flags_ += u'P';
    if (status.has(MessageStatus::Replied)) flags_ += u'R';
    if (status.has(MessageStatus::Read)) flags_ += u'S';
    damagedAt_ = -1;
    return open(status.received);
}

bool MaildirFolder::beginDamaged(qint64 position) {
    damagedAt_ = position;
    return open({});
}

bool MaildirFolder::append(QByteArrayView bytes) {
    if (file_.write(bytes.data(), bytes.size()) != bytes.size())
        return fail(QStringLiteral("cannot write"), file_);
    return true;
}

bool MaildirFolder::commit() {
    if (!file_.flush()) return fail(QStringLiteral("cannot write"), file_);
    file_.close();
    QString to;
    if (damagedAt_ >= 0) {
        if (!QDir().mkpath(damagedDir_)) {
            error_ = QStringLiteral("cannot make the folder %1").arg(damagedDir_);
            return false;
        }
        to = damagedPath(damagedAt_);
    } else {
        to = dir_ + QStringLiteral("/cur/") + unique_ + QStringLiteral(":2,") + flags_;
    }
    if (QFile::exists(to) || !file_.rename(to)) return fail(QStringLiteral("cannot move"), file_);
    ++(damagedAt_ >= 0 ? damaged_ : written_);
    return true;
}

void MaildirFolder::abort() {
    if (file_.isOpen()) file_.close();
    file_.remove();
}

// --- mbox ------------------------------------------------------------------------------

namespace {
// The date of a "From " line: "Thu Jan  1 00:00:00 1970", in UTC.
QByteArray asctime(const QDateTime& when) {
    const QDateTime t = (when.isValid() ? when : QDateTime::currentDateTimeUtc()).toUTC();
    const QLocale c = QLocale::c();
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(c.dayName(t.date().dayOfWeek(), QLocale::ShortFormat),
             c.monthName(t.date().month(), QLocale::ShortFormat))
        .arg(t.date().day(), 2)
        .arg(t.time().toString(QStringLiteral("hh:mm:ss")))
        .arg(t.date().year())
        .toLatin1();
}
constexpr char kFrom[] = "From ";
} // namespace

MboxFolder::MboxFolder(const QString& path, const QString& damagedDir, const QString& name)
    : FolderWriter(damagedDir, name), file_(path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        fail(QStringLiteral("cannot write"), file_);
}

bool MboxFolder::put(QByteArrayView bytes) {
    if (file_.write(bytes.data(), bytes.size()) != bytes.size())
        return fail(QStringLiteral("cannot write"), file_);
    return true;
}

bool MboxFolder::begin(const MessageStatus& status) {
    inDamaged_ = false;
    start_ = file_.pos();
    statusLines_ = status.has(MessageStatus::Read) ? "Status: RO\n" : "Status: O\n";
    QByteArray x;
    if (status.has(MessageStatus::Replied)) x += 'A';
    if (status.has(MessageStatus::Flagged)) x += 'F';
    if (!x.isEmpty()) statusLines_ += "X-Status: " + x + '\n';
    lineStart_ = inHeader_ = true;
    pendingCr_ = false;
    quotes_ = 0;
    fromMatched_ = 0;
    last_ = '\n';
    return put("From - " + asctime(status.received) + '\n');
}

bool MboxFolder::beginDamaged(qint64 position) {
    inDamaged_ = true;
    if (!QDir().mkpath(damagedDir_)) {
        error_ = QStringLiteral("cannot make the folder %1").arg(damagedDir_);
        return false;
    }
    damagedFile_.setFileName(damagedPath(position));
    if (!damagedFile_.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(QStringLiteral("cannot write"), damagedFile_);
    return true;
}

bool MboxFolder::endOfHeader(QByteArrayView eol) {
    QByteArray lines = statusLines_;
    if (eol.size() == 2) lines.replace("\n", "\r\n");
    inHeader_ = false;
    return put(lines) && put(eol);
}

bool MboxFolder::append(QByteArrayView bytes) {
    if (inDamaged_) {
        if (damagedFile_.write(bytes.data(), bytes.size()) != bytes.size())
            return fail(QStringLiteral("cannot write"), damagedFile_);
        return true;
    }
    // Runs of bytes in the middle of lines are written as they are; only the first
    // bytes of each line are looked at.
    qsizetype run = 0;
    const auto flush = [&](qsizetype end) {
        const bool ok = end <= run || put(bytes.sliced(run, end - run));
        run = end;
        return ok;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (!lineStart_) {
            if (c == '\n') lineStart_ = true;
            continue;
        }
        if (!flush(i)) return false;
        run = i + 1; // this byte is handled here
        if (pendingCr_) {
            pendingCr_ = false;
            if (c == '\n') {
                if (!endOfHeader("\r\n")) return false;
                continue;
            }
            if (!put("\r")) return false;
            lineStart_ = false;
            run = i; // the byte is an ordinary one of the line
            continue;
        }
        if (inHeader_ && quotes_ == 0 && fromMatched_ == 0 && (c == '\r' || c == '\n')) {
            if (c == '\r') {
                pendingCr_ = true;
            } else if (!endOfHeader("\n")) {
                return false;
            }
            continue;
        }
        if (fromMatched_ == 0 && c == '>') {
            ++quotes_;
            continue;
        }
        if (c == kFrom[fromMatched_]) {
            if (++fromMatched_ < 5) continue;
            if (!put(QByteArray(quotes_ + 1, '>') + kFrom)) return false;
        } else {
            if (!put(QByteArray(quotes_, '>') + QByteArray(kFrom, fromMatched_))) return false;
            run = i;
            if (c == '\n') { // an empty or '>'-only line
                quotes_ = 0;
                fromMatched_ = 0;
                continue;
            }
        }
        quotes_ = 0;
        fromMatched_ = 0;
        lineStart_ = false;
    }
    if (!flush(bytes.size())) return false;
    if (!bytes.isEmpty()) last_ = bytes.back();
    return true;
}

bool MboxFolder::commit() {
    if (inDamaged_) {
        if (!damagedFile_.flush()) return fail(QStringLiteral("cannot write"), damagedFile_);
        damagedFile_.close();
        ++damaged_;
        return true;
    }
    QByteArray tail;
    if (pendingCr_) tail += '\r';
    tail += QByteArray(quotes_, '>') + QByteArray(kFrom, fromMatched_);
    if (!tail.isEmpty()) last_ = tail.back();
    if (inHeader_) {
        if (last_ != '\n') tail += '\n';
        tail += statusLines_;
        last_ = '\n';
    }
    if (last_ != '\n') tail += '\n';
    tail += '\n';
    if (!put(tail) || !file_.flush()) return false;
    ++written_;
    return true;
}

void MboxFolder::abort() {
    if (inDamaged_) {
        damagedFile_.close();
        damagedFile_.remove();
        return;
    }
    file_.resize(start_);
    file_.seek(start_);
}

} // namespace mail
