#include "clients/IdentityRules.h"

namespace clients {

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

QString CutAtLastBackslash(const QString& text) {
    const qsizetype pos = text.lastIndexOf(QLatin1Char('\\'));
    return pos < 0 ? text : text.left(pos);
}

QString PegasusUserName(const QString& line) {
    const qsizetype semi = line.lastIndexOf(QLatin1Char(';'));
    if (semi < 0) return line;
    // Characters from index 2 up to, not including, the last ';'.
    return semi > 2 ? line.mid(2, semi - 2) : QString();
}

QStringList PegasusUsers(const QString& fileText) {
    QStringList users;
    for (const QString& line : SplitLines(fileText))
        if (!line.isEmpty()) users.append(PegasusUserName(line));
    return users;
}

QString OperaAccountCut(const QString& line) {
    if (!line.contains(QLatin1Char('?'))) return line;
    const qsizetype len = line.size();
    const qsizetype thirdLast = len - 3; // 0-based index of the third-last character
    for (qsizetype k = thirdLast; k >= 0; --k)
        if (line[k] == QLatin1Char('?')) return line.mid(k + 1, thirdLast - k);
    return line.left(qMax<qsizetype>(0, len - 2));
}

QStringList OperaAccounts(const QString& fileText) {
    QStringList accounts;
    bool inSection = false;
    for (const QString& line : SplitLines(fileText)) {
        if (line.contains(QLatin1Char('['))) inSection = false;
        if (inSection) accounts.append(OperaAccountCut(line));
        if (line.compare(QLatin1String("[accounts]"), Qt::CaseInsensitive) == 0) inSection = true;
    }
    return accounts;
}

QString MozillaIdentityName(const QString& profilePath, int position) {
    const qsizetype last = profilePath.lastIndexOf(QLatin1Char('\\'));
    if (last > 0) {
        const qsizetype before = profilePath.lastIndexOf(QLatin1Char('\\'), last - 1);
        if (before >= 0 && last - before > 1) return profilePath.mid(before + 1, last - before - 1);
    }
    const QString own = profilePath.mid(last + 1);
    if (!own.isEmpty()) return own;
    return QStringLiteral("Profile %1").arg(position);
}

} // namespace clients
