#include "lang/gui/FittingCaptions.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextDocument>

namespace lang {

namespace {

// Marks a tool tip this file set, so that one given elsewhere is never taken away.
const char* const kOwnToolTip = "postoraElidedToolTip";
const char* const kWatched = "postoraFittedCaption";

bool watchedLabel(const QLabel* label) {
    return !label->wordWrap() && label->pixmap().isNull() && !Qt::mightBeRichText(label->text());
}

QRect labelRoom(const QLabel* label) {
    const int m = label->margin();
    QRect room = label->contentsRect().adjusted(m, m, -m, -m);
    const int indent = label->indent();
    if (indent > 0) {
        const Qt::Alignment a = label->alignment();
        if (a & Qt::AlignLeft) room.setLeft(room.left() + indent);
        if (a & Qt::AlignRight) room.setRight(room.right() - indent);
    }
    return room;
}

QStyleOptionButton buttonOption(const QAbstractButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    if (b->isDown()) opt.state |= QStyle::State_Sunken;
    const auto* check = qobject_cast<const QCheckBox*>(b);
    if (check && check->checkState() == Qt::PartiallyChecked)
        opt.state |= QStyle::State_NoChange;
    else
        opt.state |= b->isChecked() ? QStyle::State_On : QStyle::State_Off;
    return opt;
}

QStyle::SubElement contentsOf(const QAbstractButton* b) {
    return qobject_cast<const QCheckBox*>(b) ? QStyle::SE_CheckBoxContents
                                             : QStyle::SE_RadioButtonContents;
}

// The room a caption has to paint in, and whether the control is narrower than
// it asks to be; false for controls left alone.
bool measure(const QWidget* w, int& room, bool& short_) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (!watchedLabel(label)) return false;
        room = labelRoom(label).width();
    } else {
        const auto* b = qobject_cast<const QAbstractButton*>(w);
        if (!b || !(qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b)))
            return false;
        const QStyleOptionButton opt = buttonOption(b);
        room = b->style()->subElementRect(contentsOf(b), &opt, b).width();
        if (!b->icon().isNull()) room -= b->iconSize().width() + 4;
    }
    short_ = w->width() < w->sizeHint().width();
    return true;
}

void setOwnToolTip(QWidget* w, const QString& tip) {
    const bool own = w->property(kOwnToolTip).toBool();
    if (!tip.isEmpty() && (own || w->toolTip().isEmpty())) {
        w->setToolTip(tip);
        w->setProperty(kOwnToolTip, true);
    } else if (tip.isEmpty() && own) {
        w->setToolTip(QString());
        w->setProperty(kOwnToolTip, false);
    }
}

class CaptionFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        int room = 0;
        bool elide = false;
        if (!w || !measure(w, room, elide)) return false;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            setOwnToolTip(w, elide ? label->text() : QString());
            if (!elide) return false;
            QPainter p(label);
            const QString shown =
                label->fontMetrics().elidedText(label->text(), Qt::ElideRight, room);
            label->style()->drawItemText(
                &p, labelRoom(label),
                QStyle::visualAlignment(label->layoutDirection(), label->alignment()),
                label->palette(), label->isEnabled(), shown, label->foregroundRole());
            return true;
        }
        auto* b = static_cast<QAbstractButton*>(w);
        setOwnToolTip(w, elide ? b->text() : QString());
        if (!elide) return false;
        QStyleOptionButton opt = buttonOption(b);
        opt.text = b->fontMetrics().elidedText(b->text(), Qt::ElideRight, room);
        QStylePainter p(b);
        p.drawControl(qobject_cast<QCheckBox*>(b) ? QStyle::CE_CheckBox : QStyle::CE_RadioButton,
                      opt);
        return true;
    }
};

} // namespace

void FitCaptions(QWidget* window) {
    auto* fitter = new CaptionFitter(window); // the window owns it
    const auto watch = [fitter](QWidget* w, int least) {
        if (w->property(kWatched).toBool()) return; // a part fitted already, as its own window
        w->setProperty(kWatched, true);
        w->installEventFilter(fitter);
        // A few characters and the ellipsis at the least, never more than the whole caption.
        w->setMinimumWidth(qMin(least, w->sizeHint().width()));
    };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (watchedLabel(label)) watch(label, label->fontMetrics().averageCharWidth() * 6);
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QCheckBox*>(b) && !qobject_cast<QRadioButton*>(b)) continue;
        const int indicator = b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                              b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
        watch(b, indicator + b->fontMetrics().averageCharWidth() * 6);
    }
}

bool CaptionElided(const QWidget* control) {
    int room = 0;
    bool elide = false;
    return measure(control, room, elide) && elide;
}

} // namespace lang
