#pragma once
// Writes a mail-client store file in the block layout the client keeps: a fixed header with the
// file's signature, then each record as a chain of blocks of a 16-byte header (own offset, block
// size, bytes used, next offset) and 512 bytes of data, the last one padded with zeros.
// Message files and the folder list differ in the signature only.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cstring>

namespace oestore {

class DbxFile {
public:
    enum class Kind { Messages, FolderList };

    DbxFile(const QString& path, Kind kind) : f_(path) {
        ok_ = f_.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QByteArray header(kHeaderSize, '\0');
        static const unsigned char signature[] = {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74,
                                                  0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E,
                                                  0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
        header.replace(qsizetype(0), qsizetype(sizeof signature),
                       reinterpret_cast<const char*>(signature), qsizetype(sizeof signature));
        if (kind == Kind::FolderList) header[4] = char(0xC6);
        ok_ = ok_ && f_.write(header) == header.size();
        at_ = kHeaderSize;
    }
    DbxFile(const DbxFile&) = delete;
    DbxFile& operator=(const DbxFile&) = delete;

    // One record: its index entry (the fields the client lists) and its data.
    void add(const QByteArray& index, const QByteArray& data) {
        putChain(index);
        putChain(data);
        ++count_;
    }

    qint64 size() const { return at_; }

    // Patches the file size and the record count into the header.
    bool finish() {
        QByteArray field(4, '\0');
        qToLittleEndian<quint32>(quint32(at_), field.data());
        ok_ = ok_ && f_.seek(0x7C) && f_.write(field) == 4;
        qToLittleEndian<quint32>(count_, field.data());
        ok_ = ok_ && f_.seek(0xC4) && f_.write(field) == 4;
        f_.close();
        return ok_;
    }

private:
    static constexpr qint64 kHeaderSize = 0x24BC;
    static constexpr qint64 kData = 0x200;
    static constexpr qint64 kBlock = kData + 16;

    void putChain(const QByteArray& data) {
        const qint64 blocks = qMax<qint64>(1, (data.size() + kData - 1) / kData);
        QByteArray out(blocks * kBlock, '\0');
        for (qint64 i = 0; i < blocks; ++i) {
            char* b = out.data() + i * kBlock;
            const qint64 used = qMin<qint64>(kData, data.size() - i * kData);
            const qint64 self = at_ + i * kBlock;
            qToLittleEndian<quint32>(quint32(self), b);
            qToLittleEndian<quint32>(quint32(kData), b + 4);
            qToLittleEndian<quint16>(quint16(used), b + 8);
            qToLittleEndian<quint32>(i + 1 < blocks ? quint32(self + kBlock) : 0u, b + 12);
            if (used > 0) std::memcpy(b + 16, data.constData() + i * kData, size_t(used));
        }
        ok_ = ok_ && f_.write(out) == out.size();
        at_ += out.size();
    }

    QFile f_;
    bool ok_ = false;
    qint64 at_ = 0;
    quint32 count_ = 0;
};

} // namespace oestore
