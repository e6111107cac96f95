#include "support/DbxWriter.h"

#include <QtEndian>

#include <algorithm>

namespace support {

namespace {
constexpr qint64 kHeaderSize = 0x24BC;
constexpr qint64 kFileInfo = 0x618;
constexpr qint64 kText = 0x200;
constexpr qint64 kNodeSize = 0x27C;
constexpr qsizetype kNodeEntries = 0x33;

void put32(char* at, quint32 v) {
    qToLittleEndian<quint32>(v, at);
}

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    put32(b.data(), v);
    return b;
}

// The values a tree of this many levels holds.
qint64 capacity(int levels) {
    return levels <= 1 ? kNodeEntries : kNodeEntries + (kNodeEntries + 1) * capacity(levels - 1);
}

QByteArray subjectOf(const QByteArray& message) {
    const qsizetype at = message.indexOf("\r\nSubject: ");
    if (at < 0) return {};
    const qsizetype from = at + 11;
    return message.mid(from, message.indexOf("\r\n", from) - from);
}

QByteArray fileTime(qint64 secs) {
    QByteArray b(8, '\0');
    qToLittleEndian<quint64>(quint64(secs + 11644473600LL) * 10000000ULL, b.data());
    return b;
}
} // namespace

DbxWriter::DbxWriter(const QString& path, Kind kind) : f_(path) {
    ok_ = f_.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray header(kHeaderSize, '\0');
    static const unsigned char signature[] = {
        0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E,
        0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4, 0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::copy(std::begin(signature), std::end(signature), header.begin());
    if (kind == Kind::Folders) header[4] = char(0xC6);
    if (kind == Kind::Pop3Uidl) header[4] = char(0xC7);
    if (kind == Kind::Offline) put32(header.data() + 4, 0x26FE9D30);
    const qint64 info = kind == Kind::Messages ? kFileInfo : 0x108;
    put32(header.data() + 0x1C, quint32(info));
    ok_ = ok_ && f_.write(header) == header.size();
    at_ = kHeaderSize;
    QByteArray fileInfo(info, '\0');
    fileInfo[0] = 1;
    if (kind == Kind::Messages) fileInfo[4] = 3; // a local folder
    put(fileInfo);
}

quint32 DbxWriter::put(const QByteArray& bytes) {
    const auto at = quint32(at_);
    ok_ = ok_ && f_.write(bytes) == bytes.size();
    at_ += bytes.size();
    return at;
}

quint32 DbxWriter::putInfo(const QList<Field>& fields) {
    QByteArray index, data;
    for (const Field& fl : fields) {
        QByteArray e(4, '\0');
        const bool direct = fl.data.isEmpty();
        put32(e.data(), (direct ? fl.direct : quint32(data.size())) << 8);
        e[0] = char(fl.index | (direct ? 0x80 : 0));
        index += e;
        data += fl.data;
    }
    QByteArray body = index + data;
    body.resize((body.size() + 3) & ~qsizetype(3), '\0');
    QByteArray header(12, '\0');
    put32(header.data(), quint32(at_));
    put32(header.data() + 4, quint32(body.size()));
    header[10] = char(fields.size());
    header[11] = 1;
    return put(header + body);
}

void DbxWriter::addMessage(const QByteArray& message, quint32 flags, qint64 received) {
    const qint64 blocks = qMax<qint64>(1, (message.size() + kText - 1) / kText);
    QByteArray chain(blocks * (kText + 16), '\0');
    for (qint64 i = 0; i < blocks; ++i) {
        char* b = chain.data() + i * (kText + 16);
        const auto self = quint32(at_ + i * (kText + 16));
        const qint64 used = qBound<qint64>(0, message.size() - i * kText, kText);
        put32(b, self);
        put32(b + 4, quint32(kText));
        put32(b + 8, quint32(used));
        put32(b + 12, i + 1 < blocks ? self + quint32(kText + 16) : 0);
        std::copy_n(message.constData() + i * kText, used, b + 16);
    }
    const quint32 start = put(chain);
    chains_.append(start);
    const QByteArray when = fileTime(received);
    QList<Field> fields{
        {0x00, quint32(records_.size() + 1), {}}, {0x01, flags, {}}, {0x02, 0, when}};
    // Offsets beyond 24 bits no longer fit in the field itself.
    if (start < 0x1000000)
        fields.append({0x04, start, {}});
    else
        fields.append({0x04, 0, le32(start)});
    fields.append({0x08, 0, subjectOf(message) + '\0'});
    fields.append({0x12, 0, when});
    records_.append(putInfo(fields));
}

void DbxWriter::addFolder(quint32 id, quint32 parent, const QByteArray& name,
                          const QByteArray& file) {
    QList<Field> fields{{0x00, id, {}}, {0x01, 0, le32(parent)}, {0x02, 0, name + '\0'}};
    if (!file.isEmpty()) fields.append({0x03, 0, file + '\0'});
    fields.append({0x0A, 3, {}}); // a local folder
    records_.append(putInfo(fields));
}

void DbxWriter::addRecord(quint32 id, const QByteArray& text) {
    records_.append(putInfo({{0x00, id, {}}, {0x01, 0, text + '\0'}}));
}

// A node holding records [from, from + count): its first child, then entries of a
// record and the subtree after it, each subtree as full as the levels below allow.
quint32 DbxWriter::putTree(qsizetype from, qsizetype count, quint32 parent, int nodeId) {
    int levels = 1;
    while (capacity(levels) < count)
        ++levels;
    const quint32 self = put(QByteArray(kNodeSize, '\0'));
    QByteArray node(kNodeSize, '\0');
    put32(node.data(), self);
    put32(node.data() + 12, parent);
    node[0x10] = char(nodeId);
    const qsizetype below = levels > 1 ? qsizetype(capacity(levels - 1)) : 0;
    qsizetype at = from, end = from + count;
    const auto subtree = [&](char* pointer, char* stored, int id) {
        const qsizetype n = qMin(below, end - at);
        if (n > 0) {
            put32(pointer, putTree(at, n, self, id));
            put32(stored, quint32(n));
        }
        at += n;
    };
    subtree(node.data() + 8, node.data() + 0x14, 0);
    int entries = 0;
    for (; at < end; ++entries) {
        char* e = node.data() + 0x18 + entries * 12;
        put32(e, records_[at++]);
        subtree(e + 4, e + 8, entries);
    }
    node[0x11] = char(entries);
    ok_ = ok_ && f_.seek(self) && f_.write(node) == node.size() && f_.seek(at_);
    return self;
}

bool DbxWriter::finish() {
    const quint32 root = records_.isEmpty() ? 0 : putTree(0, records_.size(), 0, 0);
    ok_ = ok_ && f_.seek(0x7C) && f_.write(le32(quint32(at_))) == 4;
    ok_ = ok_ && f_.seek(0xC4) && f_.write(le32(quint32(records_.size()))) == 4;
    ok_ = ok_ && f_.seek(0xE4) && f_.write(le32(root)) == 4;
    f_.close();
    return ok_;
}

QList<quint32> writeDbx(const QString& path, const QList<QByteArray>& messages, quint32 flags) {
    DbxWriter w(path, DbxWriter::Kind::Messages);
    for (const QByteArray& m : messages)
        w.addMessage(m, flags);
    return w.finish() ? w.chains() : QList<quint32>();
}

bool rewriteFile(const QString& path, const std::function<void(QByteArray&)>& change) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) return false;
    QByteArray bytes = f.readAll();
    change(bytes);
    return f.resize(0) && f.seek(0) && f.write(bytes) == bytes.size();
}

bool breakDbxChain(const QString& path, quint32 chainStart) {
    QFile f(path);
    char next[4];
    if (!f.open(QIODevice::ReadWrite) || !f.seek(chainStart + 12) || f.read(next, 4) != 4)
        return false;
    const quint32 second = qFromLittleEndian<quint32>(next);
    return second != 0 && f.seek(second) && f.write(le32(0xDEADBEEF)) == 4;
}

} // namespace support
