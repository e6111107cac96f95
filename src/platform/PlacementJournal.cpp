#include "platform/PlacementJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kLongestJournal = 256 * 1024 * 1024;

QString journalFolder(const QString& programFolder) {
    return programFolder + QStringLiteral("/placing");
}

QString why(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// ".<name>.restore-<pid>-<8 hex digits>", with exactly this pid.
bool isTemporaryOf(const QByteArray& leaf, pid_t pid) {
    const QByteArray tail = ".restore-" + QByteArray::number(pid) + '-';
    const qsizetype at = leaf.size() - 8 - tail.size();
    if (at < 2 || leaf.at(0) != '.' || leaf.mid(at, tail.size()) != tail) return false;
    for (const char c : leaf.mid(leaf.size() - 8))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// The folder with each component that is not there as written matched without
// regard to case, as the placing matched the folders it wrote into.
QByteArray foundFolder(const QByteArray& path) {
    QByteArray out;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty()) continue;
        QByteArray next = out + '/' + part;
        struct stat st {};
        if (::lstat(next.constData(), &st) != 0) {
            const QString wanted = QFile::decodeName(part);
            for (const QString& name : QDir(QFile::decodeName(out.isEmpty() ? "/" : out))
                                           .entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot))
                if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
                    next = out + '/' + QFile::encodeName(name);
                    break;
                }
        }
        out = next;
    }
    return out;
}

bool processGone(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

bool isPlacementTemporary(const QString& fileName) {
    static const QRegularExpression form(
        QStringLiteral("^\\..+\\.restore-([1-9][0-9]{0,9}-)?[0-9a-f]{8}$"),
        QRegularExpression::DotMatchesEverythingOption);
    return form.match(fileName).hasMatch();
}

PlacementJournal::PlacementJournal(QString programFolder) : folder_(std::move(programFolder)) {}

PlacementJournal::~PlacementJournal() {
    if (fd_ < 0) return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
}

bool PlacementJournal::open() {
    const QString dir = journalFolder(folder_);
    if (!QDir().mkpath(folder_) ||
        (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)) {
        error_ = QStringLiteral("cannot make the folder %1: %2").arg(dir, why(errno));
        return false;
    }
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString suffix;
    for (int i = 0; i < 10; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(36)]);
    path_ = dir + QStringLiteral("/%1-%2.journal").arg(::getpid()).arg(suffix);
    fd_ = ::open(QFile::encodeName(path_).constData(),
                 O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    error_ = QStringLiteral("cannot write the journal %1: %2").arg(path_, why(errno));
    if (fd_ >= 0) {
        ::unlink(QFile::encodeName(path_).constData());
        ::close(fd_);
        fd_ = -1;
    }
    return false;
}

QString PlacementJournal::temporaryFor(const QString& hostFolder, const QString& fileName) {
    if (fd_ < 0 && !open()) return {};
    const QString name = QStringLiteral(".%1.restore-%2-%3")
                             .arg(fileName)
                             .arg(::getpid())
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    // One line per file, whatever bytes its name holds.
    const QByteArray line =
        QFile::encodeName(QFileInfo(hostFolder).absoluteFilePath() + u'/' + name)
            .toPercentEncoding() +
        '\n';
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = QStringLiteral("cannot write the journal %1: %2").arg(path_, why(errno));
            return {};
        }
        done += n;
    }
    if (::fdatasync(fd_) != 0) {
        error_ = QStringLiteral("cannot write the journal %1: %2").arg(path_, why(errno));
        return {};
    }
    return name;
}

void PlacementJournal::removeLeftovers(const QString& programFolder) {
    static const QRegularExpression form(
        QStringLiteral("^([1-9][0-9]{0,8})-[a-z0-9]{10}\\.journal$"));
    const QDir dir(journalFolder(programFolder));
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = form.match(name);
        if (!m.hasMatch()) continue;
        const pid_t pid = pid_t(m.captured(1).toInt());
        if (!processGone(pid)) continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        QFile journal;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            st.st_size <= kLongestJournal && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            journal.open(fd, QIODevice::ReadOnly)) {
            for (const QByteArray& line : journal.readAll().split('\n')) {
                const QByteArray recorded = QByteArray::fromPercentEncoding(line.trimmed());
                const qsizetype slash = recorded.lastIndexOf('/');
                if (slash < 0 || recorded.contains('\0') ||
                    !isTemporaryOf(recorded.mid(slash + 1), pid))
                    continue;
                const QByteArray file = foundFolder(recorded.left(slash)) + recorded.mid(slash);
                struct stat f {};
                if (::lstat(file.constData(), &f) != 0 || !S_ISREG(f.st_mode) ||
                    f.st_uid != ::geteuid())
                    continue;
                ::unlink(file.constData());
            }
            journal.close();
            ::unlink(path.constData());
        }
        ::close(fd);
    }
}

} // namespace platform
