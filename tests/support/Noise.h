#pragma once
// Bytes that do not compress, the same for the same seed: stores that make an
// archive large, or split it into several volumes.

#include <QByteArray>

namespace support {

inline QByteArray noise(int size, quint32 seed) {
    QByteArray out(size, '\0');
    for (char& c : out) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    return out;
}

} // namespace support
