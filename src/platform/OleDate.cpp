#include "platform/OleDate.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace platform {

namespace {
constexpr qint64 kMsPerDay = 86400000;
// The range OLE Automation dates cover: 1 January 100 to 31 December 9999.
constexpr double kMinDays = -657434.0;
constexpr double kMaxDays = 2958466.0;
const QDate kBase(1899, 12, 30);
} // namespace

// Before the base date the fraction still counts forward from midnight:
// -1.25 is 29 December 1899, 06:00.
double toOleDate(const QDateTime& t) {
    const QDateTime local = t.toLocalTime();
    const qint64 days = kBase.daysTo(local.date());
    const double frac = double(local.time().msecsSinceStartOfDay()) / double(kMsPerDay);
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

QDateTime fromOleDate(double v) {
    if (!std::isfinite(v) || v < kMinDays || v >= kMaxDays) return {};
    const double whole = std::trunc(v);
    qint64 ms = std::llround(std::fabs(v - whole) * double(kMsPerDay));
    qint64 days = qint64(whole);
    if (ms >= kMsPerDay) { // rounding reached the next midnight
        ms -= kMsPerDay;
        days += 1;
    }
    return QDateTime(kBase.addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QByteArray oleDateBytes(const QDateTime& t) {
    const double d = toOleDate(t);
    quint64 bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian<quint64>(bits, bytes.data());
    return bytes;
}

std::optional<QDateTime> oleDateFromBytes(const QByteArray& bytes) {
    if (bytes.size() != 8) return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData());
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    QDateTime t = fromOleDate(d);
    if (!t.isValid()) return std::nullopt;
    return t;
}

} // namespace platform
