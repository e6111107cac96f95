#include "base/ErrorLine.h"

#include <QByteArray>

#include <cstdio>

namespace base {

void WriteErrorLine(const QString& text) {
    const QByteArray line = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace base
