#pragma once
// A small seeded generator (splitmix64): the same seed gives the same store on every machine,
// unlike the standard distributions, whose output the library may change.

#include <QByteArray>
#include <QtGlobal>

#include <cmath>
#include <cstring>

namespace oestore {

class Rng {
public:
    explicit Rng(quint64 seed) : s_(seed) {}

    quint64 next() {
        quint64 z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    quint32 below(quint32 n) { return n ? quint32(next() % n) : 0; }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }

    // Many small, few large: sizes of mail and attachments spread like this.
    qint64 logUniform(qint64 lo, qint64 hi) {
        return qint64(double(lo) * std::pow(double(hi) / double(lo), unit()));
    }

    // Data that is already compressed (photos, PDFs, archives): no redundancy left.
    QByteArray bytes(qint64 n) {
        QByteArray b(n, Qt::Uninitialized);
        char* p = b.data();
        qint64 i = 0;
        for (; i + 8 <= n; i += 8) {
            const quint64 v = next();
            std::memcpy(p + i, &v, 8);
        }
        for (quint64 v = next(); i < n; ++i, v >>= 8)
            p[i] = char(v & 0xFF);
        return b;
    }

private:
    quint64 s_;
};

} // namespace oestore
