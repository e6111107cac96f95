#include "mail/DbxReader.h"

#include "platform/Encoding.h"

#include <QSet>
#include <QtEndian>

#include <vector>

namespace mail {

namespace {
constexpr qint64 kHeaderSize = 0x24BC;
constexpr quint32 kSignature = 0xFE12ADCF;
constexpr quint32 kMessageStore = 0x6F74FDC5;
constexpr quint32 kFolderList = 0x6F74FDC6;
constexpr qint64 kRecordCount = 0xC4;
constexpr qint64 kTreeRoot = 0xE4;
constexpr qint64 kNodeSize = 0x27C; // 0x18 of header, 0x33 entries of 12
constexpr int kNodeEntries = 0x33;
constexpr int kMaxDepth = 32;             // a real tree of 0x33-way nodes is a few levels deep
constexpr quint32 kMaxInfoBody = 0x10000; // info records hold a few short strings
constexpr quint32 kMaxBlockBody = 0x10000;

// Message info: the record's fields, and the status bits in its flags.
enum : int { kFlags = 0x01, kSent = 0x02, kChain = 0x04, kReceived = 0x12 };
enum : quint32 {
    kFlagMarked = 0x20,
    kFlagRead = 0x80,
    kFlagAnswered = 0x80000,
    kFlagForwarded = 0x100000
};
// Folder info.
enum : int { kFolderId = 0x00, kFolderParent = 0x01, kFolderName = 0x02, kFolderFile = 0x03 };

quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

QString hex(quint32 v) {
    return QStringLiteral("0x%1").arg(v, 0, 16);
}

QDateTime fromFileTime(quint64 ft) {
    if (ft == 0) return {};
    const qint64 secs = qint64(ft / 10000000) - 11644473600LL;
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
}
} // namespace

// An indexed info record: a field list of (index, value-or-offset) and the data the
// offsets point into.
struct DbxReader::Info {
    QByteArray body;
    int entries = 0;

    // The entry of a field, or -1.
    int find(int index) const {
        for (int i = 0; i < entries; ++i)
            if ((uchar(body[i * 4]) & 0x7F) == index) return i;
        return -1;
    }
    bool direct(int e) const { return (uchar(body[e * 4]) & 0x80) != 0; }
    quint32 raw(int e) const { return u32(body.constData() + e * 4) >> 8; }
    // The field's bytes in the data area: from its offset to the next stored field's.
    QByteArray data(int index) const {
        const int e = find(index);
        if (e < 0 || direct(e)) return {};
        const qsizetype base = entries * 4, from = base + raw(e);
        qsizetype to = body.size();
        for (int i = 0; i < entries; ++i)
            if (!direct(i) && base + qsizetype(raw(i)) > from)
                to = qMin(to, base + qsizetype(raw(i)));
        return from < body.size() ? body.mid(from, to - from) : QByteArray();
    }
    std::optional<quint32> number(int index) const {
        const int e = find(index);
        if (e < 0) return std::nullopt;
        if (direct(e)) return raw(e);
        const QByteArray d = data(index);
        if (d.size() < 4) return std::nullopt;
        return u32(d.constData());
    }
    quint64 fileTime(int index) const {
        const QByteArray d = data(index);
        return d.size() >= 8 ? qFromLittleEndian<quint64>(d.constData()) : 0;
    }
    QString text(int index) const {
        QByteArray d = data(index);
        const qsizetype nul = d.indexOf('\0');
        if (nul >= 0) d.truncate(nul);
        return platform::decodeText(d);
    }
};

DbxReader::DbxReader(QIODevice& in) : in_(in) {}

bool DbxReader::readAt(qint64 at, char* to, qint64 size) {
    return at >= 0 && size >= 0 && at <= size_ - size && in_.seek(at) && in_.read(to, size) == size;
}

bool DbxReader::open() {
    size_ = in_.size();
    char h[kTreeRoot + 4];
    if (size_ < kHeaderSize || !readAt(0, h, sizeof h) || u32(h) != kSignature) {
        error_ = QStringLiteral("not an Outlook Express store (.dbx)");
        return false;
    }
    const quint32 clsid = u32(h + 4);
    kind_ = clsid == kMessageStore ? Kind::Messages
            : clsid == kFolderList ? Kind::Folders
                                   : Kind::Other;
    listed_ = u32(h + kRecordCount);
    root_ = u32(h + kTreeRoot);
    return true;
}

// Visits the values of the index tree in order: a node's first child, then each entry's
// value and the entry's child. Nodes that are out of the file, not marked as themselves,
// seen before or too deep are named and left out with what hangs below them.
template <typename Visit> void DbxReader::walkTree(QStringList& problems, Visit&& visit) {
    struct Frame {
        QByteArray node;
        int next = -1; // -1: the first child is still to go
    };
    std::vector<Frame> stack;
    QSet<quint32> seen;
    const auto push = [&](quint32 at) {
        if (at == 0) return true;
        QByteArray node(kNodeSize, '\0');
        if (stack.size() >= kMaxDepth || seen.contains(at) || !readAt(at, node.data(), kNodeSize) ||
            u32(node.constData()) != at || uchar(node[0x11]) > kNodeEntries) {
            problems << QStringLiteral("index node at %1 is not readable").arg(hex(at));
            return false;
        }
        seen.insert(at);
        stack.push_back({node, -1});
        return true;
    };
    push(root_);
    while (!stack.empty()) {
        Frame& f = stack.back();
        const int entries = uchar(f.node[0x11]);
        if (f.next < 0) {
            f.next = 0;
            push(u32(f.node.constData() + 8));
            continue;
        }
        if (f.next >= entries) {
            stack.pop_back();
            continue;
        }
        const char* e = f.node.constData() + 0x18 + f.next * 12;
        ++f.next;
        const quint32 value = u32(e), child = u32(e + 4);
        if (!visit(value)) return;
        push(child);
    }
}

std::optional<DbxReader::Info> DbxReader::readInfo(quint32 at, QStringList& problems) {
    char h[12];
    if (!readAt(at, h, 12) || u32(h) != at || u32(h + 4) > kMaxInfoBody ||
        uchar(h[10]) * 4 > u32(h + 4)) {
        problems << QStringLiteral("record at %1 is not readable").arg(hex(at));
        return std::nullopt;
    }
    Info info;
    info.entries = uchar(h[10]);
    info.body.resize(u32(h + 4));
    if (!readAt(at + 12, info.body.data(), info.body.size())) {
        problems << QStringLiteral("record at %1 is cut off").arg(hex(at));
        return std::nullopt;
    }
    return info;
}

qint64 DbxReader::sendChain(quint32 first, MessageSink& sink, bool* sinkFailed) {
    QSet<quint32> seen;
    QByteArray block;
    qint64 total = 0;
    for (quint32 at = first; at != 0;) {
        // One read for the header and a block's usual 0x200 bytes of text.
        block.resize(16 + 0x200);
        const qint64 got = qBound<qint64>(0, size_ - at, block.size());
        if (seen.contains(at) || got < 16 || !readAt(at, block.data(), got) ||
            u32(block.constData()) != at)
            return at;
        seen.insert(at);
        const quint32 body = u32(block.constData() + 4);
        const quint32 used = qFromLittleEndian<quint16>(block.constData() + 8);
        if (body > kMaxBlockBody || used > body || qint64(at) + 16 + used > size_) return at;
        if (16 + qint64(used) > got) {
            block.resize(16 + used);
            if (!readAt(at + 16, block.data() + 16, used)) return at;
        }
        total += used;
        if (total > size_) return at; // more text than the file holds: a loop in disguise
        if (!sink.append(QByteArrayView(block.constData() + 16, used))) {
            *sinkFailed = true;
            return at;
        }
        at = u32(block.constData() + 12);
    }
    return 0;
}

DbxReader::Outcome DbxReader::readMessages(MessageSink& sink) {
    Outcome out;
    if (kind_ != Kind::Messages) {
        out.problems << QStringLiteral("not a message store");
        return out;
    }
    walkTree(out.problems, [&](quint32 value) {
        const qint64 position = out.found++;
        const auto info = readInfo(value, out.problems);
        const std::optional<quint32> chain = info ? info->number(kChain) : std::nullopt;
        bool sinkFailed = false;
        qint64 broken = chain ? 0 : value;
        if (chain) {
            MessageStatus status;
            const quint32 flags = info->number(kFlags).value_or(0);
            if (flags & kFlagRead) status.flags |= MessageStatus::Read;
            if (flags & kFlagAnswered) status.flags |= MessageStatus::Replied;
            if (flags & kFlagForwarded) status.flags |= MessageStatus::Forwarded;
            if (flags & kFlagMarked) status.flags |= MessageStatus::Flagged;
            const quint64 received = info->fileTime(kReceived);
            status.received = fromFileTime(received ? received : info->fileTime(kSent));
            if (!sink.begin(status)) {
                out.error = sink.error();
                return false;
            }
            broken = sendChain(*chain, sink, &sinkFailed);
            if (sinkFailed) {
                out.error = sink.error();
                sink.abort();
                return false;
            }
            if (!broken) {
                if (!sink.commit()) return out.error = sink.error(), false;
                ++out.written;
                return true;
            }
            sink.abort();
        }
        // What could be read of it, raw, as a damaged message.
        out.problems
            << (chain ? QStringLiteral("message %1: its text breaks off at %2")
                            .arg(position)
                            .arg(hex(quint32(broken)))
                      : QStringLiteral("message %1: its record is not readable").arg(position));
        if (!sink.beginDamaged(position)) return out.error = sink.error(), false;
        if (chain) {
            struct UpToBreak : MessageSink {
                MessageSink& to;
                explicit UpToBreak(MessageSink& s) : to(s) {}
                bool begin(const MessageStatus&) override { return true; }
                bool beginDamaged(qint64) override { return true; }
                bool append(QByteArrayView b) override { return to.append(b); }
                bool commit() override { return true; }
                void abort() override {}
                QString error() const override { return to.error(); }
            } raw(sink);
            sendChain(*chain, raw, &sinkFailed);
        }
        if (sinkFailed || !sink.commit()) {
            out.error = sink.error();
            sink.abort();
            return false;
        }
        ++out.damaged;
        return true;
    });
    if (out.error.isEmpty() && out.found != qint64(listed_))
        out.problems << QStringLiteral("the header lists %1 messages, the index %2")
                            .arg(listed_)
                            .arg(out.found);
    return out;
}

QList<DbxReader::Folder> DbxReader::folders(QStringList* problems) {
    QList<Folder> out;
    if (kind_ != Kind::Folders) {
        *problems << QStringLiteral("not a folder list");
        return out;
    }
    walkTree(*problems, [&](quint32 value) {
        const auto info = readInfo(value, *problems);
        if (!info) return true;
        const auto id = info->number(kFolderId), parent = info->number(kFolderParent);
        if (!id || !parent) {
            *problems << QStringLiteral("folder record at %1 has no place").arg(hex(value));
            return true;
        }
        out.append({*id, *parent, info->text(kFolderName), info->text(kFolderFile)});
        return true;
    });
    return out;
}

QStringList DbxReader::folderPath(const QList<Folder>& folders, quint32 id) {
    QStringList path;
    QSet<quint32> seen;
    for (;;) {
        const auto it = std::find_if(folders.begin(), folders.end(),
                                     [&](const Folder& f) { return f.id == id; });
        if (it == folders.end() || seen.contains(id)) return {};
        if (it->parent == 0xFFFFFFFF || it->parent == 0xFFFFFF) return path; // direct: 24 bits
        seen.insert(id);
        path.prepend(it->name);
        id = it->parent;
    }
}

} // namespace mail
