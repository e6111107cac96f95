#include "app/gui/WholeNames.h"

#include <QFileSystemModel>
#include <QHelpEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>

namespace app {

namespace {

class WholeNameTips : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString name = index.data(Qt::DisplayRole).toString();
        if (name.isEmpty()) {
            QToolTip::hideText();
            return false;
        }
        QToolTip::showText(event->globalPos(), name, view, view->visualRect(index));
        return true;
    }
};

} // namespace

void ShowWholeNames(QAbstractItemView& view) {
    view.setTextElideMode(Qt::ElideMiddle);
    view.setItemDelegate(new WholeNameTips(&view)); // the view owns it
}

void RevealWholeName(QTreeView& view, const QModelIndex& index) {
    if (!index.isValid()) return;
    view.scrollTo(index); // also lays the rows out, so the ranges below are current
    QScrollBar* bar = view.horizontalScrollBar();
    const int shown = view.viewport()->width();
    const int left = view.visualRect(index).left() + bar->value();
    const int right = left + view.sizeHintForIndex(index).width();
    if (right - left > shown || left < bar->value())
        bar->setValue(left);
    else if (right > bar->value() + shown)
        bar->setValue(right - shown);
}

ChosenInView::ChosenInView(QTreeView& view, const QFileSystemModel& model)
    : QObject(&view), view_(view) {
    // Rows come in batches after each folder is read and may push the entry
    // down: once they have settled, it is revealed again.
    settle_.setSingleShot(true);
    settle_.setInterval(20);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (following_) reveal(view_.currentIndex());
    });
    const auto moved = [this] {
        if (following_) settle_.start();
    };
    connect(&model, &QFileSystemModel::directoryLoaded, this, moved);
    connect(&model, &QAbstractItemModel::rowsInserted, this, moved);
    connect(&model, &QAbstractItemModel::layoutChanged, this, moved);
    const auto taken = [this] { following_ = following_ && revealing_; };
    for (QScrollBar* bar : {view.verticalScrollBar(), view.horizontalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, taken);
    connect(&view, &QTreeView::pressed, this, taken);
    connect(&view, &QTreeView::expanded, this, taken);
    connect(&view, &QTreeView::collapsed, this, taken);
}

void ChosenInView::choose(const QModelIndex& at) {
    view_.setCurrentIndex(at);
    following_ = true;
    reveal(at);
}

void ChosenInView::reveal(const QModelIndex& at) {
    if (!at.isValid()) return;
    const QScopedValueRollback<bool> own(revealing_, true);
    RevealWholeName(view_, at);
}

} // namespace app
