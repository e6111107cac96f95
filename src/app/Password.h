#pragma once
// The password scrambler of "BackupPsw". The password travels as UTF-8 bytes;
// decoding also accepts Windows-1252 bytes. Decoding text that is not a valid
// scrambled password (not hexadecimal, too long, inconsistent) gives the empty
// text. A password too long for the one-byte length field (over 221 bytes of
// UTF-8) cannot be scrambled and encodes to the empty text.

#include <QString>

#include <functional>

namespace app {
QString EncodePassword(const QString& password);
// The same with the random source given: random(k) yields 0 .. k-1.
QString EncodePassword(const QString& password, const std::function<int(int)>& random);
QString DecodePassword(const QString& text);
} // namespace app
