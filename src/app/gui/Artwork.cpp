#include "app/gui/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace app {

namespace {

const QColor kDeepTeal(0x1d, 0x4e, 0x63);
const QColor kTeal(0x2a, 0x86, 0x8c);
const QColor kAmber(0xe8, 0xb0, 0x4a);
const QColor kAmberDark(0xb9, 0x7c, 0x22);
const QColor kPaper(0xfb, 0xfa, 0xf6);
const QColor kInk(0x2b, 0x3a, 0x42);

// The sizes an icon carries pixmaps for; Qt scales between them.
constexpr std::array kIconSizes{16, 20, 24, 32, 48, 64, 128, 256};

// The archive box: a lidded crate with a clasp, the back half of the motif.
void paintArchive(QPainter& p, const QRectF& r) {
    const qreal pen = std::max<qreal>(1.0, r.width() / 18);
    p.setPen(QPen(kAmberDark.darker(130), pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, kAmber.lighter(110));
    body.setColorAt(1, kAmber.darker(105));
    p.setBrush(body);
    const QRectF box(r.left(), r.top() + r.height() * 0.22, r.width(), r.height() * 0.78);
    p.drawRoundedRect(box, r.width() * 0.08, r.width() * 0.08);
    p.setBrush(kAmberDark);
    const QRectF lid(r.left() - r.width() * 0.04, r.top(), r.width() * 1.08, r.height() * 0.28);
    p.drawRoundedRect(lid, r.width() * 0.06, r.width() * 0.06);
    // The clasp.
    p.setBrush(kPaper);
    const qreal cw = r.width() * 0.26;
    p.drawRoundedRect(
        QRectF(r.center().x() - cw / 2, box.top() + box.height() * 0.18, cw, box.height() * 0.22),
        cw * 0.2, cw * 0.2);
}

// The envelope, the front half of the motif.
void paintEnvelope(QPainter& p, const QRectF& r) {
    const qreal pen = std::max<qreal>(1.0, r.width() / 20);
    p.setPen(QPen(kInk, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kPaper);
    p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
    QPainterPath flap;
    flap.moveTo(r.left() + pen, r.top() + pen);
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
    flap.lineTo(r.right() - pen, r.top() + pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

// Envelope in front of the archive box, inside r (a square).
void paintMotif(QPainter& p, const QRectF& r) {
    const qreal s = r.width();
    paintArchive(p, QRectF(r.left() + s * 0.40, r.top() + s * 0.30, s * 0.52, s * 0.56));
    paintEnvelope(p, QRectF(r.left() + s * 0.08, r.top() + s * 0.16, s * 0.58, s * 0.42));
}

QPixmap transparentPixmap(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon iconFrom(const std::function<void(QPainter&, const QRectF&)>& paint) {
    QIcon icon;
    for (int size : kIconSizes) {
        QPixmap pm = transparentPixmap(size, size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// A rounded badge in colour with a short white text: the client pictures are
// initials, not anyone's logo.
void paintBadge(QPainter& p, const QRectF& r, const QColor& colour, const QString& text) {
    const qreal m = r.width() * 0.06;
    const QRectF b = r.adjusted(m, m, -m, -m);
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0, colour.lighter(118));
    g.setColorAt(1, colour.darker(112));
    p.setPen(QPen(colour.darker(150), std::max<qreal>(1.0, r.width() / 24)));
    p.setBrush(g);
    p.drawRoundedRect(b, b.width() * 0.24, b.width() * 0.24);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(std::max(6, qRound(b.height() * (text.size() > 1 ? 0.52 : 0.68))));
    f.setLetterSpacing(QFont::PercentageSpacing, text.size() > 1 ? 92 : 100);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(b, Qt::AlignCenter, text);
}

void paintStar(QPainter& p, const QRectF& r, const QColor& colour) {
    const qreal m = r.width() * 0.06;
    const QRectF b = r.adjusted(m, m, -m, -m);
    p.setPen(QPen(colour.darker(150), std::max<qreal>(1.0, r.width() / 24)));
    p.setBrush(colour);
    p.drawRoundedRect(b, b.width() * 0.24, b.width() * 0.24);
    QPainterPath star;
    const QPointF c = b.center();
    const qreal outer = b.width() * 0.36;
    const qreal inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const qreal rad = i % 2 ? inner : outer;
        const QPointF pt(c.x() + rad * std::cos(a), c.y() + rad * std::sin(a) + b.height() * 0.03);
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawPath(star);
}

void paintCheckBox(QPainter& p, const QRectF& r, bool ticked) {
    const QRectF b =
        r.adjusted(r.width() * 0.16, r.width() * 0.16, -r.width() * 0.16, -r.width() * 0.16);
    p.setPen(QPen(kInk, std::max<qreal>(1.0, r.width() / 16)));
    p.setBrush(Qt::white);
    p.drawRoundedRect(b, b.width() * 0.12, b.width() * 0.12);
    if (!ticked) return;
    QPainterPath tick;
    tick.moveTo(b.left() + b.width() * 0.2, b.top() + b.height() * 0.52);
    tick.lineTo(b.left() + b.width() * 0.42, b.top() + b.height() * 0.75);
    tick.lineTo(b.left() + b.width() * 0.82, b.top() + b.height() * 0.24);
    p.setPen(QPen(kTeal.darker(120), std::max<qreal>(1.6, r.width() / 8), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

} // namespace

void PaintAppIcon(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = r.width();
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, kTeal);
    bg.setColorAt(1, kDeepTeal);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    const QRectF tile = r.adjusted(s * 0.03, s * 0.03, -s * 0.03, -s * 0.03);
    p.drawRoundedRect(tile, s * 0.2, s * 0.2);
    paintMotif(p, QRectF(r.left() + s * 0.04, r.top() + s * 0.06, s * 0.92, s * 0.92));
    p.restore();
}

QIcon AppIcon() {
    return iconFrom(&PaintAppIcon);
}

QPixmap BannerPixmap(int width, int height) {
    QPixmap pm(std::max(1, width), std::max(1, height));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bg(0, 0, pm.width(), 0);
    bg.setColorAt(0, kDeepTeal);
    bg.setColorAt(0.6, kTeal);
    bg.setColorAt(1, kTeal.lighter(135));
    p.fillRect(pm.rect(), bg);
    // A few soft rings on the right: calm, and no text to translate.
    QRadialGradient glow(QPointF(pm.width() * 0.86, pm.height() * 0.5), pm.height() * 2.2);
    glow.setColorAt(0, QColor(255, 255, 255, 60));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(pm.rect(), glow);
    p.setPen(QPen(QColor(255, 255, 255, 34), 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 4; ++i)
        p.drawEllipse(QPointF(pm.width() * 0.86, pm.height() * 0.5), i * height * 0.45,
                      i * height * 0.45);

    const qreal s = height * 0.86;
    const QRectF motif(height * 0.2, (height - s) / 2, s, s);
    paintMotif(p, motif);

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(qRound(height * 0.46));
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(f);
    const QRectF text(motif.right() + height * 0.18, 0, pm.width(), height);
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(text.translated(1.5, 1.5), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Postora"));
    p.setPen(kPaper);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Postora"));
    return pm;
}

QList<QIcon> ClientPictures() {
    struct Badge {
        QColor colour;
        QString text;
    };
    // Initials on colours chosen to tell the badges apart, not to echo any product.
    const std::array<Badge, 9> badges{{
        {QColor(0x3b, 0x6e, 0xa8), QStringLiteral("OE")},
        {QColor(0x2f, 0x4f, 0x8f), QStringLiteral("OL")},
        {QColor(0x6a, 0x8d, 0x3a), QStringLiteral("Eu")},
        {QColor(0x8e, 0x4f, 0xa6), QStringLiteral("IM")},
        {QColor(0x3a, 0x8f, 0x86), QStringLiteral("Pg")},
        {QColor(0x55, 0x5f, 0x6b), QStringLiteral("TB")},
        {QColor(0xc0, 0x6a, 0x2b), QStringLiteral("Po")},
        {QColor(0xa8, 0x3e, 0x4c), QStringLiteral("Op")},
        {QColor(0x2e, 0x7d, 0x5b), QStringLiteral("NS")},
    }};
    QList<QIcon> out;
    for (const Badge& b : badges)
        out << iconFrom([b](QPainter& p, const QRectF& r) { paintBadge(p, r, b.colour, b.text); });
    out << iconFrom([](QPainter& p, const QRectF& r) { paintStar(p, r, kAmberDark); });
    out << iconFrom([](QPainter& p, const QRectF& r) {
        paintEnvelope(p, r.adjusted(r.width() * 0.06, r.height() * 0.2, -r.width() * 0.06,
                                    -r.height() * 0.2));
    });
    return out;
}

QList<QIcon> CheckImages() {
    QList<QIcon> out;
    out << iconFrom([](QPainter& p, const QRectF& r) { paintCheckBox(p, r, false); });
    out << iconFrom([](QPainter& p, const QRectF& r) { paintCheckBox(p, r, true); });
    // The root carries no box: a small filled diamond marks it.
    out << iconFrom([](QPainter& p, const QRectF& r) {
        const QPointF c = r.center();
        const qreal h = r.width() * 0.3;
        QPainterPath d;
        d.moveTo(c.x(), c.y() - h);
        d.lineTo(c.x() + h, c.y());
        d.lineTo(c.x(), c.y() + h);
        d.lineTo(c.x() - h, c.y());
        d.closeSubpath();
        p.setPen(QPen(kDeepTeal, std::max<qreal>(1.0, r.width() / 16)));
        p.setBrush(kTeal);
        p.drawPath(d);
    });
    return out;
}

QPixmap SplashPicture() {
    const int w = 400;
    const int h = 170;
    QPixmap pm(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, kDeepTeal);
    bg.setColorAt(1, kTeal.lighter(120));
    p.fillRect(pm.rect(), bg);
    p.setPen(QPen(QColor(255, 255, 255, 30), 2));
    for (int i = 1; i <= 6; ++i)
        p.drawEllipse(QPointF(w * 0.5, h * 0.55), i * 34.0, i * 34.0);
    // Three envelopes going into the archive.
    paintEnvelope(p, QRectF(w * 0.14, h * 0.22, 64, 46));
    paintEnvelope(p, QRectF(w * 0.22, h * 0.50, 56, 40));
    paintArchive(p, QRectF(w * 0.52, h * 0.24, 104, 108));
    p.setPen(QPen(kPaper, 3, Qt::DashLine, Qt::RoundCap));
    p.drawLine(QPointF(w * 0.14 + 70, h * 0.36), QPointF(w * 0.52 - 10, h * 0.45));
    p.drawLine(QPointF(w * 0.22 + 62, h * 0.62), QPointF(w * 0.52 - 10, h * 0.58));
    return pm;
}

} // namespace app
