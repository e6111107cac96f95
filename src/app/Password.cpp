#include "app/Password.h"

#include "platform/Encoding.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <vector>

namespace app {

namespace {

// The length byte holds n + 2 + F with at most 32 filler bytes.
constexpr int kMaxPasswordBytes = 255 - 2 - 32;

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

} // namespace

QString EncodePassword(const QString& password) {
    return EncodePassword(password,
                          [](int k) { return int(QRandomGenerator::global()->bounded(k)); });
}

QString EncodePassword(const QString& password, const std::function<int(int)>& random) {
    const QByteArray plain = password.toUtf8();
    const int n = int(plain.size());
    if (n == 0 || n > kMaxPasswordBytes) return {};
    auto rnd = [&](int k) { return quint8(random(k)); };

    const quint8 first = quint8(plain[0]);
    const quint8 k = rnd(255);
    const int f = first % 30 + rnd(4);
    const int l = n + 2 + f;
    std::vector<quint8> b(size_t(l) + 2, 0);
    for (int i = 1; i <= n; ++i)
        b[size_t(i)] = quint8(plain[i - 1]);
    b[size_t(n) + 1] = k;
    for (int i = 1; i <= n; ++i)
        b[size_t(i)] = quint8(b[size_t(i)] + k + 12 * (i - 1));
    for (int j = 1; j <= f; ++j)
        b[size_t(n + 1 + j)] = rnd(255);
    b[size_t(n + 2 + f)] = quint8(f);
    b[0] = quint8(l);
    const quint8 r = rnd(255);
    for (int p = 0; p <= l; ++p)
        b[size_t(p)] = quint8(b[size_t(p)] + r);
    b[size_t(l) + 1] = r;

    const QByteArray bytes(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString DecodePassword(const QString& text) {
    if (text.isEmpty()) return {};
    // Every scrambled text has an even number of digits, at least five bytes
    // (one password byte) and at most 257 (the length byte counts to 255).
    const qsizetype digits = text.size();
    if (digits % 2 != 0 || digits < 10 || digits > 2 * 257) return {};
    std::vector<quint8> d(size_t(digits / 2));
    for (size_t i = 0; i < d.size(); ++i) {
        const int hi = hexDigit(text[qsizetype(2 * i)]);
        const int lo = hexDigit(text[qsizetype(2 * i + 1)]);
        if (hi < 0 || lo < 0) return {};
        d[i] = quint8(hi * 16 + lo);
    }
    const int m = int(d.size()) - 2;
    const quint8 r = d[size_t(m) + 1];
    for (int p = 0; p <= m; ++p)
        d[size_t(p)] = quint8(d[size_t(p)] - r);
    const int f = d[size_t(m)];
    if (d[0] != m) // the length byte must match the text's length
        return {};
    const int n = m - f - 2;
    if (n < 1) return {};
    const quint8 k = d[size_t(n) + 1];
    QByteArray plain(n, '\0');
    for (int i = 1; i <= n; ++i)
        plain[i - 1] = char(quint8(d[size_t(i)] - k - 12 * (i - 1)));
    return platform::decodeText(plain);
}

} // namespace app
