#pragma once
// Damage done to a binary hive's bytes the way disks and hostile tools do it,
// on a hive hivex wrote (names unique in the file).

#include <QByteArray>
#include <QStringView>

namespace support {

// Fields of a value's cell, counted from the cell's start.
inline constexpr int kValueDataLength = 8;
inline constexpr int kValueType = 16;

// Sets a 32-bit field of the value whose Latin-1 name is `name`.
bool setValueField(QByteArray& hive, QByteArrayView name, int field, quint32 v);

// Turns the first character of `marker`, stored as UTF-16LE, into an
// unpaired high surrogate.
bool breakUtf16(QByteArray& hive, QStringView marker);

// Ends the hive before the bin that holds `marker`, the header's length and
// checksum agreeing: as if the rest had never been written.
bool cutBefore(QByteArray& hive, QByteArrayView marker);

} // namespace support
