#pragma once
// OLE Automation dates: days since 30 December 1899, the time of day as the fraction.

#include <QByteArray>
#include <QDateTime>

#include <optional>

namespace platform {
double toOleDate(const QDateTime& t);        // t taken in local time
QDateTime fromOleDate(double days);          // local time; invalid for NaN or out of range
QByteArray oleDateBytes(const QDateTime& t); // 8 bytes, little-endian IEEE double
std::optional<QDateTime> oleDateFromBytes(const QByteArray& bytes);
} // namespace platform
