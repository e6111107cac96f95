#pragma once
// Byte layout of the two records exchanged with the archiving library: the
// options record handed to SqxAddFiles and the record of every callback.
// Texts in both are NUL-terminated byte strings; the host build passes UTF-8
// (host paths and the password as 7-Zip and our library expect them).
// The library's result codes are its own header's (SQX_OK, SQX_E_*).

#include "sqx/sqx.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace backup::sqx {

// Options record.
inline constexpr std::size_t kOptionsSize = 3740;
inline constexpr std::size_t kOptRecordSize = 0;
inline constexpr std::size_t kOptField4 = 4;   // always 3
inline constexpr std::size_t kOptField16 = 16; // always 1
inline constexpr std::size_t kOptField32 = 32; // always 1
inline constexpr std::size_t kOptPassword = 40;
inline constexpr std::size_t kOptPasswordRoom = 584 - 40;
inline constexpr std::size_t kOptTempFolder = 584;
inline constexpr std::size_t kOptTempFolderRoom = 1400 - 584;
inline constexpr std::size_t kOptSplit = 1400;
inline constexpr std::size_t kOptField1404 = 1404; // always 1
inline constexpr std::size_t kOptVolumeSize = 1416;

// Callback record.
inline constexpr std::size_t kCbName = 4; // stored name of the current file
inline constexpr std::size_t kCbPath = 276;
inline constexpr std::size_t kCbTextRoom = 272;
inline constexpr std::size_t kCbMediaKind = 564;
inline constexpr std::size_t kCbReason = 572;
inline constexpr std::size_t kCbValue = 576; // percentage, or bytes needed
inline constexpr std::size_t kCbDisk = 580;
inline constexpr std::size_t kCbMinimumSize = 584;

enum Reason : std::int32_t {
    kReasonProgress = 0,
    kReasonQuery = 1,
    kReasonNextVolume = 2,
    kReasonPassword = 3,
    kReasonNextFile = 5,
    kReasonExtractPath = 6,
};

// Little-endian 32-bit fields and bounded texts inside a record.
std::int32_t readInt32(const unsigned char* record, std::size_t offset);
void writeInt32(unsigned char* record, std::size_t offset, std::int32_t value);
// The bytes up to the first NUL (at most room - 1 of them), and their writer.
QByteArray readBytes(const unsigned char* record, std::size_t offset, std::size_t room);
bool writeBytes(unsigned char* record, std::size_t offset, std::size_t room,
                const QByteArray& bytes);
// Reads up to room bytes, stopping at the first NUL; decoded as UTF-8.
QString readText(const unsigned char* record, std::size_t offset, std::size_t room);
// Writes text + NUL when it fits into room bytes; false (record untouched) when not.
bool writeText(unsigned char* record, std::size_t offset, std::size_t room, const QString& text);

// Volume-size field of the options record for a media choice index.
std::int32_t volumeSizeForMedia(int mediaIndex);

// The whole options record; empty when the password or the folder does not fit.
QByteArray buildOptions(const QString& password, const QString& tempFolder, bool split,
                        int mediaIndex);

} // namespace backup::sqx
