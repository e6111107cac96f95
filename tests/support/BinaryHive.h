#pragma once
// Binary hives for the tests of a Windows disk: written by hivex's Python
// binding (a writer independent of ours), and damaged the way disks and
// hostile tools damage them (names unique in the file).

#include "platform/HiveFile.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>

namespace support {

// Writes the key `inner` of a Wine text hive, with all below it, as a binary
// hive at `hivePath`, over an emptied copy of the hive `base`; `work` holds
// the writer's files.
bool writeBinaryHive(const QString& wineHive, const QString& inner, const QString& base,
                     const QString& hivePath, const QString& work);

// A hive with a value of each kind the damages below spoil, written so that
// its last bin starts with the data of "Aardvark" (64 and more 'p's).
bool writeDamageSample(const QString& base, const QString& hivePath, const QString& work);

// Every value below `k`, `k`'s own included.
int valueCount(const platform::HiveKey& k);

// Changes a hive's bytes in place; false when its mark is not found.
using HiveDamage = std::function<bool(QByteArray&)>;

// Fields of a value's cell, counted from the cell's start.
inline constexpr int kValueDataLength = 8;
inline constexpr int kValueType = 16;

// Sets a 32-bit field of the value whose Latin-1 name is `name`.
HiveDamage valueField(const char* name, int field, quint32 v);

// Turns the first character of `marker`, stored as UTF-16LE, into an
// unpaired high surrogate.
HiveDamage unpairedSurrogate(const char16_t* marker);

// Ends the hive before the bin that holds `marker`, the header's length and
// checksum agreeing: as if the rest had never been written.
HiveDamage cutBefore(const QByteArray& marker);

// One way of damaging the sample hive, and what reading it then gives.
struct DamageCase {
    HiveDamage damage;
    QString key;   // read there; empty when the hive cannot be walked
    QString value; // read in that key, of `type`; empty when it is left out
    quint32 type = 0;
    QString named; // in what is reported; empty when nothing is
};

} // namespace support
