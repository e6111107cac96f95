#pragma once
// Composes the messages of one mailbox owner: headers as mail servers and clients write them,
// bodies of running text (some HTML, some quoting the previous message), and attachments of
// three sorts - already-compressed files in base64, text documents in base64, and raw 8-bit
// binary parts. Everything comes from one seed, so a mailbox is the same on every run.

#include "oestore/Rng.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <cctype>
#include <cmath>
#include <utility>

namespace oestore {

// What a message mostly consists of; the generator balances the bytes of each sort.
enum class Sort { Text, Packed, Document, Binary, Count };

struct Person {
    QByteArray name;
    QByteArray address;
};

class MailComposer {
public:
    MailComposer(quint64 seed, Person owner) : rng_(seed), owner_(std::move(owner)) {
        static const char* const first[] = {"Anna",  "Ben",   "Carla", "David", "Elena", "Frank",
                                            "Grace", "Henry", "Irene", "Jonas", "Karin", "Leo",
                                            "Maria", "Nils",  "Olga",  "Peter", "Rosa",  "Simon"};
        static const char* const last[] = {"Baker",  "Costa",   "Dubois", "Fischer", "Garcia",
                                           "Hansen", "Ivanova", "Jensen", "Keller",  "Larsen",
                                           "Moreau", "Novak",   "Olsen",  "Petrov",  "Rossi"};
        static const char* const domains[] = {"example.com", "example.org", "mail.example.net",
                                              "office.example.com", "lists.example.org"};
        for (int i = 0; i < 60; ++i) {
            const QByteArray f = first[rng_.below(18)], l = last[rng_.below(15)];
            contacts_.append(
                {f + ' ' + l, f.toLower() + '.' + l.toLower() + '@' + domains[rng_.below(5)]});
        }
    }

    // One message of the given sort, its attachment cut so that it stays near `room` bytes.
    QByteArray message(Sort sort, qint64 room) {
        time_ += rng_.logUniform(60, 3 * 86400);
        const Person& other = contacts_[qsizetype(rng_.below(quint32(contacts_.size())))];
        subject_ = (rng_.chance(0.3) ? QByteArray("Re: ") : QByteArray()) + sentence(3, 8, false);
        lastFrom_ = other.name;
        QByteArray m = headers(other);
        const QByteArray body = text(rng_.logUniform(400, sort == Sort::Text ? 14000 : 2500));
        if (sort == Sort::Text && rng_.chance(0.3)) {
            const QByteArray b = boundary();
            m += "Content-Type: multipart/alternative;\r\n\tboundary=\"" + b + "\"\r\n\r\n";
            m += "This is a multi-part message in MIME format.\r\n\r\n--" + b + "\r\n";
            m += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                 "Content-Transfer-Encoding: 7bit\r\n\r\n" +
                 body + "\r\n--" + b + "\r\n";
            m += "Content-Type: text/html;\r\n\tcharset=\"iso-8859-1\"\r\n"
                 "Content-Transfer-Encoding: 7bit\r\n\r\n" +
                 html(body) + "\r\n--" + b + "--\r\n";
        } else if (sort == Sort::Text) {
            m += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                 "Content-Transfer-Encoding: 7bit\r\n\r\n" +
                 body;
        } else {
            const QByteArray b = boundary();
            m += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + b + "\"\r\n\r\n";
            m += "This is a multi-part message in MIME format.\r\n\r\n--" + b + "\r\n";
            m += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                 "Content-Transfer-Encoding: 7bit\r\n\r\n" +
                 body + "\r\n--" + b + "\r\n";
            m += attachment(sort, qMax<qint64>(4096, room - m.size()));
            m += "\r\n--" + b + "--\r\n";
        }
        lastBody_ = body.left(6000);
        return m;
    }

    // When the last message came, in seconds since 1970.
    qint64 received() const { return time_; }

private:
    // Common words first, then made-up ones for the long tail of a real vocabulary: text drawn
    // this way compresses about as well as English does (to a third with Deflate).
    static const QList<QByteArray>& vocabulary() {
        static const QList<QByteArray> words = [] {
            QList<QByteArray> w =
                QByteArray(
                    "the of and to a in is it you that was for on are with as be at have this from "
                    "or "
                    "had by but not what all were we when your can said there use an each which do "
                    "how "
                    "their if will up other about out many then them these so some her would make "
                    "like "
                    "into time has look two more write go see number no way could people my than "
                    "first "
                    "been call who its now find long down day did get come made may part over new "
                    "after "
                    "also meeting invoice project report budget attached please regards thanks "
                    "monday "
                    "friday office client contract schedule review draft price order delivery team "
                    "week month figures agenda minutes question answer server account password "
                    "backup "
                    "holiday weekend family photos travel flight hotel conference presentation "
                    "slides "
                    "version update release customer supplier payment balance quarter tomorrow "
                    "tonight "
                    "morning afternoon evening")
                    .split(' ');
            const QList<QByteArray> syllables =
                QByteArray("ba be bi bo bu da de di do du ka ke ki ko ku la le li lo lu ma me mi "
                           "mo mu na ne ni no nu ra re ri ro ru sa se si so su ta te ti to tu ven "
                           "ter con pro ment tion ing er al an st")
                    .split(' ');
            Rng rng(0x70CAB);
            for (int i = 0; i < 3000; ++i) {
                QByteArray made;
                for (int n = 1 + int(rng.below(4)); n > 0; --n)
                    made += syllables[qsizetype(rng.below(quint32(syllables.size())))];
                w.append(made);
            }
            return w;
        }();
        return words;
    }

    QByteArray word() {
        const QList<QByteArray>& words = vocabulary();
        const double u = rng_.unit();
        return words[qsizetype(u * u * double(words.size()))];
    }

    QByteArray sentence(int lo, int hi, bool stop = true) {
        QByteArray s;
        const int n = lo + int(rng_.below(quint32(hi - lo + 1)));
        for (int i = 0; i < n; ++i) {
            if (i) s += rng_.chance(0.06) ? ", " : " ";
            s += rng_.chance(0.03) ? QByteArray::number(rng_.below(10000)) : word();
        }
        if (!s.isEmpty()) s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
        return stop ? s + (rng_.chance(0.1) ? "?" : ".") : s;
    }

    // Running text wrapped at 72 columns, with greeting, sign-off and maybe a quoted message.
    QByteArray text(qint64 size) {
        QByteArray t = "Hello " + lastFrom_.left(lastFrom_.indexOf(' ')) + ",\r\n\r\n";
        while (t.size() < size) {
            QByteArray line;
            for (int s = 1 + int(rng_.below(5)); s > 0; --s) {
                for (const QByteArray& w : sentence(4, 16).split(' ')) {
                    if (line.size() + w.size() >= 72) {
                        t += line + "\r\n";
                        line.clear();
                    }
                    line += (line.isEmpty() ? "" : " ") + w;
                }
            }
            t += line + "\r\n\r\n";
        }
        t += "Regards,\r\n" + owner_.name + "\r\n";
        if (!lastBody_.isEmpty() && rng_.chance(0.35)) {
            t += "\r\n----- Original Message -----\r\nFrom: " + lastFrom_ + "\r\n\r\n";
            for (const QByteArray& l : lastBody_.split('\n'))
                t += "> " + l.trimmed() + "\r\n";
        }
        return t;
    }

    static QByteArray html(const QByteArray& body) {
        QByteArray h = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n"
                       "<HTML><HEAD>\r\n<META http-equiv=Content-Type content=\"text/html; "
                       "charset=iso-8859-1\">\r\n<STYLE></STYLE>\r\n</HEAD>\r\n<BODY "
                       "bgColor=#ffffff>\r\n";
        for (const QByteArray& p : body.split('\n'))
            h += "<DIV><FONT face=Arial size=2>" + p.trimmed() + "</FONT></DIV>\r\n";
        return h + "</BODY></HTML>\r\n";
    }

    QByteArray attachment(Sort sort, qint64 room) {
        QByteArray head, data;
        const QByteArray n = QByteArray::number(rng_.below(10000));
        if (sort == Sort::Packed) {
            static const char* const types[][2] = {{"image/jpeg", "IMG_%1.JPG"},
                                                   {"application/pdf", "scan%1.pdf"},
                                                   {"application/x-zip-compressed", "files%1.zip"}};
            const auto& t = types[rng_.below(3)];
            head = contentHead(t[0], QByteArray(t[1]).replace("%1", n), "base64");
            data = wrapped(rng_.bytes(qMin(rng_.logUniform(24 << 10, 2500 << 10), room * 3 / 4)));
        } else if (sort == Sort::Document) {
            const bool csv = rng_.chance(0.4);
            head =
                contentHead(csv ? "application/vnd.ms-excel" : "application/msword",
                            (csv ? "budget" : "minutes") + n + (csv ? ".csv" : ".doc"), "base64");
            const qint64 size = qMin(rng_.logUniform(6 << 10, 400 << 10), room * 3 / 4);
            data = wrapped(csv ? table(size) : text(size));
        } else {
            head = contentHead("application/octet-stream", "update" + n + ".cab", "binary");
            data = rng_.bytes(qMin(rng_.logUniform(32 << 10, 1500 << 10), room));
        }
        return head + data;
    }

    QByteArray table(qint64 size) {
        QByteArray t = "date;account;description;amount\r\n";
        while (t.size() < size) {
            t += "2003-" + QByteArray::number(1 + rng_.below(12)) + '-' +
                 QByteArray::number(1 + rng_.below(28)) + ';' +
                 QByteArray::number(4000 + rng_.below(60)) + ';' + word() + ' ' + word() + ';' +
                 QByteArray::number(double(rng_.below(1000000)) / 100.0, 'f', 2) + "\r\n";
        }
        return t;
    }

    static QByteArray contentHead(const QByteArray& type, const QByteArray& name,
                                  const QByteArray& encoding) {
        return "Content-Type: " + type + ";\r\n\tname=\"" + name +
               "\"\r\nContent-Transfer-Encoding: " + encoding +
               "\r\nContent-Disposition: attachment;\r\n\tfilename=\"" + name + "\"\r\n\r\n";
    }

    static QByteArray wrapped(const QByteArray& raw) {
        const QByteArray b = raw.toBase64();
        QByteArray out;
        out.reserve(b.size() + b.size() / 38 + 2);
        for (qsizetype i = 0; i < b.size(); i += 76)
            out += b.mid(i, 76) + "\r\n";
        return out;
    }

    QByteArray boundary() {
        return "----=_NextPart_000_" + QByteArray::number(rng_.below(0x10000), 16).toUpper() + '_' +
               QByteArray::number(rng_.next() & 0xFFFFFFFFu, 16).toUpper();
    }

    QByteArray date() const {
        static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const QDateTime t = QDateTime::fromSecsSinceEpoch(time_, Qt::UTC);
        const QDate d = t.date();
        return QByteArray(days[d.dayOfWeek() - 1]) + ", " + QByteArray::number(d.day()) + ' ' +
               months[d.month() - 1] + ' ' + QByteArray::number(d.year()) + ' ' +
               t.time().toString(QStringLiteral("hh:mm:ss")).toLatin1() + " +0000";
    }

    QByteArray headers(const Person& other) {
        static const char* const mailers[] = {"Microsoft Outlook Express 6.00.2800.1106",
                                              "Microsoft Outlook Express 5.50.4927.1200",
                                              "The Bat! (v2.00.6) Personal", "Opera7.23/Win32"};
        const bool sent = rng_.chance(0.25);
        const Person& from = sent ? owner_ : other;
        const Person& to = sent ? other : owner_;
        const QByteArray id = QByteArray::number(rng_.next(), 16);
        const QByteArray ip = QByteArray::number(10 + rng_.below(200)) + '.' +
                              QByteArray::number(rng_.below(256)) + '.' +
                              QByteArray::number(rng_.below(256)) + '.' +
                              QByteArray::number(1 + rng_.below(254));
        const QByteArray host = from.address.mid(from.address.indexOf('@') + 1);
        return "Return-Path: <" + from.address + ">\r\nReceived: from mail." + host + " ([" + ip +
               "])\r\n\tby mx.example.net with ESMTP id " + id.left(10).toUpper() + ";\r\n\t" +
               date() + "\r\nFrom: \"" + from.name + "\" <" + from.address + ">\r\nTo: \"" +
               to.name + "\" <" + to.address + ">\r\nSubject: " + subject_ + "\r\nDate: " + date() +
               "\r\nMessage-ID: <" + id + '@' + host +
               ">\r\nMIME-Version: 1.0\r\nX-Priority: 3\r\nX-Mailer: " + mailers[rng_.below(4)] +
               "\r\n";
    }

    Rng rng_;
    Person owner_;
    QList<Person> contacts_;
    qint64 time_ = 1041379200; // 1 January 2003
    QByteArray subject_;
    QByteArray lastFrom_;
    QByteArray lastBody_;
};

} // namespace oestore
