#include "mail/MboxStoreReader.h"

#include <QtEndian>

namespace mail {

namespace {
constexpr qint64 kPiece = 64 * 1024; // a longer line comes in pieces; it is no separator

bool isEmptyLine(const QByteArray& l) {
    return l == "\n" || l == "\r\n";
}
} // namespace

MboxStoreReader::Outcome MboxStoreReader::read(MessageSink& sink) {
    Outcome out;
    bool inMessage = false, lineStart = true, afterEmpty = true;
    QByteArray held; // an empty line: it belongs to the separator when one follows
    const auto fail = [&](const QString& why) {
        out.error = why;
        if (inMessage) sink.abort();
        return out;
    };
    for (;;) {
        const qint64 at = in_.pos();
        const QByteArray piece = in_.readLine(kPiece);
        if (piece.isEmpty()) {
            if (!in_.atEnd()) return fail(QStringLiteral("cannot read: ") + in_.errorString());
            break;
        }
        const bool wholeLine = lineStart;
        lineStart = piece.endsWith('\n');
        const bool separator =
            wholeLine && (rule_ == Rule::EudoraStyle ? piece.startsWith("From ???@??? ")
                                                     : piece.startsWith("From ") && afterEmpty);
        afterEmpty = wholeLine && isEmptyLine(piece);
        if (separator) {
            if (inMessage) {
                if (!sink.commit()) return fail(sink.error());
                ++out.written;
            }
            held.clear();
            if (!sink.begin(statuses_.value(at))) return fail(sink.error());
            inMessage = true;
            continue;
        }
        if (!inMessage) { // text before the first separator: kept as a message of its own
            if (!sink.begin({})) return fail(sink.error());
            inMessage = true;
        }
        if (!held.isEmpty() && !sink.append(std::exchange(held, {}))) return fail(sink.error());
        if (afterEmpty) {
            held = piece;
            continue;
        }
        if (!sink.append(piece)) return fail(sink.error());
    }
    if (inMessage) {
        if (!sink.commit()) return fail(sink.error());
        ++out.written;
    }
    return out;
}

QHash<qint64, MessageStatus> eudoraStatuses(QIODevice& toc) {
    constexpr qint64 kHeader = 104, kRecord = 218;
    QHash<qint64, MessageStatus> out;
    const QByteArray header = toc.read(kHeader);
    if (header.size() != kHeader) return out;
    const int count = qFromLittleEndian<quint16>(header.constData() + 102);
    if (toc.size() < kHeader + count * kRecord) return out;
    for (int i = 0; i < count; ++i) {
        const QByteArray r = toc.read(kRecord);
        if (r.size() != kRecord) break;
        MessageStatus s;
        switch (qFromLittleEndian<quint16>(r.constData() + 12)) {
        case 1:
        case 5:
            s.flags = MessageStatus::Read;
            break;
        case 2:
            s.flags = MessageStatus::Read | MessageStatus::Replied;
            break;
        case 3:
        case 4:
            s.flags = MessageStatus::Read | MessageStatus::Forwarded;
            break;
        default:
            break;
        }
        out.insert(qFromLittleEndian<quint32>(r.constData()), s);
    }
    return out;
}

} // namespace mail
