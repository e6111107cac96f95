#include "support/SampleMail.h"

#include <QtEndian>

namespace support {

namespace {
QByteArray header(const QByteArray& from, const QByteArray& to, const QByteArray& subject,
                  const QByteArray& id, int day) {
    return "Return-Path: <" + from + ">\r\nFrom: " + from + "\r\nTo: " + to +
           "\r\nSubject: " + subject + "\r\nDate: " + QByteArray::number(day) + " Apr 2003 09:1" +
           QByteArray::number(day % 10) + ":00 +0200\r\nMessage-ID: <" + id +
           "@example.com>\r\nMIME-Version: 1.0\r\nX-Mailer: Microsoft Outlook Express "
           "6.00.2800.1106\r\n";
}
} // namespace

QList<QByteArray> sampleMessages(const QByteArray& owner, const QByteArray& tag) {
    const QByteArray plain =
        header("carla.costa@example.org", owner, "Lunch on Friday (" + tag + ")", tag + ".1", 1) +
        "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
        "Content-Transfer-Encoding: 7bit\r\n\r\n"
        "Hi,\r\n\r\nFrom what I hear the new place is good.\r\n>From the menu: soup.\r\n"
        "From here it is ten minutes.\r\n\r\nCarla\r\n";
    // "Привет из Москвы" in UTF-8, base64 encoded word.
    const QByteArray cyrillic =
        header("olga.petrova@example.net", owner,
               "=?utf-8?B?0J/RgNC40LLQtdGCINC40Lcg0JzQvtGB0LrQstGL?= " + tag, tag + ".2", 2) +
        "Content-Type: text/plain;\r\n\tcharset=\"utf-8\"\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\n"
        "\xd0\x94\xd0\xbe\xd0\xb1\xd1\x80\xd1\x8b\xd0\xb9 \xd0\xb4\xd0\xb5\xd0\xbd\xd1\x8c!\r\n";
    QByteArray picture;
    for (int i = 0; i < 1500; ++i)
        picture += char((i * 37 + tag.size()) & 0xFF);
    QByteArray base64;
    const QByteArray all = picture.toBase64();
    for (qsizetype i = 0; i < all.size(); i += 76)
        base64 += all.mid(i, 76) + "\r\n";
    const QByteArray attached =
        header("jonas.jensen@example.com", owner, "Photos from the trip " + tag, tag + ".3", 3) +
        "Content-Type: multipart/mixed;\r\n\tboundary=\"----=_NextPart_000_0005_01C2F8A1\"\r\n\r\n"
        "This is a multi-part message in MIME format.\r\n\r\n"
        "------=_NextPart_000_0005_01C2F8A1\r\n"
        "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
        "Content-Transfer-Encoding: 7bit\r\n\r\nThe picture is attached.\r\n\r\n"
        "------=_NextPart_000_0005_01C2F8A1\r\n"
        "Content-Type: image/png;\r\n\tname=\"trip.png\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n\tfilename=\"trip.png\"\r\n\r\n" +
        base64 +
        "\r\n"
        "------=_NextPart_000_0005_01C2F8A1--\r\n";
    const QByteArray inner = header("leo.larsen@example.org", "carla.costa@example.org",
                                    "Minutes of the meeting", tag + ".4a", 4) +
                             "Content-Type: text/plain;\r\n\tcharset=\"us-ascii\"\r\n\r\n"
                             "The minutes are below.\r\n";
    const QByteArray forwarded =
        header("carla.costa@example.org", owner, "Fw: Minutes of the meeting " + tag, tag + ".4",
               4) +
        "Content-Type: multipart/mixed;\r\n\tboundary=\"----=_NextPart_000_0011_01C2F8B2\"\r\n\r\n"
        "This is a multi-part message in MIME format.\r\n\r\n"
        "------=_NextPart_000_0011_01C2F8B2\r\n"
        "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n\r\nSee below.\r\n\r\n"
        "------=_NextPart_000_0011_01C2F8B2\r\n"
        "Content-Type: message/rfc822\r\n"
        "Content-Disposition: attachment\r\n\r\n" +
        inner + "\r\n------=_NextPart_000_0011_01C2F8B2--\r\n";
    return {plain, cyrillic, attached, forwarded};
}

QByteArray quoteFromLines(QByteArray message) {
    if (message.startsWith("From ")) message.prepend('>');
    return message.replace("\nFrom ", "\n>From ");
}

QByteArray mboxLikeStore(const QList<QByteArray>& messages, const QByteArray& separator, bool quote,
                         QList<qint64>* offsets) {
    QByteArray store;
    for (const QByteArray& m : messages) {
        if (offsets) offsets->append(store.size());
        store += separator + (quote ? quoteFromLines(m) : m) + "\r\n";
    }
    return store;
}

QByteArray eudoraToc(const QList<qint64>& offsets, const QList<int>& states) {
    QByteArray toc(104 + offsets.size() * 218, '\0');
    qToLittleEndian<quint16>(quint16(offsets.size()), toc.data() + 102);
    for (qsizetype i = 0; i < offsets.size(); ++i) {
        char* r = toc.data() + 104 + i * 218;
        qToLittleEndian<quint32>(quint32(offsets[i]), r);
        qToLittleEndian<quint16>(quint16(states[i]), r + 12);
    }
    return toc;
}

} // namespace support
