#include "restore/PathRewrite.h"

#include "platform/Encoding.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace restore {

PathRewrite::PathRewrite(QString from, QString to) : from_(std::move(from)), to_(std::move(to)) {}

namespace {
QString replaceFolder(const QString& text, const QString& from, const QString& to,
                      const QString& separator) {
    // The folder itself, or anything below it - never "C:\users\rootless".
    const QRegularExpression re(QRegularExpression::escape(from) +
                                    QStringLiteral("(?=%1|\"|'|;|\\x00|\\r|\\n|$)")
                                        .arg(QRegularExpression::escape(separator)),
                                QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype done = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(text).mid(done, m.capturedStart() - done);
        out += to;
        done = m.capturedEnd();
    }
    out += QStringView(text).mid(done);
    return out;
}
} // namespace

QString PathRewrite::apply(const QString& text) const {
    if (!active() || !text.contains(from_.section(QLatin1Char('\\'), -1), Qt::CaseInsensitive))
        return text;
    QString out = replaceFolder(text, from_, to_, QStringLiteral("\\"));
    QString doubledFrom = from_, doubledTo = to_;
    doubledFrom.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    doubledTo.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out = replaceFolder(out, doubledFrom, doubledTo, QStringLiteral("\\\\"));
    // Mozilla's prefs also name folders as "file:///C:/users/root/...".
    QString slashFrom = from_, slashTo = to_;
    slashFrom.replace(QLatin1Char('\\'), QLatin1Char('/'));
    slashTo.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return replaceFolder(out, slashFrom, slashTo, QStringLiteral("/"));
}

QString PathRewrite::RecordedUserFolder(const QStringList& texts) {
    static const QRegularExpression re(
        QStringLiteral(
            "([A-Za-z]:\\\\{1,2}(?:users|Documents and Settings)\\\\{1,2}([^\\\\\"\\x00;]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QHash<QString, int> counts;
    QHash<QString, QString> spelling;
    for (const QString& text : texts) {
        auto it = re.globalMatch(text);
        while (it.hasNext()) {
            const auto m = it.next();
            const QString user = m.captured(2).toLower();
            if (user == u"public" || user == u"all users" || user == u"default" ||
                user == u"default user")
                continue;
            QString folder = m.captured(1);
            folder.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            const QString key = folder.toLower();
            spelling.insert(key, folder);
            ++counts[key];
        }
    }
    QString best;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most || (it.value() == most && it.key() < best)) {
            most = it.value();
            best = it.key();
        }
    }
    return best.isEmpty() ? QString() : spelling.value(best);
}

QStringList PathRewrite::TextsOf(const QString& staging, const QStringList& entries) {
    QStringList texts;
    for (const QString& entry : entries) {
        QFile f(staging + QLatin1Char('/') + entry);
        if (f.open(QIODevice::ReadOnly)) texts << platform::decodeText(f.readAll());
    }
    return texts;
}

QStringList PathRewrite::StillNaming(const QString& staging, const QStringList& entries,
                                     const QString& folder, qint64 maxBytes) {
    QStringList out;
    if (folder.isEmpty()) return out;
    QString doubled = folder;
    doubled.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    QList<QByteArray> needles;
    for (const QString& form : {folder, doubled}) {
        const QString low = form.toLower();
        needles << platform::toAnsi(low) << low.toUtf8()
                << QByteArray(reinterpret_cast<const char*>(low.utf16()), low.size() * 2);
    }
    for (const QString& entry : entries) {
        QFile f(staging + QLatin1Char('/') + entry);
        if (f.size() > maxBytes || !f.open(QIODevice::ReadOnly)) continue;
        // Lower case is enough for the ASCII of a path's drive and folder names.
        const QByteArray bytes = f.readAll().toLower();
        for (const QByteArray& n : std::as_const(needles))
            if (!n.isEmpty() && bytes.contains(n)) {
                out << entry;
                break;
            }
    }
    return out;
}

} // namespace restore
